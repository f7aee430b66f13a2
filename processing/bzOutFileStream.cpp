#include "processing/bzOutFileStream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "processing/bzException.h"

namespace swde {

namespace {

// 0, or the reason (an errno value or plat::kNotRegularFile) why target,
// which exists as something other than a regular file (links followed), is
// never written over: the rename would put a file in the place of a device
// node or a FIFO.
int refusalOf(const AnsiString& target) {
  struct stat st;
  if (::stat(target.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return 0;
  return S_ISDIR(st.st_mode) ? EISDIR : plat::kNotRegularFile;
}

}  // namespace

bzOutFileStream::bzOutFileStream(const AnsiString& target, std::size_t bufferSize)
    : target_(plat::resolveWriteTarget(target)), buffer_(bufferSize < 2 ? 2 : bufferSize) {
  if (const int err = refusalOf(target_)) fail(err);
  AnsiString folder = plat::extractFilePath(target_);
  if (folder.empty()) folder = ".";
  const AnsiString name = plat::extractFileName(target_);
  fd_ = plat::createTempFile(folder, "." + name + ".", ".tmp", tempPath_);
  if (fd_ < 0) fail(errno);
  if (::fchmod(fd_, plat::newFileMode()) != 0) {
    const int err = errno;
    discard();
    fail(err);
  }
}

bzOutFileStream::~bzOutFileStream() {
  if (!committed_) discard();
}

void bzOutFileStream::fail(int err) const {
  throw bzException(plat::cp("Błąd zapisu pliku ") + plat::fileNameToCp1250(target_) + ": " +
                    plat::fileWriteErrorReason(err));
}

void bzOutFileStream::putLine(std::string_view text) {
  putBytes(text);
  if (buffer_.size() - used_ < 2) putBuff();
  buffer_[used_++] = '\r';
  buffer_[used_++] = '\n';
}

void bzOutFileStream::putBytes(std::string_view bytes) {
  while (!bytes.empty()) {
    if (used_ == buffer_.size()) putBuff();
    const std::size_t n = std::min(bytes.size(), buffer_.size() - used_);
    std::memcpy(buffer_.data() + used_, bytes.data(), n);
    used_ += n;
    bytes.remove_prefix(n);
  }
}

void bzOutFileStream::putBuff() {
  if (fd_ < 0) {
    if (used_ > 0) fail(EBADF);
    return;
  }
  std::size_t done = 0;
  while (done < used_) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    if (n == 0) fail(EIO);
    done += static_cast<std::size_t>(n);
    written_ += static_cast<std::uint64_t>(n);
  }
  used_ = 0;
}

void bzOutFileStream::close() {
  if (fd_ < 0) return;
  putBuff();
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) fail(errno);
}

void bzOutFileStream::commit() {
  close();
  if (tempPath_.empty()) fail(ENOENT);
  // The target may have changed since the stream was made.
  if (const int err = refusalOf(target_)) fail(err);
  if (std::rename(tempPath_.c_str(), target_.c_str()) != 0) fail(errno);
  committed_ = true;
}

void bzOutFileStream::discard() noexcept {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!tempPath_.empty() && !committed_) ::unlink(tempPath_.c_str());
  tempPath_.clear();
}

}  // namespace swde
