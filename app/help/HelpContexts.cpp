#include "app/help/HelpContexts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

namespace swde {

namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (isSpace(s.front()) || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (isSpace(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// A page is a file name inside the help folder, possibly in a subfolder: no
// absolute path, no step up, nothing but letters, digits and "._-/".
bool validPage(std::string_view page) {
  if (page.empty() || page.front() == '/') return false;
  for (unsigned char c : page) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '_' || c == '-' || c == '/';
    if (!ok) return false;
  }
  std::string_view rest = page;
  while (!rest.empty()) {
    const auto slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    if (part.empty() || part == "." || part == "..") return false;
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  return true;
}

bool validAnchor(std::string_view anchor) {
  if (anchor.empty()) return false;
  for (unsigned char c : anchor) {
    if (c <= ' ' || c == '#' || c == 0x7f) return false;
  }
  return true;
}

std::string lineError(const std::string& fileName, int line, const char* reason) {
  return "Błędny wiersz " + std::to_string(line) + " w pliku " + fileName + ": " + reason;
}

// The whole of a regular file. Opened without waiting, so that a FIFO put
// in the file's place is refused rather than waited on.
bool readRegularFile(const std::string& path, std::string& text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct ::stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  char block[4096];
  while (ok) {
    const ssize_t n = ::read(fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    text.append(block, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return ok;
}

}  // namespace

bool HelpContexts::load(const std::string& path, std::string* error) {
  entries_.clear();
  std::string text;
  if (!readRegularFile(path, text)) {
    if (error) *error = "Nie można odczytać pliku " + path;
    return false;
  }
  return parse(text, path, error);
}

bool HelpContexts::parse(std::string_view text, const std::string& fileName, std::string* error) {
  entries_.clear();
  // An editor may have put a UTF-8 byte order mark in front.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  int lineNo = 0;
  auto fail = [&](const char* reason) {
    if (error) *error = lineError(fileName, lineNo, reason);
    entries_.clear();
    return false;
  };
  while (!text.empty()) {
    ++lineNo;
    const auto eol = text.find('\n');
    std::string_view line = trim(text.substr(0, eol));
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (line.empty() || line.front() == '#') continue;

    std::size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
    if (digits == 0) return fail("oczekiwano numeru kontekstu");
    int number = 0;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + digits, number);
    if (ec != std::errc() || end != line.data() + digits) return fail("numer kontekstu za duży");
    if (digits == line.size() || !isSpace(line[digits])) {
      return fail("oczekiwano odstępu i nazwy strony po numerze");
    }
    const std::string_view target = trim(line.substr(digits));
    if (target.find_first_of(" \t") != std::string_view::npos) {
      return fail("po nazwie strony nie może być nic więcej");
    }
    const auto hash = target.find('#');
    const std::string_view page = target.substr(0, hash);
    if (!validPage(page)) return fail("niedozwolona nazwa strony");
    std::string_view anchor;
    if (hash != std::string_view::npos) {
      anchor = target.substr(hash + 1);
      if (!validAnchor(anchor)) return fail("niedozwolona kotwica");
    }
    if (!entries_.emplace(number, HelpTarget{std::string(page), std::string(anchor)}).second) {
      return fail("kontekst podany drugi raz");
    }
  }
  return true;
}

const HelpTarget* HelpContexts::find(int context) const {
  const auto it = entries_.find(context);
  return it == entries_.end() ? nullptr : &it->second;
}

}  // namespace swde
