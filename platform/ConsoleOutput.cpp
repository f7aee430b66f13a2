#include "platform/ConsoleOutput.h"

#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <clocale>
#include <csignal>

#include "platform/CodePage.h"

namespace plat {

namespace {

// Code points of the ISO-8859-2 bytes 0xA0 to 0xFF; below 0xA0 a byte is its
// own code point.
constexpr char16_t kIso88592Upper[96] = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7,  // A0
    0x00A8, 0x0160, 0x015E, 0x0164, 0x0179, 0x00AD, 0x017D, 0x017B,  // A8
    0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,  // B0
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

std::array<unsigned char, 256> buildCp1250ToIso() {
  std::array<unsigned char, 256> table{};
  for (int b = 0; b < 256; ++b) {
    const char32_t u = cp1250ToUnicode(static_cast<unsigned char>(b));
    unsigned char out = '?';
    if (u < 0xA0) {
      out = static_cast<unsigned char>(u);
    } else {
      for (int i = 0; i < 96; ++i)
        if (kIso88592Upper[i] == u) {
          out = static_cast<unsigned char>(0xA0 + i);
          break;
        }
    }
    table[static_cast<std::size_t>(b)] = out;
  }
  return table;
}

// The bytes shownOnConsole writes as "\xHH" ("\r" only when no "\n" follows).
constexpr std::array<bool, 256> buildEscaped() {
  std::array<bool, 256> table{};
  for (int b = 0; b < 0x20; ++b) table[static_cast<std::size_t>(b)] = b != '\n';
  table[0x7F] = true;
  for (const int b : {0x81, 0x83, 0x88, 0x90, 0x98}) table[static_cast<std::size_t>(b)] = true;
  return table;
}

constexpr std::array<bool, 256> kEscaped = buildEscaped();

bool escapedAt(std::string_view text, std::size_t i) {
  const char c = text[i];
  if (!kEscaped[static_cast<unsigned char>(c)]) return false;
  return !(c == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
}

std::string normalizedCharset(std::string_view charset) {
  std::string out;
  for (const char c : charset) {
    if (c == '-' || c == '_') continue;
    out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return out;
}

}  // namespace

ConsoleEncoding consoleEncodingOfCharset(std::string_view charset) {
  const std::string name = normalizedCharset(charset);
  if (name == "CP1250" || name == "WINDOWS1250") return ConsoleEncoding::Cp1250;
  if (name == "ISO88592") return ConsoleEncoding::Iso88592;
  return ConsoleEncoding::Utf8;
}

ConsoleEncoding localeConsoleEncoding() {
  std::setlocale(LC_CTYPE, "");
  const char* charset = nl_langinfo(CODESET);
  return consoleEncodingOfCharset(charset ? charset : "");
}

std::string cp1250ToIso88592(std::string_view text) {
  static const std::array<unsigned char, 256> table = buildCp1250ToIso();
  std::string out(text);
  for (char& c : out) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
  return out;
}

std::string toConsoleEncoding(std::string_view cp1250, ConsoleEncoding encoding) {
  switch (encoding) {
    case ConsoleEncoding::Cp1250:
      return std::string(cp1250);
    case ConsoleEncoding::Iso88592:
      return cp1250ToIso88592(cp1250);
    case ConsoleEncoding::Utf8:
      break;
  }
  return cp1250ToUtf8(cp1250);
}

std::string fromConsoleEncoding(std::string_view text, ConsoleEncoding encoding) {
  switch (encoding) {
    case ConsoleEncoding::Cp1250:
      return std::string(text);
    case ConsoleEncoding::Iso88592:
      return iso88592ToCp1250(text);
    case ConsoleEncoding::Utf8:
      break;
  }
  return utf8ToCp1250(text);
}

bool needsShowing(std::string_view cp1250) {
  for (std::size_t i = 0; i < cp1250.size(); ++i)
    if (escapedAt(cp1250, i)) return true;
  return false;
}

std::string shownOnConsole(std::string_view cp1250) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(cp1250.size() + 16);
  for (std::size_t i = 0; i < cp1250.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(cp1250[i]);
    if (!escapedAt(cp1250, i)) {
      out += static_cast<char>(c);
      continue;
    }
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
  }
  return out;
}

bool writeFully(int fd, const void* data, std::size_t size, int& err) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        // A descriptor in non-blocking mode (as a parent may leave a shared
        // pipe): wait until it takes more, as a blocking one would.
        pollfd ready{fd, POLLOUT, 0};
        if (::poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
      }
      err = errno;
      return false;
    }
    if (n == 0) {
      err = EIO;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  err = 0;
  return true;
}

void writeIfReady(int fd, std::string_view bytes) {
  if (bytes.empty()) return;
  pollfd p{fd, POLLOUT, 0};
  if (::poll(&p, 1, 0) != 1 || !(p.revents & POLLOUT)) return;
  // Ready means room for at least a small write (a pipe takes PIPE_BUF bytes
  // whole); whatever does not fit is dropped.
  const ssize_t n = ::write(fd, bytes.data(), bytes.size());
  (void)n;
}

void ensureStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is fd itself, since the lower ones are open.
    const int got = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (got >= 0 && got != fd) {
      ::dup2(got, fd);
      ::close(got);
    }
  }
}

void ignoreSigpipe() {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGPIPE, &action, nullptr);
}

void consoleBeep() {
  // Called on the control events' thread: a terminal stopped by Ctrl+S must
  // not hold it.
  if (::isatty(STDOUT_FILENO))
    writeIfReady(STDOUT_FILENO, "\a");
  else if (::isatty(STDERR_FILENO))
    writeIfReady(STDERR_FILENO, "\a");
}

std::string ConsoleOutput::bytesOf(std::string_view cp1250) const {
  if (!needsShowing(cp1250)) return toConsoleEncoding(cp1250, encoding_);
  return toConsoleEncoding(shownOnConsole(cp1250), encoding_);
}

int ConsoleOutput::write(std::string_view cp1250) {
  if (pipeClosed_) return EPIPE;
  if (cp1250.empty()) return 0;
  const std::string bytes = bytesOf(cp1250);
  int err = 0;
  if (writeFully(fd_, bytes.data(), bytes.size(), err)) return 0;
  if (err == EPIPE) pipeClosed_ = true;
  return err;
}

}  // namespace plat
