// Turns the token stream of one open file into line records, one call per
// line, with at most one syntax or context error per line.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "platform/Format.h"
#include "syntax/Sxcodes.h"
#include "syntax/Sxcontext.h"
#include "syntax/Sxerrors.h"
#include "syntax/Sxline.h"
#include "syntax/Sxlinevalidator.h"
#include "syntax/Sxtokenizer.h"

namespace swde {

using plat::AnsiString;
using plat::TVarRec;

// Longest line kept whole; a longer one gets error 102 and the rest of it is
// read past without being stored.
constexpr std::size_t kMaxLineLength = 65536;

class OLVLEX_API sxAnalyzer {
 public:
  // Loads the transition graphs once per process (sxException when they do
  // not load).
  explicit sxAnalyzer(sxTokenizer* tokenizer);
  virtual ~sxAnalyzer();
  sxAnalyzer(const sxAnalyzer&) = delete;
  sxAnalyzer& operator=(const sxAnalyzer&) = delete;

  // Reads and checks the header line; no line (and error 104) when the
  // header is not recognised.
  counted_ptr<sxLine> getFileHeader(counted_ptr<sxError>& err);
  // The next line; no line when no header was recognised or the file is
  // read to its end. The end-of-file checks (210-212) come on a last line of
  // code 1.
  counted_ptr<sxLine> getNewLine(counted_ptr<sxError>& err);

  // Format byte of a header text (0 = not recognised); sets format and
  // version when recognised.
  std::uint8_t recognizeFormat(const AnsiString& header);
  // Code of an identifier in the table of the current format; 0 when absent.
  sxLineCode recognizeLine(std::string_view ident) const;
  // Identifier of a line code; empty when it has none.
  AnsiString getLineIdentStr(sxLineCode code) const;

  counted_ptr<sxError> createError(sxErrorCode code) const;
  counted_ptr<sxError> createError(sxErrorCode code, const TVarRec* args, int argsHigh) const;

  std::uint8_t getFormat() const { return format_; }
  double getVersion() const { return version_; }
  sxContext& getContext() { return *context_; }
  const sxContext& getContext() const { return *context_; }
  sxLineValidator& getValidator() { return *validator_; }

 private:
  // Runs the end-of-file check once; its error comes on a line of code 1.
  counted_ptr<sxLine> finishLine(counted_ptr<sxError>& err);
  // Reads one line token by token into line and error; false when no data
  // came where a line was expected.
  bool readTokens(std::uint64_t lineNumber, counted_ptr<sxLine>& line, counted_ptr<sxError>& error);
  // Builds the record of one line from its raw bytes (without the line feed)
  // by the same rules as readTokens.
  void parseLine(std::string_view raw, std::uint64_t lineNumber, counted_ptr<sxLine>& line,
                 counted_ptr<sxError>& error);
  // A fresh line record; the one handed out last is used again when no one
  // else holds it any more.
  counted_ptr<sxLine> newLine(sxLineCode code, std::uint64_t lineNumber);

  std::uint8_t format_ = 0;
  double version_ = 0;
  sxTokenizer* tokenizer_;
  std::unique_ptr<sxLineValidator> validator_;
  std::unique_ptr<sxContext> context_;
  bool finished_ = false;
  counted_ptr<sxLine> spare_;
  AnsiString stripped_;  // a line without its carriage returns
};

}  // namespace swde
