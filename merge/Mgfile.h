// A work file written in pieces and read back by (offset, length): the merge
// parks the text of every object in one per input and writes its
// part-result through one. Raw bytes exactly as written, 64-bit positions,
// over a POSIX descriptor. Writes are buffered and always append.
#pragma once

#include <sys/types.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "platform/FileStream.h"

namespace swde {

using plat::AnsiString;

class OLVJOIN_API mgFile {
 public:
  // pwrite: how the store writes its bytes (replaceable for tests).
  using WriteFunction =
      std::function<ssize_t(int fd, const void* data, std::size_t size, off_t offset)>;

  mgFile();
  // Closes the file without raising; a temporary file is removed.
  ~mgFile();
  mgFile(const mgFile&) = delete;
  mgFile& operator=(const mgFile&) = delete;

  // Creates a fresh temporary file in folder (exclusive, mode 0600), which
  // the store removes when it is closed, replaced or destroyed. Raises
  // plat::EFileError naming the folder and the reason; the store then keeps
  // what it held.
  void openTempFile(const AnsiString& folder);
  // Creates the file name (mode 0666 less the umask), or empties an existing
  // regular one; the store leaves it in place. Something other than a
  // regular file of that name (a folder, a device, a FIFO; links followed)
  // is refused untouched. Raises plat::EFileError as openTempFile (the path
  // shown as cp1250 text, as in every message of the store).
  void openFile(const AnsiString& name);
  // Takes the temporary file's name off the disk at once; the open
  // descriptor keeps the file until the store closes it.
  void unlinkName();
  // Writes what is buffered and closes the file (a temporary file is
  // removed). Raises plat::EFileError when the last write or the close fails;
  // the store is closed all the same.
  void closeFile();

  // Writes what is buffered, so that a reader opening the file by its path
  // sees every byte. Raises plat::EFileError as saveLinesToFile.
  void flushFile();
  // Makes the temporary file the file name: its bytes written and synced to
  // the disk, its mode 0666 less the umask (as a plain creation gives), the
  // file closed, then renamed onto name, replacing a regular file there (a
  // folder, a device or a FIFO is refused). Raises plat::EFileError naming
  // name and the reason; the temporary file is then removed. The store is
  // closed afterwards either way.
  void commitTo(const AnsiString& name);
  // The bytes go to the disk as they are written (a file to be committed),
  // and reach its medium a few megabytes at a time on a thread of the
  // store's: the sync of commitTo then has little left to wait for. A
  // failure of those syncs is the failure of commitTo (or closeFile).
  void writeBackEarly() { writeBack_ = true; }

  // Lets readers follow the file while it is written (plat::GrowingFile):
  // an InputFile opened on it reads what is written so far and waits for
  // the rest, until finishWriting(); when the store is closed or destroyed
  // first, or the returned file abandoned, their reads fail.
  std::shared_ptr<plat::GrowingFile> letReadersFollow();
  // Writes what is buffered; no byte comes after: the followers read to the
  // end. Raises plat::EFileError as flushFile (the followers then fail).
  void finishWriting();

  // Appends the bytes of text; nothing for an empty text. Raises
  // plat::EFileError when a write fails.
  void saveLinesToFile(std::string_view text);
  // Offset at which the next piece will lie.
  std::uint64_t position() const { return written_ + buffer_.size(); }
  // Exactly length bytes from offset (NUL bytes kept), after writing what is
  // buffered. Raises plat::EFileError on a failed or short read.
  AnsiString readLinesFromFile(std::uint64_t offset, std::uint64_t length);
  // The same bytes appended to text (which keeps its room between calls);
  // on a failure text holds what it held before.
  void appendLinesFromFile(std::uint64_t offset, std::uint64_t length, AnsiString& text);

  // Every byte written, after writing what is buffered, as a read-only view
  // valid until the next write, close or read; empty when nothing is
  // written or no mapping can be had. Raises plat::EFileError as flushFile.
  std::string_view writtenBytes();
  // The bytes [from, to) of that view are read no more: the whole pages
  // among them go back to the system (they are read again from the file
  // when touched).
  void dropWrittenBytes(std::uint64_t from, std::uint64_t to) noexcept;

  // Starts loading the first bytes at offset (length long) for a read to
  // come, when the mapping the reads copy from holds them; nothing else.
  void prefetch(std::uint64_t offset, std::uint64_t length) const noexcept {
    if (!map_ || offset >= mapped_ || length == 0) return;
    const std::uint64_t end = std::min<std::uint64_t>(
        {offset + length, static_cast<std::uint64_t>(mapped_), offset + kPrefetched});
    // A load of the first byte brings the page's address, without which the
    // prefetches would be dropped; its value goes nowhere.
    static_cast<void>(*reinterpret_cast<const volatile char*>(map_ + offset));
    for (std::uint64_t at = offset & ~std::uint64_t{63}; at < end; at += 64)
      __builtin_prefetch(map_ + at);
  }

  bool isOpen() const { return fd_ >= 0; }
  // Path of the open file; empty when closed.
  const AnsiString& path() const { return path_; }

  // Test hook: replaces pwrite for every write; an empty function restores
  // pwrite.
  void setWriteFunction(WriteFunction write);
  // fdatasync: how the store syncs what it wrote early (writeBackEarly);
  // replaceable for tests, an empty function restoring fdatasync.
  using SyncFunction = std::function<int(int fd)>;
  void setSyncFunction(SyncFunction sync);

 private:
  void open(int fd, const AnsiString& path, bool temporary);
  void flush();
  void writeAll(const char* data, std::size_t size);
  void release() noexcept;
  [[noreturn]] void fail(const char* what, int err);
  void requireOpen(const char* what) const;

  int fd_ = -1;
  AnsiString path_;
  bool temporary_ = false;     // the name is the store's to remove
  bool linked_ = false;        // the name is still on disk
  std::uint64_t written_ = 0;  // bytes on disk
  int writeError_ = 0;         // errno of a failed write
  std::string buffer_;
  // Reads copy from a read-only mapping of the bytes written, remade when
  // the file has grown past it; without one (a mapping refused) they fall
  // back to pread.
  static constexpr std::uint64_t kPrefetched = 256;  // bytes a prefetch covers at most
  const char* map_ = nullptr;
  std::size_t mapped_ = 0;
  bool mapRefused_ = false;
  // The mapping covers the written bytes; false when there is none.
  bool mapWritten() noexcept;
  void unmap() noexcept;
  WriteFunction write_;
  bool writeBack_ = false;
  // The thread that syncs what was written early, made once enough is
  // written; stopSyncer ends it, giving the errno of its first failure.
  class Syncer;
  std::unique_ptr<Syncer> syncer_;
  SyncFunction sync_;
  bool syncerRefused_ = false;  // no thread to be had: the last sync does it all
  int stopSyncer() noexcept;
  // Tells the thread (made here once enough is written) what is written.
  void syncEarly() noexcept;
  // Readers following the file, and the file registered for them.
  std::shared_ptr<plat::GrowingFile> growing_;
  std::unique_ptr<plat::FollowedFile> followed_;
  void stopFollowers() noexcept;
};

}  // namespace swde
