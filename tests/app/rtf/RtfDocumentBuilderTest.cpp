// The QTextDocument built from a word processor's RTF file, and what opening
// a file refuses, with the messages the document window shows.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QFont>
#include <QString>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <string>
#include <vector>

#include "app/RtfDocumentBuilder.h"
#include "support/Files.h"

using namespace swde;

namespace {

const std::string kFixture = std::string(OLV_RTF_DATA) + "/dokument.rtf";

QString qs(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The first block of the body whose text starts with start.
QTextBlock blockStarting(const QTextDocument& doc, const QString& start) {
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
    if (b.text().startsWith(start)) return b;
  return {};
}

// The format of the fragment of block that holds text.
QTextCharFormat formatOf(const QTextBlock& block, const QString& text) {
  for (auto it = block.begin(); !it.atEnd(); ++it)
    if (it.fragment().text().contains(text)) return it.fragment().charFormat();
  ADD_FAILURE() << text.toStdString();
  return {};
}

TEST(RtfDocument, AWordProcessorsFileBecomesADocument) {
  // Under a name with Polish letters, as the window gets it from a dialog.
  testsupport::TempFolder dir;
  const std::string name = dir.path() + "/dokument \xc4\x85\xc5\x82.rtf";
  const std::string bytes = testsupport::readFile(kFixture);
  ASSERT_FALSE(bytes.empty());
  testsupport::writeFile(name, bytes);

  QTextDocument doc;
  std::string original = "old";
  QString message = "old";
  ASSERT_TRUE(openRtfDocument(QFile::decodeName(name.c_str()), doc, original, message))
      << message.toStdString();
  EXPECT_EQ(original, bytes);
  EXPECT_TRUE(message.isEmpty());

  const QString text = doc.toPlainText();
  const QString letters =
      qs("\xc4\x85\xc4\x87\xc4\x99\xc5\x82\xc5\x84\xc3\xb3\xc5\x9b\xc5\xba\xc5\xbc "
         "\xc4\x84\xc4\x86\xc4\x98\xc5\x81\xc5\x83\xc3\x93\xc5\x9a\xc5\xb9\xc5\xbb");
  EXPECT_TRUE(text.contains(qs("Litery jako bajty: ") + letters + "\n")) << text.toStdString();
  EXPECT_TRUE(text.contains(qs("Litery jako znaki: ") + letters + "\n")) << text.toStdString();
  EXPECT_TRUE(text.contains(
      qs("Koniec dokumentu z \xc5\xbc\xc3\xb3\xc5\x82tym \xc5\xbc\xc3\xb3\xc5\x82wiem.")));
  // Nothing of the tables, the header and footer, the document's
  // properties or the theme.
  for (const char* hidden :
       {"Arial", "Times", "Normal", "Kowalski", "Stopka", "Nag", "Edytor", "504b"})
    EXPECT_FALSE(text.contains(QString::fromLatin1(hidden))) << hidden;

  const QTextBlock title = blockStarting(doc, "Zestawienie sum kontrolnych");
  ASSERT_TRUE(title.isValid());
  EXPECT_EQ(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  EXPECT_EQ(formatOf(title, "Zestawienie").fontWeight(), QFont::Bold);
  EXPECT_EQ(formatOf(title, "Zestawienie").fontPointSize(), 16.0);

  const QTextBlock mixed = blockStarting(doc, qs("Zwyk\xc5\x82y tekst"));
  ASSERT_TRUE(mixed.isValid());
  EXPECT_EQ(mixed.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
  EXPECT_EQ(formatOf(mixed, "pogrubienie").fontWeight(), QFont::Bold);
  EXPECT_EQ(formatOf(mixed, qs("Zwyk")).fontWeight(), QFont::Normal);
  EXPECT_TRUE(formatOf(mixed, "kursywa").fontItalic());
  EXPECT_FALSE(formatOf(mixed, "kursywa").fontUnderline());
  EXPECT_TRUE(formatOf(mixed, qs("podkre")).fontUnderline());
  EXPECT_EQ(formatOf(mixed, "pogrubienie").fontPointSize(), 10.0);
  // \line is a break inside the paragraph, not a new one.
  EXPECT_TRUE(mixed.text().contains(QChar::LineSeparator + QString("Druga linia")));

  EXPECT_EQ(blockStarting(doc, "Koniec").blockFormat().alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignJustify);

  std::vector<QTextTable*> tables;
  for (QTextFrame* f : doc.rootFrame()->childFrames())
    if (auto* t = qobject_cast<QTextTable*>(f)) tables.push_back(t);
  ASSERT_EQ(tables.size(), 1u);
  QTextTable* table = tables[0];
  ASSERT_EQ(table->rows(), 2);
  ASSERT_EQ(table->columns(), 2);
  const auto cellText = [&](int r, int c) {
    const QTextTableCell cell = table->cellAt(r, c);
    QTextCursor cur = cell.firstCursorPosition();
    cur.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cur.selectedText();
  };
  EXPECT_EQ(cellText(0, 0), "Sekcja");
  EXPECT_EQ(cellText(0, 1), "Suma kontrolna");
  EXPECT_EQ(cellText(1, 0), "Sekcja ST");
  EXPECT_EQ(cellText(1, 1), "1648093069");
  EXPECT_EQ(table->cellAt(0, 0).firstCursorPosition().charFormat().fontWeight(), QFont::Bold);
  // The table stands between the paragraphs it stood between.
  EXPECT_LT(blockStarting(doc, qs("Zwyk")).position(), table->firstPosition());
  EXPECT_GT(blockStarting(doc, "Koniec").position(), table->lastPosition());
}

TEST(RtfDocument, WhatCannotBeOpenedLeavesAnEmptyDocumentAndAMessage) {
  testsupport::TempFolder dir;
  const std::string folder = dir.path();
  const auto put = [&](const std::string& name, const std::string& bytes) {
    testsupport::writeFile(folder + "/" + name, bytes);
    return folder + "/" + name;
  };
  // A file of exactly the limit opens; one byte more is refused unread.
  const auto sized = [&](const std::string& name, long long size) {
    const std::string path = put(name, "{\\rtf1 a}");
    EXPECT_EQ(::truncate(path.c_str(), size), 0);
    return path;
  };
  const QString cannot = "Nie można otworzyć dokumentu: ";
  struct Case {
    const char* what;
    std::string path;
    QString message;  // after the path; empty when it opens
  };
  const std::vector<Case> cases = {
      {"missing", folder + "/brak.rtf", "(plik nie istnieje)"},
      {"a folder", folder, ""},
      {"empty", put("pusty.rtf", ""), "not rtf"},
      {"plain text", put("tekst.rtf", "Ala ma kota"), "not rtf"},
      {"too deep", put("gleboki.rtf", "{\\rtf1 " + std::string(300, '{')), " (grupy"},
      {"limit", sized("limit.rtf", kRtfMaxFileSize), ""},
      {"past the limit", sized("wiekszy.rtf", kRtfMaxFileSize + 1),
       qs(" (plik większy niż 64 MiB)")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const QString path = QFile::decodeName(c.path.c_str());
    QTextDocument doc;
    doc.setPlainText("old");
    std::string original = "old";
    QString message;
    const bool opened = openRtfDocument(path, doc, original, message);
    if (std::string(c.what) == "limit") {
      EXPECT_TRUE(opened) << message.toStdString();
      EXPECT_EQ(doc.toPlainText(), "a");
      EXPECT_EQ(original.size(), static_cast<std::size_t>(kRtfMaxFileSize));
      continue;
    }
    EXPECT_FALSE(opened);
    EXPECT_TRUE(doc.isEmpty());
    EXPECT_TRUE(original.empty());
    if (c.message == "not rtf") {
      EXPECT_EQ(message, "Plik nie jest dokumentem RTF: " + path);
    } else {
      EXPECT_TRUE(message.startsWith(cannot + path + " (")) << message.toStdString();
      EXPECT_TRUE(message.endsWith(")")) << message.toStdString();
      EXPECT_TRUE(message.contains(c.message)) << message.toStdString();
    }
  }
}

TEST(RtfDocument, BuildingFromBytes) {
  QTextDocument doc;
  QString reason;
  ASSERT_TRUE(buildRtfDocument(doc, "{\\rtf1 a\\par\\trowd\\intbl b\\cell\\row c}", reason));
  EXPECT_EQ(doc.toPlainText(), "a\nb\nc");
  EXPECT_TRUE(reason.isEmpty());
  // A second build replaces the first.
  ASSERT_TRUE(buildRtfDocument(doc, "{\\rtf1 d}", reason));
  EXPECT_EQ(doc.toPlainText(), "d");
  EXPECT_FALSE(buildRtfDocument(doc, "{\\rtf1\\b99999999999 a}", reason));
  EXPECT_TRUE(doc.isEmpty());
  EXPECT_TRUE(reason.contains("\\b")) << reason.toStdString();
  EXPECT_FALSE(buildRtfDocument(doc, "tekst", reason));
  EXPECT_FALSE(reason.isEmpty());
}

}  // namespace
