// The report of a run: a binary file of line records that the worker thread
// appends to while another thread reads the lines back, saved at the end as a
// report file (".rpt").
//
// File format (integers 32-bit little-endian, texts cp1250 bytes without a
// terminator, no padding):
//   int32 fileCount, then fileCount entries: int32 n, n bytes of the input
//   file's full path;
//   behind this header, records up to the end of the file: uint32 lineNo,
//   int32 fileIdx, uint32 position, int32 n, n bytes of text.
// Line numbers and positions are 64-bit in memory (-1: none) and 32-bit on
// disk, where 0xFFFFFFFF stands for none; a value that does not fit in 32 bits
// is written as none. Free text lines carry none in all three fields (fileIdx
// -1 has the same bits).
//
// Failures never raise. Writing: the first failed write is kept (failed(),
// failureMessage()) and every later AddLine does nothing, so the worker can
// end the run. Reading: a file that is not a complete report (a count or a
// length that does not fit in the bytes left, a record cut short, a record
// naming a file outside the header's list) stops the reading (readFailed(),
// readErrorMessage()); GetNextLine then returns null. Messages show paths as
// cp1250 text (plat::fileNameToCp1250); the header keeps the raw bytes.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/CriticalSection.h"
#include "platform/Export.h"
#include "processing/bzFileList.h"

namespace swde {

using plat::AnsiString;

// Text of a finding line: line number, type mark ("B " error 0, "O " warning
// 1, "I " information 2, nothing for another type), code right-aligned in five
// characters (longer codes in full), section tag ("SD " ... "ST " for the
// section codes 46-51, nothing for another), "- " and the text; for example
// "12 B   121 SD - t".
OLVCORE_API AnsiString formatFindingLine(std::int64_t lineNo, int type, int code, int section,
                                         const AnsiString& text);

// The free text line written before the first finding of a file:
// "=========> " + its full path.
OLVCORE_API AnsiString fileLine(const AnsiString& path);

class OLVCORE_API bzReport {
 public:
  // One line as read back; the caller owns it.
  struct bzLineInfo {
    std::int64_t lineNo = -1;
    std::int64_t position = -1;
    std::int32_t fileIdx = -1;
    AnsiString text;
  };

  // pwrite: how the report writes its bytes (replaceable for tests).
  using WriteFunction =
      std::function<ssize_t(int fd, const void* data, std::size_t size, off_t offset)>;

  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  // keepForViewing: SaveToFile copies and opens the copy for reading; Open
  // works only with it.
  explicit bzReport(bool keepForViewing);
  // Deletes the temporary file of a report that was never saved.
  virtual ~bzReport();
  bzReport(const bzReport&) = delete;
  bzReport& operator=(const bzReport&) = delete;

  // Creates the temporary file "TMP??????.$$$" in plat::tempFolder() and
  // writes the header from files (null: no files). False when the file could
  // not be made or written (failed() tells why).
  bool Create(const bzFileList* files);

  // Appends one record. Nothing after a failed write, and nothing when no
  // report is open for writing (before Create, after SaveToFile or Open).
  void AddLine(std::int64_t lineNo, std::int32_t fileIdx, std::int64_t position,
               const AnsiString& text);

  // The next record, or null: at the end of what has been written (a later
  // call gives the next record once it is there), with no file open, or
  // after a read failure.
  std::unique_ptr<bzLineInfo> GetNextLine();

  // Lines written through AddLine; read without the lock.
  std::int32_t getLineCount() const { return lineCount_.load(); }

  // Saves the report as target. Without keepForViewing the temporary file is
  // moved there: renamed, or where that fails (another file system) copied
  // and deleted once the copy is complete and on disk. With keepForViewing it
  // is copied, kept, and target is opened for reading. A copy goes to a new
  // file beside target that then replaces it, so a failed save leaves an
  // existing target as it was. The saved file has the mode of a plain
  // creation (0666 less the umask). A target that exists as something other
  // than a regular file (a folder, a device, a FIFO; links followed) is
  // refused: "Plik raportu nie jest zwykłym plikiem: <target>". Saving onto
  // the report's own file changes nothing and succeeds. On failure the
  // result is false, the report's file stays where it is (and is no longer
  // deleted by the destructor) and *error, when given, names the target, the
  // reason and the kept file. Writing ends with the first call, whatever its
  // result.
  bool SaveToFile(const AnsiString& target, AnsiString* error = nullptr);

  // keepForViewing only (false otherwise, nothing done): opens a saved
  // report for reading from its first line and reads its list of files.
  // False when it cannot be opened (a FIFO or a device is refused at once,
  // never waited on) or its header is not sound; a header count of 0 gives
  // "Błąd otwarcia pliku raportu" (readErrorMessage()).
  bool Open(const AnsiString& path);

  // Folder of file i of the list read by Open; "" outside it.
  AnsiString GetFilePath(int i) const;

  // The report's file: the temporary file, where it was saved, or the file
  // given to Open.
  AnsiString getPath() const;

  bool failed() const { return failed_.load(); }
  AnsiString failureMessage() const;
  bool readFailed() const { return readFailed_.load(); }
  AnsiString readErrorMessage() const;

  // Test hook: replaces pwrite for every write of the report, the copies of
  // SaveToFile included; an empty function restores pwrite.
  void setWriteFunction(WriteFunction write);

 private:
  bool writeAll(int fd, const char* data, std::size_t size, std::int64_t offset, int& err);
  bool readAt(std::int64_t offset, char* data, std::size_t size);
  bool copyTo(const AnsiString& source, const AnsiString& target, AnsiString& message);
  void closeStream();
  void fail(const AnsiString& message);
  void readFail(const AnsiString& message);
  void corrupt(const AnsiString& detail);

  const bool keepForViewing_;
  int fd_ = -1;
  bool ownsStream_ = false;  // fd_ is a report opened by Open
  bool writable_ = false;    // fd_ is the temporary file being written
  AnsiString path_;
  AnsiString tempPath_;
  bool tempOwned_ = false;           // the destructor deletes tempPath_
  std::vector<AnsiString> folders_;  // of each header entry, read by Open
  std::atomic<std::int32_t> lineCount_{0};
  mutable plat::TCriticalSection lock_;
  std::int64_t writePos_ = 0;
  std::int64_t readPos_ = 0;
  std::int64_t readEnd_ = 0;  // size of a report opened by Open
  std::atomic<bool> failed_{false};
  AnsiString failure_;
  std::atomic<bool> readFailed_{false};
  AnsiString readError_;
  WriteFunction write_;
};

}  // namespace swde
