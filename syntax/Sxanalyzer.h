// Turns the token stream of one open file into line records, one call per
// line, with at most one syntax or context error per line.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string_view>

#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "platform/Format.h"
#include "syntax/Sxblockchecker.h"
#include "syntax/Sxcodes.h"
#include "syntax/Sxcontext.h"
#include "syntax/Sxerrors.h"
#include "syntax/Sxline.h"
#include "syntax/Sxlineblock.h"
#include "syntax/Sxlineparser.h"
#include "syntax/Sxlinevalidator.h"
#include "syntax/Sxtokenizer.h"

namespace swde {

using plat::AnsiString;
using plat::TVarRec;

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
  // The same, the line built in into (made afresh as a line of code 0) when
  // into is given: a reader that keeps lines hands in one of its own that no
  // one else holds, and the line needs no copy to be kept. Null into: a line
  // of the analyzer's own. The end-of-file check's own line is made apart.
  counted_ptr<sxLine> getNewLine(counted_ptr<sxError>& err, counted_ptr<sxLine> into);
  // The lines after the header in blocks: the same lines, codes, errors,
  // sections and positions as getNewLine gives one by one, the field rules of
  // the lines checked on a pool of threads. False, with an empty block, when
  // no line is left. A failure raises its exception once the lines before it
  // were handed out. Not to be mixed with getNewLine on one file.
  bool getLineBlock(sxLineBlock& block);
  // Byte offset just past the lines handed out by getLineBlock.
  std::uint64_t getBlockPosition() const {
    return blocksStarted_ || !tokenizer_ ? blockPosition_ : tokenizer_->getPosition();
  }

  // Threads and block size of getLineBlock for the analyzers made after the
  // call; 0 takes the default (threads: OLVEN_THREADS, else every core but
  // one).
  static void setBlockParameters(unsigned threads, std::size_t blockSize) noexcept;
  // The thread count getLineBlock uses.
  static unsigned blockThreads() noexcept;
  // At most threads for this analyzer's getLineBlock, when it starts after
  // the call (0: blockThreads()); never more than blockThreads().
  void limitBlockThreads(unsigned threads) noexcept { threadLimit_ = threads; }

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
  // The context, the field rules and the end-of-file check of a line just
  // cut, whose cutting error (if any) error holds.
  void settleLine(const counted_ptr<sxLine>& line, counted_ptr<sxError>& error);
  // The context pass over the lines of a checked block, into block.
  void settleBlock(sxBlockChecker::Block& checked, sxLineBlock& block);
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
  sxLineParser parser_;
  AnsiString gathered_;  // a line read past the stream's buffer
  std::unique_ptr<sxBlockChecker> blocks_;
  unsigned threadLimit_ = 0;   // limitBlockThreads
  counted_ptr<sxLine> probe_;  // code and number of a checked line, for the context
  std::uint64_t blockPosition_ = 0;
  std::uint64_t nextLine_ = 0;  // number of the next line getLineBlock hands out
  bool blocksStarted_ = false;
  std::exception_ptr failure_;  // raised once the lines before it went out
};

}  // namespace swde
