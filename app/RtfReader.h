// A reader of the RTF the program's documents are written in: the subset a
// word processor uses for plain formatted text and simple tables. Bytes in,
// a document model out; no Qt here, so the tests of the documents' writers
// read them through the same code as the document window.
//
// Read: groups (each saves and restores the character format), \par \line
// \tab \~ \- \_ \{ \} \\, \'hh (a cp1250 byte), \uN with \ucN stand-ins,
// \pard \plain \b \i \ul \ulnone \fs \ql \qc \qr \qj, and tables as
// \trowd ... \cell ... \row. Skipped with their group: the font, colour and
// style tables, \info, pictures, objects, headers, footers and every {\*...}
// destination. Every other control word is ignored.
//
// Hostile input: the parser keeps its own stack (no recursion over the
// input), refuses nesting past kRtfMaxDepth and numeric parameters outside
// 32 bits; a file cut short gives what was read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace swde {

// Deepest group nesting accepted; one level more is an error.
constexpr int kRtfMaxDepth = 256;

enum class RtfAlignment : unsigned char { Left, Centre, Right, Justify };

// A stretch of text in one character format.
struct RtfRun {
  std::u16string text;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int halfPoints = 24;  // \fs: the font size in half-points (12 pt by default)
};

struct RtfParagraph {
  RtfAlignment alignment = RtfAlignment::Left;
  std::vector<RtfRun> runs;  // adjacent runs never share a format

  std::u16string text() const;
};

struct RtfCell {
  std::vector<RtfParagraph> paragraphs;
};

struct RtfRow {
  std::vector<RtfCell> cells;
};

struct RtfTable {
  std::vector<RtfRow> rows;
  int columns() const;  // cells of the widest row
};

// A block of the body: a paragraph or a table (its rows in order).
struct RtfBlock {
  enum class Kind : unsigned char { Paragraph, Table } kind = Kind::Paragraph;
  RtfParagraph paragraph;  // Kind::Paragraph
  RtfTable table;          // Kind::Table
};

struct RtfDocument {
  std::vector<RtfBlock> blocks;
};

enum class RtfStatus : unsigned char {
  Ok,      // read; possibly cut short (see truncated)
  NotRtf,  // the bytes do not start with "{\rtf"
  Error,   // refused: see reason
};

struct RtfParseResult {
  RtfStatus status = RtfStatus::Ok;
  std::string reason;       // Polish, UTF-8; set for Error
  RtfDocument document;     // what was read (also on Error, up to the fault)
  bool truncated = false;   // the input ended inside a group
  bool strayClose = false;  // a "}" without its "{", or text after the outer group
};

RtfParseResult parseRtf(std::string_view bytes);

// The document's text as a reader sees it, in UTF-8: a paragraph ends in
// "\n", a \line is "\n", a \tab is "\t", and a table cell ends in "\t" with
// its row ending in "\n". Empty for bytes that are not RTF.
std::string rtfPlainTextUtf8(std::string_view bytes);

// True when the bytes are one RTF group with every "{" closed by its "}" and
// nothing but white space after it.
bool rtfBalanced(std::string_view bytes);

}  // namespace swde
