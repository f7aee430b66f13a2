#include "processing/bzDocGenerator.h"

#include <unistd.h>

#include <array>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Format.h"
#include "platform/Registry.h"
#include "processing/bzException.h"
#include "processing/bzOutFileStream.h"

namespace swde {

using plat::cp;

const char* const bzDocGenerator::kTemplateKey = "SOFTWARE\\OLVEN";

namespace {

const char* const kNames[4] = {"DA_HEAD", "DA_SECT_HEAD", "DA_SECT_MAIN", "DA_FOOT"};

struct Seams {
  std::mutex m;
  std::function<std::time_t()> clock;
  std::string script;
};

Seams& seams() {
  static Seams s;
  return s;
}

void appendHex(AnsiString& out, unsigned char b) {
  static const char kHex[] = "0123456789abcdef";
  out += "\\'";
  out += kHex[b >> 4];
  out += kHex[b & 0xF];
}

void appendAscii(AnsiString& out, unsigned char b) {
  if (b == '\\' || b == '{' || b == '}') {
    out += '\\';
    out += static_cast<char>(b);
  } else if (b < 0x20) {
    appendHex(out, b);
  } else {
    out += static_cast<char>(b);
  }
}

void appendUnicode(AnsiString& out, std::uint16_t unit) {
  out += "\\u" + plat::IntToStr(static_cast<std::int16_t>(unit)) + "?";
}

// One template filled: each keyword, in order, takes the place of its first
// occurrence in the template's own text; values are never searched.
AnsiString fill(const AnsiString& tmpl,
                std::initializer_list<std::pair<const char*, AnsiString>> values) {
  struct Segment {
    AnsiString text;
    bool literal;
  };
  std::vector<Segment> segments{{tmpl, true}};
  for (const auto& [keyword, value] : values) {
    const std::string_view key(keyword);
    bool found = false;
    for (std::size_t i = 0; i < segments.size() && !found; ++i) {
      if (!segments[i].literal) continue;
      const std::size_t at = segments[i].text.find(key);
      if (at == AnsiString::npos) continue;
      AnsiString after = segments[i].text.substr(at + key.size());
      segments[i].text.resize(at);
      segments.insert(segments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                      {Segment{value, false}, Segment{std::move(after), true}});
      found = true;
    }
    if (!found) throw bzException(cp("Nie znaleziono słowa kluczowego ") + keyword);
  }
  AnsiString out;
  for (const Segment& p : segments) out += p.text;
  return out;
}

AnsiString number(std::uint64_t v) {
  return plat::UIntToStr(v);
}

}  // namespace

bzDocGenerator::bzDocGenerator(const AnsiString& date, const AnsiString& issuer,
                               const AnsiString& file, std::uint64_t fileSize,
                               std::uint64_t commentLines, std::uint64_t commentChars,
                               std::uint32_t fileSum) {
  loadTemplates();
  document_ = fill(head_, {{"$$DATA", rtfText(date)},
                           {"$$WYDAWCA", rtfText(issuer)},
                           {"$$PLIK", rtfFileName(file)},
                           {"$$ROZMIARPLIKU", number(fileSize)},
                           {"$$LINIEKOMENTARZA", number(commentLines)},
                           {"$$ZNAKIKOMENTARZA", number(commentChars)},
                           {"$$SUMAPLIKU", number(fileSum)}});
}

bzDocGenerator::~bzDocGenerator() = default;

void bzDocGenerator::loadTemplates() {
  plat::TRegistry reg;
  reg.RootKey = plat::HKEY_LOCAL_MACHINE;
  if (!reg.OpenKey(kTemplateKey, true)) return;  // the first keyword fails
  bool anyFilled = false;
  for (const char* name : kNames)
    if (reg.ValueExists(name) && !reg.ReadString(name).empty()) anyFilled = true;
  if (!anyFilled) {
    const std::string script = scriptPath();
    if (!script.empty() && ::access(script.c_str(), F_OK) == 0) {
      std::string error;
      if (!plat::ImportRegistryScript(script, &error)) throw bzException(AnsiString(error));
    }
  }
  std::array<AnsiString*, 4> targets = {&head_, &sectHead_, &sectMain_, &foot_};
  for (std::size_t i = 0; i < 4; ++i) {
    if (!reg.ValueExists(kNames[i])) reg.WriteString(kNames[i], "");
    *targets[i] = reg.ReadString(kNames[i]);
  }
  reg.CloseKey();
}

void bzDocGenerator::addSection(bool present, const AnsiString& name, std::uint64_t chars,
                                std::uint64_t records, std::uint32_t sum) {
  AnsiString text =
      fill(sectHead_, {{"$$NAZWA", rtfText(name)}, {"$$BRAK", present ? AnsiString() : "Brak"}});
  if (present)
    text +=
        fill(sectMain_,
             {{"$$ZNAK", number(chars)}, {"$$REKORD", number(records)}, {"$$SUMA", number(sum)}});
  document_ += text;
}

void bzDocGenerator::closeDocument() {
  if (foot_.empty()) throw bzException(cp("Pusty szablon dokumentu DA_FOOT"));
  document_ += foot_;
}

void bzDocGenerator::save(const AnsiString& path) const {
  bzOutFileStream out(path, 32768);
  out.putBytes(document_);
  out.commit();
}

void bzDocGenerator::replace(AnsiString& text, const AnsiString& keyword, const AnsiString& value) {
  const std::size_t at = text.find(keyword);
  if (at == AnsiString::npos) throw bzException(cp("Nie znaleziono słowa kluczowego ") + keyword);
  text.replace(at, keyword.size(), value);
}

AnsiString bzDocGenerator::rtfText(std::string_view value) {
  AnsiString out;
  out.reserve(value.size());
  for (char c : value) appendAscii(out, static_cast<unsigned char>(c));
  return out;
}

AnsiString bzDocGenerator::rtfFileName(std::string_view name) {
  AnsiString out;
  std::u32string points;
  if (!plat::tryUtf8ToCodePoints(name, points)) {
    for (char c : name) {
      const unsigned char b = static_cast<unsigned char>(c);
      if (b >= 0x80)
        appendHex(out, b);
      else
        appendAscii(out, b);
    }
    return out;
  }
  for (char32_t c : points) {
    unsigned char b = 0;
    if (c < 0x80) {
      appendAscii(out, static_cast<unsigned char>(c));
    } else if (plat::unicodeToCp1250(c, b)) {
      appendHex(out, b);
    } else if (c < 0x10000) {
      appendUnicode(out, static_cast<std::uint16_t>(c));
    } else {
      const char32_t v = c - 0x10000;
      appendUnicode(out, static_cast<std::uint16_t>(0xD800 + (v >> 10)));
      appendUnicode(out, static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)));
    }
  }
  return out;
}

AnsiString bzDocGenerator::today() {
  std::function<std::time_t()> clock;
  {
    std::lock_guard<std::mutex> g(seams().m);
    clock = seams().clock;
  }
  const std::time_t now = clock ? clock() : std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return plat::Format("%.2d-%.2d-%.4d", {tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900});
}

void bzDocGenerator::setClock(std::function<std::time_t()> clock) {
  std::lock_guard<std::mutex> g(seams().m);
  seams().clock = std::move(clock);
}

void bzDocGenerator::setScriptPath(const std::string& path) {
  std::lock_guard<std::mutex> g(seams().m);
  seams().script = path;
}

std::string bzDocGenerator::scriptPath() {
  {
    std::lock_guard<std::mutex> g(seams().m);
    if (!seams().script.empty()) return seams().script;
  }
  const std::string exe = plat::executableFile();
  if (exe.empty()) return std::string();
  return plat::extractFilePath(exe) + "szablon.reg";
}

}  // namespace swde
