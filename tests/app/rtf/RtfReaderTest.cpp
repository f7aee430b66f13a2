// The reader's text model: what a reader sees of each construct of the
// subset, the formats and tables it keeps, and the input it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/RtfReader.h"
#include "platform/CodePage.h"

using namespace swde;

namespace {

struct TextCase {
  const char* what;
  std::string rtf;
  std::string text;  // UTF-8
};

std::string utf8Of(char32_t c) {
  return plat::utf16ToUtf8(
      c < 0x10000 ? std::u16string(1, static_cast<char16_t>(c))
                  : std::u16string{static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)),
                                   static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF))});
}

TEST(RtfText, EachConstructReadsAsAReaderSeesIt) {
  const std::vector<TextCase> cases = {
      {"plain text", "{\\rtf1 Ala ma kota}", "Ala ma kota\n"},
      {"header words only", "{\\rtf1\\ansi\\ansicpg1250\\deff0}", ""},
      {"paragraphs and lines", "{\\rtf1 one\\par two\\line three\\par\\par four}",
       "one\ntwo\nthree\n\nfour\n"},
      {"raw line ends are no text", "{\\rtf1 a\r\nb\nc\r}", "abc\n"},
      {"an escaped line end is a paragraph", "{\\rtf1 a\\\nb}", "a\nb\n"},
      {"escapes", "{\\rtf1 \\{a\\}\\\\b\\~c\\-d\\_e\\tab f}", "{a}\\b\u00a0cd\u2011e\tf\n"},
      {"the delimiter space belongs to the word", "{\\rtf1 \\b  two\\b0 spaces}", " twospaces\n"},
      {"unknown words and symbols", "{\\rtf1 a\\foo b\\bar12 c\\zz-3 d\\|e\\:f\\foo-x}",
       "abcdef-x\n"},
      {"a raw byte is cp1250", "{\\rtf1 \xb9\xe6}", "\xc4\x85\xc4\x87\n"},
      {"a bad hex escape", "{\\rtf1 a\\'zzb\\'4}", "azzb\n"},
      {"a surrogate pair", "{\\rtf1\\uc1 \\u-10179?\\u-8704?}", "\xf0\x9f\x98\x80\n"},
      {"\\uN past 16 bits", "{\\rtf1\\uc0 \\u70000 x}", "\xef\xbf\xbdx\n"},
      {"\\uc2 skips two stand-ins", "{\\rtf1\\uc2 \\u322 ab c}", "\xc5\x82 c\n"},
      {"a stand-in may be an escape", "{\\rtf1\\uc1 \\u322\\'b3x}", "\xc5\x82x\n"},
      {"stand-ins stop at a group's end", "{\\rtf1\\uc3 {\\u322 a}bc}",
       "\xc5\x82"
       "bc\n"},
      {"\\uc is restored with its group", "{\\rtf1\\uc1 {\\uc0 \\u322 a}\\u322 b}",
       "\xc5\x82"
       "a\xc5\x82\n"},
      {"binary data of a picture", "{\\rtf1 a{\\pict\\bin1 }}b}", "ab\n"},
      {"a truncated file shows what was read", "{\\rtf1 {\\b abc\\par de", "abc\nde\n"},
      {"cut inside a control word", "{\\rtf1 ab\\'b", "ab\n"},
      {"cut after a backslash", "{\\rtf1 ab\\", "ab\n"},
      {"an extra closing brace", "{\\rtf1 a}}", "a\n"},
      {"text after the document", "{\\rtf1 a} b", "a\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const RtfParseResult r = parseRtf(c.rtf);
    EXPECT_EQ(r.status, RtfStatus::Ok) << r.reason;
    EXPECT_EQ(rtfPlainTextUtf8(c.rtf), c.text);
  }
}

TEST(RtfText, EachPolishLetterAsByteAndAsCodePoint) {
  for (int i = 0; i < plat::kPolishLetters; ++i) {
    const unsigned char byte = plat::kPolishLetterTable[plat::kRowCp1250][i];
    const char32_t cp = plat::cp1250ToUnicode(byte);
    const std::string letter = utf8Of(cp);
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\'%02x", byte);
    const std::string u = "\\u" + std::to_string(static_cast<int>(cp));
    const std::vector<std::pair<std::string, std::string>> forms = {
        {"\\'hh", hex},
        {"\\uN, \\uc1, ?", "\\uc1" + u + "?"},
        {"\\uN, \\uc1, \\'hh", "\\uc1" + u + hex},
        {"\\uN, default \\uc", u + hex},
        {"\\uN, \\uc0", "\\uc0" + u + " "},
    };
    for (const auto& [what, form] : forms) {
      SCOPED_TRACE(what + (" " + letter));
      EXPECT_EQ(rtfPlainTextUtf8("{\\rtf1\\ansi\\ansicpg1250 x" + form + "y}"),
                "x" + letter + "y\n");
    }
  }
}

TEST(RtfText, SkippedDestinationsShowNothing) {
  for (const char* word : {"fonttbl", "colortbl", "stylesheet", "info", "pict", "object", "header",
                           "footer", "*\\generator", "*\\anything"}) {
    SCOPED_TRACE(word);
    const std::string rtf = std::string("{\\rtf1 a{\\") + word +
                            " hidden{\\b nested\\par}\\par\\cell\\row\\u322 x\\'b9}b\\par}";
    const RtfParseResult r = parseRtf(rtf);
    EXPECT_EQ(r.status, RtfStatus::Ok);
    EXPECT_EQ(rtfPlainTextUtf8(rtf), "ab\n");
    ASSERT_EQ(r.document.blocks.size(), 1u);
    EXPECT_EQ(r.document.blocks[0].kind, RtfBlock::Kind::Paragraph);
  }
  // Known words in an unknown destination do not bring its text back.
  EXPECT_EQ(rtfPlainTextUtf8("{\\rtf1 {\\*\\x {\\plain a}\\pard b}c}"), "c\n");
}

// The model as text: per paragraph its alignment (L C R J), ":" and its runs,
// each run with a format other than the default as {flags:text} (b, i, u,
// sNN for the size in half-points); paragraphs joined by "|". A table is
// T[cell,cell/cell,cell] with a cell's paragraphs joined by "+".
std::string describe(const RtfParagraph& p) {
  static const char kAlign[] = {'L', 'C', 'R', 'J'};
  std::string out(1, kAlign[static_cast<int>(p.alignment)]);
  out += ':';
  for (const auto& run : p.runs) {
    std::string flags;
    if (run.bold) flags += 'b';
    if (run.italic) flags += 'i';
    if (run.underline) flags += 'u';
    if (run.halfPoints != 24) flags += "s" + std::to_string(run.halfPoints);
    const std::string text = plat::utf16ToUtf8(run.text);
    out += flags.empty() ? text : "{" + flags + ":" + text + "}";
  }
  return out;
}

std::string describe(const RtfDocument& doc) {
  std::string out;
  for (const auto& block : doc.blocks) {
    if (!out.empty()) out += '|';
    if (block.kind == RtfBlock::Kind::Paragraph) {
      out += describe(block.paragraph);
      continue;
    }
    out += "T[";
    for (std::size_t r = 0; r < block.table.rows.size(); ++r) {
      if (r > 0) out += '/';
      const auto& cells = block.table.rows[r].cells;
      for (std::size_t c = 0; c < cells.size(); ++c) {
        if (c > 0) out += ',';
        for (std::size_t i = 0; i < cells[c].paragraphs.size(); ++i) {
          if (i > 0) out += '+';
          out += describe(cells[c].paragraphs[i]);
        }
      }
    }
    out += ']';
  }
  return out;
}

TEST(RtfModel, FormatsAlignmentsAndTables) {
  const std::vector<TextCase> cases = {
      {"groups restore bold", "{\\rtf1 a{\\b b{\\i c}d}e}", "L:a{b:b}{bi:c}{b:d}e"},
      {"on, off and plain", "{\\rtf1\\b a\\b0 b\\b1 c\\plain d}", "L:{b:a}b{b:c}d"},
      {"underline, italic, size", "{\\rtf1\\ul a\\ulnone b\\ul c\\ul0 d\\i e\\i0 f\\fs40 g\\fs h}",
       "L:{u:a}b{u:c}d{i:e}f{s40:g}h"},
      {"a group restores the size", "{\\rtf1\\fs20 {\\fs32 a}b}", "L:{s32:a}{s20:b}"},
      {"alignments", "{\\rtf1\\qc a\\par\\qr b\\par\\qj c\\par\\pard d\\par\\qc\\ql e}",
       "C:a|R:b|J:c|L:d|L:e"},
      {"the alignment at the paragraph mark", "{\\rtf1 a\\qr\\par}", "R:a"},
      {"a group restores the alignment", "{\\rtf1{\\qc a\\par}b}", "C:a|L:b"},
      {"an empty paragraph", "{\\rtf1 \\par}", "L:"},
      {"a table between paragraphs",
       "{\\rtf1 before\\par\\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell {\\b b}\\cell\\row"
       "\\trowd\\cellx1000\\cellx2000\\pard\\intbl c\\cell d\\par e\\cell\\row\\pard after\\par}",
       "L:before|T[L:a,L:{b:b}/L:c,L:d+L:e]|L:after"},
      {"rows written with their properties after the cells",
       "{\\rtf1\\pard\\intbl{a\\cell b\\cell}\\pard\\intbl{\\trowd\\cellx1\\cellx2\\row}"
       "\\pard\\intbl{c\\cell d\\cell}\\pard\\intbl{\\trowd\\cellx1\\cellx2\\row}\\pard e\\par}",
       "T[L:a,L:b/L:c,L:d]|L:e"},
      {"two tables", "{\\rtf1\\trowd\\intbl a\\cell\\row\\pard x\\par\\trowd\\intbl b\\cell\\row}",
       "T[L:a]|L:x|T[L:b]"},
      {"an empty cell", "{\\rtf1\\trowd\\intbl\\cell b\\cell\\row}", "T[L:,L:b]"},
      {"a row cut short", "{\\rtf1\\trowd\\intbl a\\cell b", "T[L:a,L:b]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const RtfParseResult r = parseRtf(c.rtf);
    EXPECT_EQ(r.status, RtfStatus::Ok) << r.reason;
    EXPECT_EQ(describe(r.document), c.text);
  }
  const RtfParseResult t =
      parseRtf("{\\rtf1\\trowd\\intbl a\\cell b\\cell\\row\\trowd\\intbl c\\cell\\row}");
  ASSERT_EQ(t.document.blocks.size(), 1u);
  EXPECT_EQ(t.document.blocks[0].table.columns(), 2);
  EXPECT_EQ(rtfPlainTextUtf8("{\\rtf1\\trowd\\intbl a\\cell b\\par c\\cell\\row}"), "a\tb\nc\t\n");
}

TEST(RtfModel, TheEndOfTheInputIsReported) {
  struct Case {
    std::string rtf;
    bool truncated;
    bool strayClose;
    bool balanced;
  };
  const std::vector<Case> cases = {
      {"{\\rtf1 a}", false, false, true},    {"{\\rtf1 a}\r\n", false, false, true},
      {"{\\rtf1 {a}", true, false, false},   {"{\\rtf1 a}}", false, true, false},
      {"{\\rtf1 a}{b}", false, true, false}, {"{\\rtf1 \\}}", false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rtf);
    const RtfParseResult r = parseRtf(c.rtf);
    EXPECT_EQ(r.status, RtfStatus::Ok);
    EXPECT_EQ(r.truncated, c.truncated);
    EXPECT_EQ(r.strayClose, c.strayClose);
    EXPECT_EQ(rtfBalanced(c.rtf), c.balanced);
  }
}

TEST(RtfModel, WhatIsNotRtfOrIsRefused) {
  for (const std::string bytes :
       {"", "{", "{\\rt", " {\\rtf1 a}", "{\\RTF1 a}", "\xef\xbb\xbf{\\rtf1}", "rtf1 a}"}) {
    SCOPED_TRACE(bytes);
    const RtfParseResult r = parseRtf(bytes);
    EXPECT_EQ(r.status, RtfStatus::NotRtf);
    EXPECT_TRUE(r.document.blocks.empty());
    EXPECT_EQ(rtfPlainTextUtf8(bytes), "");
    EXPECT_FALSE(rtfBalanced(bytes));
  }

  struct Refusal {
    const char* what;
    std::string rtf;
    bool ok;
    const char* reasonHolds;
  };
  const auto nested = [](int levels) {
    return "{\\rtf1 a" + std::string(levels - 1, '{') + "b" + std::string(levels - 1, '}') + "}";
  };
  const std::vector<Refusal> cases = {
      {"256 levels", nested(256), true, ""},
      {"257 levels", nested(257), false, "256"},
      {"a million opening braces", "{\\rtf1 a" + std::string(1000000, '{'), false, "256"},
      {"largest parameter", "{\\rtf1\\fs2147483647 a\\fs-2147483648 b}", true, ""},
      {"parameter past 31 bits", "{\\rtf1\\fs2147483648 a}", false, "\\fs"},
      {"negative parameter past 31 bits", "{\\rtf1\\u-2147483649 a}", false, "\\u"},
      {"a long run of digits", "{\\rtf1 a\\b" + std::string(100000, '9') + " b}", false, "\\b"},
      {"skipped text is checked too", "{\\rtf1{\\*\\x\\bin99999999999}}", false, "\\bin"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const RtfParseResult r = parseRtf(c.rtf);
    EXPECT_EQ(r.status, c.ok ? RtfStatus::Ok : RtfStatus::Error);
    EXPECT_NE(r.reason.find(c.reasonHolds), std::string::npos) << r.reason;
    if (!c.ok) {
      EXPECT_FALSE(rtfBalanced(c.rtf));
    }
  }
  EXPECT_EQ(rtfPlainTextUtf8(nested(256)), "ab\n");
}

}  // namespace
