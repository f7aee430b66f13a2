// The RTF document of an authorization or a verification: four templates
// from the registry (HKEY_LOCAL_MACHINE "SOFTWARE\OLVEN": DA_HEAD,
// DA_SECT_HEAD, DA_SECT_MAIN, DA_FOOT) filled with the file's values.
//
// Each template is filled on its own before it is appended: each keyword, in
// its order, takes the place of its first occurrence in the template's own
// text, never in a value put in before. Values are RTF-escaped; the file
// name keeps its letters (cp1250 ones as \'hh, others as \uN?).
//
// When none of the four values exists, or all four are empty, the templates
// are first imported from the script szablon.reg beside the program.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVCORE_API bzDocGenerator {
 public:
  // Reads the templates and starts the document with the filled head.
  bzDocGenerator(const AnsiString& date, const AnsiString& issuer, const AnsiString& file,
                 std::uint64_t fileSize, std::uint64_t commentLines, std::uint64_t commentChars,
                 std::uint32_t fileSum);
  virtual ~bzDocGenerator();

  void addSection(bool present, const AnsiString& name, std::uint64_t chars, std::uint64_t records,
                  std::uint32_t sum);
  // Appends DA_FOOT; an empty one fails (the document would stay open).
  void closeDocument();
  const AnsiString& getDocument() const { return document_; }
  // Writes the document as raw bytes: a temporary file beside path, renamed
  // to it once written whole.
  void save(const AnsiString& path) const;

  // Fills the first occurrence of keyword in text; bzException
  // "Nie znaleziono słowa kluczowego <keyword>" when there is none.
  static void replace(AnsiString& text, const AnsiString& keyword, const AnsiString& value);

  // A value as RTF text: \ { } escaped, bytes below 0x20 as \'hh.
  static AnsiString rtfText(std::string_view value);
  // A file name as RTF text: in valid UTF-8, cp1250 letters as \'hh and
  // other letters as \uN?; in any other name, bytes from 0x80 up as \'hh.
  static AnsiString rtfFileName(std::string_view name);

  // Today's date, "dd-mm-yyyy", by the clock below.
  static AnsiString today();
  // Test seams: the clock (null: the system's) and the script path (empty:
  // szablon.reg in the program's folder).
  static void setClock(std::function<std::time_t()> clock);
  static void setScriptPath(const std::string& path);
  static std::string scriptPath();

  static const char* const kTemplateKey;

 private:
  void loadTemplates();

  AnsiString head_, sectHead_, sectMain_, foot_;
  AnsiString document_;
};

}  // namespace swde
