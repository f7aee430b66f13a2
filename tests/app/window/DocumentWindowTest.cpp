// The document window opened from the main window: one window per opening,
// its caption, the save of the file's own bytes, printing, copying the
// selection, an unreadable file, and a real authorization document.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <filesystem>

#include "ScreenshotSupport.h"
#include "WindowSupport.h"
#include "app/TForm3.h"

namespace {

namespace fs = std::filesystem;
using swde::TForm3;
using swde::TMainForm;
using testsupport::readFile;
using testsupport::writeFile;
using windowtest::q;
using windowtest::WindowTest;

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// A small document as a word processor saves it: tables skipped, a
// cp1250 letter as \'hh, another as \u.
const char kRtf[] =
    "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
    "{\\colortbl;\\red0\\green0\\blue0;}\r\n"
    "\\pard\\qc\\b Dokument autoryzacji\\b0\\par\r\n"
    "\\pard Plik: przyk\\'b3ad.swd\\par\r\n"
    "Rozmiar: 1234 \\u261?\\par}\r\n";

class DocumentWindowTest : public WindowTest {
 protected:
  std::string rtf(const std::string& name = "dok.rtf") const {
    const std::string path = dir / name;
    writeFile(path, kRtf);
    return path;
  }
  QList<TForm3*> documents() const {
    return form->findChildren<TForm3*>(QString(), Qt::FindDirectChildrenOnly);
  }
};

TEST_F(DocumentWindowTest, EachOpeningMakesItsOwnWindowClosedWithTheMainWindow) {
  TMainForm& w = make();
  const std::string path = rtf();
  prompts.opens.push_back({q(path)});
  prompts.opens.push_back({q(path)});
  w.findChild<QAction*>(QStringLiteral("actOpenAuthDoc"))->trigger();
  w.findChild<QAction*>(QStringLiteral("tbOpenAuthDoc"))->trigger();
  // A cancelled dialog opens nothing.
  w.openDocumentDialog(false);

  ASSERT_EQ(prompts.openTitles.size(), 3u);
  EXPECT_EQ(prompts.openTitles[0], U("Wybierz plik"));
  EXPECT_EQ(prompts.openFilters[0], U("Pliki dokumentu autoryzacji (*.rtf *.RTF)"));
  EXPECT_EQ(prompts.openFilters[1], U("Pliki autoryzacji (*.rtf *.RTF)"));
  EXPECT_EQ(w.findChild<QAction*>(QStringLiteral("actOpenAuthDoc"))->shortcut(),
            QKeySequence(Qt::CTRL | Qt::Key_O));

  const QList<TForm3*> docs = documents();
  ASSERT_EQ(docs.size(), 2);
  EXPECT_NE(docs[0], docs[1]);
  for (TForm3* d : docs) {
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(d->isWindow());
    EXPECT_EQ(d->windowTitle(), QStringLiteral("OLVEN   ") + q(path));
    const QString text = d->editor()->toPlainText();
    EXPECT_TRUE(text.contains(U("Plik: przykład.swd"))) << text.toStdString();
    EXPECT_TRUE(text.contains(U("Rozmiar: 1234 ą"))) << text.toStdString();
    EXPECT_TRUE(d->editor()->isReadOnly());
    EXPECT_EQ(d->editor()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(d->editor()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  }
  EXPECT_TRUE(prompts.errors.empty());

  w.close();
  for (TForm3* d : docs) EXPECT_FALSE(d->isVisible());
}

TEST_F(DocumentWindowTest, SaveWritesTheFilesOwnBytes) {
  make();
  // Bytes the reader skips (an unknown destination) must survive a save.
  const std::string original = std::string(kRtf) + "{\\*\\unknown kept}";
  const std::string path = dir / "orig.rtf";
  writeFile(path, original);
  TForm3* doc = form->openDocument(q(path));
  ASSERT_EQ(doc->originalBytes(), original);

  fs::create_directories(dir / "saved");
  writeFile(dir / "saved/old.rtf", "old content");
  const struct {
    const char* name;
    std::string chosen;   // the dialog's answer
    std::string written;  // where the bytes go
  } cases[] = {
      {"a new file", dir / "saved/new.rtf", dir / "saved/new.rtf"},
      {"an existing file replaced", dir / "saved/old.rtf", dir / "saved/old.rtf"},
      {"a name without extension", dir / "saved/plain", dir / "saved/plain.rtf"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    prompts.saves.push_back({q(c.chosen), 0});
    doc->findChild<QAction*>(QStringLiteral("tbSave"))->trigger();
    EXPECT_EQ(readFile(c.written), original);
    EXPECT_TRUE(prompts.errors.empty());
  }
  EXPECT_EQ(prompts.saveTitles.back(), U("Zapisz jako..."));
  EXPECT_EQ(prompts.saveFilters.back(), U("Dokument autoryzacji (*.rtf)"));
  EXPECT_EQ(prompts.saveSuffixes.back(), QStringLiteral("rtf"));
  // No temporary file left beside the saved ones.
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir / "saved")) ++files;
  EXPECT_EQ(files, 3u);

  // Onto itself: nothing written, nothing reported.
  const auto before = fs::last_write_time(path);
  EXPECT_TRUE(doc->saveTo(q(path)));
  EXPECT_EQ(readFile(path), original);
  EXPECT_EQ(fs::last_write_time(path), before);

  // A folder that does not exist: the message, nothing created.
  EXPECT_FALSE(doc->saveTo(q(dir / "missing/x.rtf")));
  ASSERT_EQ(prompts.errors.size(), 1u);
  EXPECT_TRUE(prompts.errors[0].contains(q(dir / "missing/x.rtf")))
      << prompts.errors[0].toStdString();
}

TEST_F(DocumentWindowTest, PrintsToPdfOnlyWhenTheDialogIsAccepted) {
  make();
  TForm3* doc = form->openDocument(q(rtf()));
  const std::string pdf = dir / "dok.pdf";

  doc->print();  // the dialog cancelled
  EXPECT_EQ(prompts.prints, 1);
  EXPECT_FALSE(fs::exists(pdf));

  prompts.printTo = q(pdf);
  doc->findChild<QAction*>(QStringLiteral("pmPrint"))->trigger();
  EXPECT_EQ(prompts.prints, 2);
  const std::string bytes = readFile(pdf);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.rfind("%PDF", 0), 0u);
  EXPECT_NE(bytes.find("/Type /Page\n"), std::string::npos);
}

TEST_F(DocumentWindowTest, CopyPutsTheSelectionOnTheClipboard) {
  make();
  TForm3* doc = form->openDocument(q(rtf()));
  QTextEdit* edit = doc->editor();
  const QString text = edit->toPlainText();
  const qsizetype at = text.indexOf(U("przykład"));
  ASSERT_GE(at, 0);

  const struct {
    const char* way;
    std::function<void()> copy;
  } ways[] = {
      {"Ctrl+C in the text", [&] { QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier); }},
      {"the tool button", [&] { doc->findChild<QAction*>(QStringLiteral("tbCopy"))->trigger(); }},
      {"the pop-up", [&] { doc->findChild<QAction*>(QStringLiteral("pmCopy"))->trigger(); }},
  };
  for (const auto& w : ways) {
    SCOPED_TRACE(w.way);
    QTextCursor c(edit->document());
    c.setPosition(static_cast<int>(at));
    c.setPosition(static_cast<int>(at + 8), QTextCursor::KeepAnchor);
    edit->setTextCursor(c);
    QApplication::clipboard()->clear();
    w.copy();
    EXPECT_EQ(QApplication::clipboard()->text(), U("przykład"));
  }
}

TEST_F(DocumentWindowTest, AnUnreadableFileLeavesTheWindowEmptyUnderItsMessage) {
  make();
  writeFile(dir / "plain.rtf", "not a document");
  const struct {
    const char* name;
    std::string path;
    const char* message;
  } cases[] = {
      {"missing", dir / "none.rtf", "Nie można otworzyć dokumentu: "},
      {"not RTF", dir / "plain.rtf", "Plik nie jest dokumentem RTF: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    prompts.errors.clear();
    TForm3* doc = form->openDocument(q(c.path));
    EXPECT_TRUE(doc->isVisible());
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("OLVEN   ") + q(c.path));
    EXPECT_TRUE(doc->editor()->toPlainText().isEmpty());
    ASSERT_EQ(prompts.errors.size(), 1u);
    EXPECT_TRUE(prompts.errors[0].startsWith(U(c.message) + q(c.path)))
        << prompts.errors[0].toStdString();
    // Nothing to save from it.
    EXPECT_FALSE(doc->saveTo(q(dir / "copy.rtf")));
    EXPECT_FALSE(fs::exists(dir / "copy.rtf"));
  }
}

TEST_F(DocumentWindowTest, ARealAuthorizationDocumentIsShown) {
  TMainForm& w = make();
  start(TMainForm::Action::DocAuth, {copyOf("przyklad.swd")});
  finish();
  ASSERT_TRUE(prompts.errors.empty()) << prompts.errors[0].toStdString();
  std::string document;
  for (const auto& e : fs::recursive_directory_iterator(dir.path()))
    if (e.path().string().ends_with(".aut.rtf")) document = e.path().string();
  ASSERT_FALSE(document.empty()) << "no document written";

  prompts.opens.push_back({q(document)});
  w.openDocumentDialog(true);
  const QList<TForm3*> docs = documents();
  ASSERT_EQ(docs.size(), 1);
  TForm3* doc = docs[0];
  EXPECT_TRUE(prompts.errors.empty());
  const QString text = doc->editor()->toPlainText();
  EXPECT_TRUE(text.contains(q(fs::path(document).stem().stem().string()))) << text.toStdString();
  EXPECT_EQ(doc->originalBytes(), readFile(document));

  doc->resize(760, 620);
  windowtest::saveScreenshot(*doc, "document_window.png");
}

}  // namespace
