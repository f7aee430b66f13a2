// Buffered reader of a report file: its header (the checked files) and its
// records. On disk, little-endian: int32 file count, then per file an int32
// length and that many bytes of its full path; behind the header the records
// up to the end of the file, each uint32 line, int32 file index, uint32 byte
// position (0xFFFFFFFF: none, -1 in memory), int32 length and that many
// bytes of text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Export.h"
#include "viewers/LRepLineInfo.h"
#include "viewers/UnitSource.h"

namespace plat {
class InputFile;
}

namespace olv {

class LRepFileList;

class OLVPAGING_API RepRecordReader : public UnitSource {
 public:
  static constexpr std::size_t kRecordHead = 16;

  explicit RepRecordReader(std::size_t readBlock = 65536);

  // Reads in (not owned, never closed); null detaches.
  void attach(plat::InputFile* in);

  // Reads the header into files: 0 ready (firstRecord: the offset of the
  // first record), 1 the header lists no file, 2 the header is cut short,
  // holds a negative count or length, or could not be read.
  int readHeader(LRepFileList& files, std::uint64_t& firstRecord);

  // The record starting at offset; false when none is whole there (the end
  // of the report: a record cut short or longer than the bytes left ends it).
  // info null: only skipped.
  bool read(std::uint64_t offset, LRepLineInfo* info);

  // Where the record after the one just read starts.
  std::uint64_t next() const { return next_; }
  bool failed() const { return failed_; }

  bool readUnit(std::uint64_t offset, std::string* text, std::uint64_t& next) override;

 private:
  bool readRecord(std::uint64_t offset, LRepLineInfo* info, std::string* text);
  // Copies n bytes at offset into out (or appends them to *text); false when
  // the file ends first.
  bool get(std::uint64_t offset, char* out, std::size_t n);
  bool append(std::uint64_t offset, std::size_t n, std::string& text);
  bool fill(std::uint64_t offset);

  plat::InputFile* in_ = nullptr;
  std::size_t readBlock_;
  std::vector<char> buf_;
  std::uint64_t bufStart_ = 0;
  std::size_t bufLen_ = 0;
  std::uint64_t next_ = 0;
  bool failed_ = false;
};

}  // namespace olv
