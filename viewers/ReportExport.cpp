#include "viewers/ReportExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/FileSystem.h"
#include "viewers/LRepBufor.h"

namespace olv {

namespace {

// A new file beside the target, buffered; put in the target's place by
// commit(), removed when dropped uncommitted.
class ExportFile {
 public:
  explicit ExportFile(const std::string& target) : target_(target) {
    // The folder part ends with "/" (the root stays "/"); none: the current one.
    const std::string dir = plat::extractFilePath(target);
    const std::string folder =
        dir.empty() ? std::string(1, '.') : dir.substr(0, dir.size() > 1 ? dir.size() - 1 : 1);
    fd_ = plat::createTempFile(folder, ".olvexport", ".tmp", path_);
    if (fd_ >= 0 && ::fchmod(fd_, static_cast<mode_t>(plat::newFileMode())) != 0) ok_ = false;
    if (fd_ < 0) ok_ = false;
    buffer_.reserve(kBuffer);
  }
  ~ExportFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty() && !committed_) ::unlink(path_.c_str());
  }
  ExportFile(const ExportFile&) = delete;
  ExportFile& operator=(const ExportFile&) = delete;

  bool ok() const { return ok_; }

  void put(std::string_view bytes) {
    if (!ok_) return;
    if (buffer_.size() + bytes.size() > kBuffer) flush();
    if (bytes.size() >= kBuffer) {
      writeAll(bytes.data(), bytes.size());
    } else {
      buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    }
  }

  bool commit() {
    flush();
    if (ok_ && ::fsync(fd_) != 0) ok_ = false;
    if (::close(fd_) != 0) ok_ = false;
    fd_ = -1;
    if (ok_ && ::rename(path_.c_str(), target_.c_str()) != 0) ok_ = false;
    committed_ = ok_;
    return ok_;
  }

 private:
  static constexpr std::size_t kBuffer = 1 << 16;

  void flush() {
    if (ok_ && !buffer_.empty()) writeAll(buffer_.data(), buffer_.size());
    buffer_.clear();
  }
  void writeAll(const char* data, std::size_t size) {
    while (ok_ && size > 0) {
      const ssize_t n = ::write(fd_, data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok_ = false;
        break;
      }
      data += n;
      size -= static_cast<std::size_t>(n);
    }
  }

  std::string target_;
  std::string path_;
  int fd_ = -1;
  bool ok_ = true;
  bool committed_ = false;
  std::vector<char> buffer_;
};

template <typename Write>
int exportReport(LRepBufor& buffer, const std::string& path, Write write) {
  if (buffer.mode() == LRepBufor::kClosed) return -1;
  const std::string target = plat::resolveWriteTarget(path);
  if (target.empty() || plat::existsAsNonRegular(target)) return 2;
  ExportFile out(target);
  if (!out.ok()) return 1;
  const int read = buffer.walk([&](const LRepLineInfo& info) {
    write(out, info);
    return out.ok();
  });
  if (read != 0) return read == -1 ? -1 : 2;
  if (!out.ok()) return 1;
  return out.commit() ? 0 : 1;
}

bool blank(unsigned char c) {
  return c <= ' ';
}

// insertCommas into out; returns where the message starts in out (npos
// when the line has no dash).
std::size_t commasInto(std::string_view line, std::string& out) {
  out.clear();
  std::size_t b = 0;
  std::size_t e = line.size();
  while (b < e && blank(static_cast<unsigned char>(line[b]))) ++b;
  while (e > b && blank(static_cast<unsigned char>(line[e - 1]))) --e;
  std::size_t i = b;
  while (i < e) {
    const char c = line[i];
    if (c == ' ') {
      while (i < e && line[i] == ' ') ++i;
      out += ',';
    } else if (c == '-') {
      ++i;
      while (i < e && line[i] == ' ') ++i;
      const std::size_t message = out.size();
      out.append(line.substr(i, e - i));
      return message;
    } else {
      out += c;
      ++i;
    }
  }
  return std::string::npos;
}

bool levelMark(std::string_view field) {
  return field == "B" || field == "O" || field == "I";
}

// A finding as comma-delimited fields: line number, level, code, section,
// message. A finding of another level or section has no mark or tag in its
// line; an empty field stands in its place, so that the message always
// follows the fourth comma.
void findingInto(std::string_view line, std::string& out, std::string& scratch) {
  const std::size_t message = commasInto(line, out);
  if (message == std::string::npos) return;
  std::string_view head(out.data(), message);
  std::string_view fields[4];
  std::size_t count = 0;
  for (std::size_t at = 0; at < head.size() && count < 4;) {
    const std::size_t comma = head.find(',', at);
    if (comma == std::string_view::npos) return;  // the dash ended a field
    fields[count++] = head.substr(at, comma - at);
    at = comma + 1;
  }
  if (count >= 4 || count < 2) return;
  std::string_view line0 = fields[0], mark, code, tag;
  if (count == 3) {
    if (levelMark(fields[1])) {
      mark = fields[1];
      code = fields[2];
    } else {
      code = fields[1];
      tag = fields[2];
    }
  } else {
    code = fields[1];
  }
  scratch.clear();
  for (std::string_view f : {line0, mark, code, tag}) {
    scratch.append(f);
    scratch += ',';
  }
  scratch.append(out, message, std::string::npos);
  out.swap(scratch);
}

}  // namespace

int saveAsTextFile(LRepBufor& buffer, const std::string& path) {
  return exportReport(buffer, path, [](ExportFile& out, const LRepLineInfo& info) {
    out.put(info.text);
    out.put("\r\n");
  });
}

int saveAsCommaDelimited(LRepBufor& buffer, const std::string& path) {
  const bool records = buffer.mode() == LRepBufor::kReport;
  std::string fields;
  std::string scratch;
  return exportReport(buffer, path, [&](ExportFile& out, const LRepLineInfo& info) {
    if (!records) return;
    if (info.filePos < 0) {
      out.put("#");
      out.put(info.text);
    } else {
      findingInto(info.text, fields, scratch);
      out.put(fields);
    }
    out.put("\r\n");
  });
}

std::string insertCommas(std::string_view line) {
  std::string out;
  commasInto(line, out);
  return out;
}

}  // namespace olv
