// Cuts the text of an SWDE or SWING file into words, blank runs and the three
// delimiters of the format, one byte of look-ahead at most.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "syntax/Sxfilestream.h"

namespace swde {

using plat::AnsiString;

enum sxTokenKind : std::uint8_t {
  tkWord = 0,
  tkBlank = 1,
  tkFieldSep = 2,  // ','
  tkLineEnd = 3,   // ';'
  tkLineFeed = 4,
  tkEof = 5,
  tkNone = 6,
};

class OLVLEX_API sxTokenizer {
 public:
  explicit sxTokenizer(sxFileStream* stream);
  virtual ~sxTokenizer();

  // Next token; its text stays in getTokenText().
  std::uint8_t getToken();
  // The rest of the current line, without its carriage return or line feed.
  AnsiString getAllToEOL();
  // The same, keeping at most limit bytes of it; the rest of the line is
  // read past and dropped.
  AnsiString getAllToEOL(std::size_t limit);
  // The first limit bytes of the current line at most, without its carriage
  // return or line feed; reading stops there, and the rest of a longer line
  // stays unread (getAllToEOL(0) reads past it).
  AnsiString getLineHead(std::size_t limit);
  // Skips to the end of the current line and returns the characters skipped;
  // raises sxException "Linia %d jest za długa" past 255 characters.
  std::uint64_t seekEndLine();
  // Starts reading again at the start of the file.
  void reset();
  // The rest of the current line when the stream's buffer holds all of it up
  // to its line feed and no look-ahead byte is pending: its raw bytes, the
  // carriage returns included and the line feed not, stay valid until the
  // next read. False, with nothing taken, otherwise; getToken then reads the
  // line as usual.
  bool peekLine(const unsigned char*& p, std::size_t& n);
  // Hands out the n bytes that peekLine found and the line feed after them;
  // the counters, the position and the last token are then what getToken
  // leaves after reading the same line token by token.
  void takeLine(std::size_t n);
  // Reads the rest of the current line and its line feed into out without
  // its carriage returns, keeping at most keep bytes of it. Returns the kind
  // getToken leaves after reading the same line token by token: tkLineFeed,
  // tkEof when the data ended first, tkNone when no data could come; the
  // counters, the position and the end-of-file flag are as getToken leaves
  // them. more tells that bytes were dropped.
  std::uint8_t gatherLine(AnsiString& out, std::size_t keep, bool& more);
  // One raw character; carriage returns are not dropped, counters unchanged.
  bool getChar(char& c);

  static void convIso2Win(const AnsiString& in, AnsiString& out);
  static void convWin2Iso(const AnsiString& in, AnsiString& out);
  // Converts the 18 Polish letters from one row of the code-page table to
  // another, in place; returns the length of s. Rows outside 0..4 change
  // nothing.
  static int charsConvert(AnsiString& s, int fromRow, int toRow);

  // Words and blank runs longer than this come out in pieces of this size,
  // so that a file without line ends cannot make a token of any size.
  void setTokenLimit(std::size_t limit) { tokenLimit_ = limit == 0 ? 1 : limit; }

  // Byte offset in the file of the next character to be read.
  std::uint64_t getPosition() const {
    return stream_ ? stream_->getPosition() - (hasLookAhead_ ? 1 : 0) : 0;
  }
  sxFileStream* getStream() const { return stream_; }
  std::uint64_t getLineCounter() const { return lineCounter_; }
  std::uint64_t getCharCounter() const { return charCounter_; }
  std::uint8_t getTokenKind() const { return tokenKind_; }
  const AnsiString& getTokenText() const { return tokenText_; }
  bool isEof() const { return eof_ != 0; }

 private:
  bool takeFromStream(unsigned char& c) { return stream_ && stream_->takeByte(c); }

  unsigned char lookAhead_ = 0;
  bool hasLookAhead_ = false;
  std::uint64_t lineCounter_ = 1;
  std::uint64_t charCounter_ = 0;
  sxFileStream* stream_;
  std::uint8_t tokenKind_ = tkNone;
  AnsiString tokenText_;
  std::uint8_t eof_ = 0;
  std::size_t tokenLimit_ = static_cast<std::size_t>(-1);
};

}  // namespace swde
