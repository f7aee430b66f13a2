// Cuts the raw bytes of one line into identifier, fields and comment: the one
// grammar of a line, whether the line came whole from a buffer or was gathered
// byte by byte. Errors 102, 120, 121 and 129.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "syntax/Sxerrornote.h"
#include "syntax/Sxerrors.h"
#include "syntax/Sxline.h"

namespace swde {

using plat::AnsiString;

// Longest line kept whole (carriage returns not counted); a longer one gets
// error 102 and keeps the words that fit.
constexpr std::size_t kMaxLineLength = 65536;

class OLVLEX_API sxLineParser {
 public:
  // The format byte of the file (52 SWDE, 55 SWING) picks the line table.
  explicit sxLineParser(std::uint8_t format = 0) : format_(format) {}
  void setFormat(std::uint8_t format) { format_ = format; }
  // Off: the line keeps no copy of its bytes (its text stays empty) and its
  // fields view raw, which must then outlive the use of the line.
  void setKeepText(bool keep) { keepText_ = keep; }
  // With a note, a line's error is taken down in it and error gets a marker
  // standing for it, instead of an error being made; null: errors are made.
  void setNote(sxErrorNote* note);
  // Off: the lines to come hold no carriage return, and none is looked for.
  void setCarriageReturns(bool may) { carriageReturns_ = may; }

  // Fills line (already reset to its number) from raw, the line's bytes
  // without its line feed; carriage returns anywhere in it are dropped. A
  // line error goes to error, numbered with the line's number and with the
  // section given.
  void parse(std::string_view raw, sxLine& line, std::uint8_t section, counted_ptr<sxError>& error);
  // The same for the first line of run, lines each ending in a line feed or
  // in a carriage return and a line feed, with no other carriage return (run
  // holds a line end): the line ends at its first carriage return or line
  // feed, found by the cutting itself. Returns the line's length, its line
  // end not counted. Only for a parser that keeps no text.
  std::size_t parseToLineFeed(std::string_view run, sxLine& line, std::uint8_t section,
                              counted_ptr<sxError>& error);

  // The code of an identifier in the table of the format; 0 when absent.
  sxLineCode recognize(std::string_view ident) const;

 private:
  // The grammar over a line without carriage returns, up to the first line
  // feed of s or its end; returns where the line ended.
  std::size_t cutLine(std::string_view s, sxLine& line, std::uint8_t section,
                      counted_ptr<sxError>& error);
  // A line longer than kMaxLineLength, without carriage returns: the words
  // that fit, and error 102.
  void parseLong(std::string_view s, sxLine& line, std::uint8_t section,
                 counted_ptr<sxError>& error);

  template <class... Args>
  void raise(counted_ptr<sxError>& error, const sxLine& line, std::uint8_t section,
             std::uint8_t code, Args... args);

  std::uint8_t format_;
  sxErrorNote* note_ = nullptr;
  counted_ptr<sxError> marker_;
  bool keepText_ = true;
  bool carriageReturns_ = true;
  AnsiString stripped_;  // a line without its carriage returns
};

}  // namespace swde
