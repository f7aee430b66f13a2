// Buffered forward reader over one data file; hands out one byte at a time.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "platform/FileStream.h"

namespace swde {

using plat::AnsiString;

class OLVLEX_API sxFileStream {
 public:
  // Opens the file; a failure raises plat::EFileError naming the path (as
  // cp1250 text) and the reason, as does a failed read. A buffer size of 0
  // is taken as 1.
  sxFileStream(const AnsiString& fileName, unsigned bufSize);
  ~sxFileStream();
  sxFileStream(const sxFileStream&) = delete;
  sxFileStream& operator=(const sxFileStream&) = delete;

  // Bytes handed out since the last seek (from the file start after seek(0)).
  std::uint64_t getPosition() const { return position_; }
  // Size of the file as seen at open.
  std::uint64_t getSize() const { return file_ ? file_->size() : 0; }
  // Moves the file to offset, empties the buffer, returns the new position.
  std::uint64_t seek(std::uint64_t offset);
  // Refills the buffer; true when at least one byte was read.
  bool getBuff();

  // Takes one byte: false when the data is exhausted.
  bool takeByte(unsigned char& c) {
    if (index_ >= count_ && !getBuff()) return false;
    c = buffer_[index_++];
    ++position_;
    return true;
  }

  // The buffered bytes not yet handed out, for callers that take a run of
  // bytes at once; skip(n) hands out n of them.
  const unsigned char* pending(std::size_t& n) const {
    n = count_ - index_;
    return buffer_.get() + index_;
  }
  // Refills the buffer when every byte of it was handed out, as takeByte
  // would; false when the data is exhausted.
  bool fill() { return index_ < count_ || getBuff(); }
  void skip(std::size_t n) {
    index_ += static_cast<unsigned>(n);
    position_ += n;
  }

  // Reads up to n bytes past what the buffer held straight into dst, for a
  // reader that takes the file in large blocks after a seek; 0 at the end.
  std::size_t readRaw(void* dst, std::size_t n) {
    const std::size_t got = file_ ? file_->read(dst, n) : 0;
    position_ += got;
    return got;
  }

  // Stored for the reader's "convert" option; nothing here reads it.
  std::uint8_t convert = 1;

 private:
  std::unique_ptr<plat::InputFile> file_;
  std::unique_ptr<unsigned char[]> buffer_;
  unsigned bufSize_;
  unsigned index_ = 0;
  unsigned count_ = 0;
  std::uint64_t position_ = 0;
};

}  // namespace swde
