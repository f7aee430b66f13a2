#include "app/RtfDocumentBuilder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTextTableFormat>
#include <algorithm>
#include <cerrno>

#include "app/RtfReader.h"
#include "platform/CodePage.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"

namespace swde {

namespace {

Qt::Alignment alignmentOf(RtfAlignment a) {
  switch (a) {
    case RtfAlignment::Centre:
      return Qt::AlignHCenter;
    case RtfAlignment::Right:
      return Qt::AlignRight;
    case RtfAlignment::Justify:
      return Qt::AlignJustify;
    case RtfAlignment::Left:
      break;
  }
  return Qt::AlignLeft;
}

QTextCharFormat charFormatOf(const RtfRun& run) {
  QTextCharFormat f;
  f.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
  f.setFontItalic(run.italic);
  f.setFontUnderline(run.underline);
  // Sizes past what a page shows are held to 1..1638 points.
  f.setFontPointSize(std::clamp(run.halfPoints, 2, 3276) / 2.0);
  return f;
}

// The runs of a paragraph into the block at the cursor. A line end inside a
// run stays a line break of the paragraph, not a new paragraph.
void insertRuns(QTextCursor& cursor, const RtfParagraph& p) {
  QTextBlockFormat bf = cursor.blockFormat();
  bf.setAlignment(alignmentOf(p.alignment));
  cursor.setBlockFormat(bf);
  for (const auto& run : p.runs) {
    QString text = QString::fromUtf16(run.text.data(), static_cast<qsizetype>(run.text.size()));
    for (QChar& ch : text)
      if (ch == u'\n' || ch == u'\r' || ch == QChar::ParagraphSeparator) ch = QChar::LineSeparator;
    cursor.insertText(text, charFormatOf(run));
  }
}

void insertTable(QTextCursor& cursor, const RtfTable& table) {
  const int columns = std::max(1, table.columns());
  QTextTableFormat tf;
  tf.setBorder(1);
  tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
  tf.setCellPadding(3);
  tf.setCellSpacing(0);
  QTextTable* t = cursor.insertTable(static_cast<int>(table.rows.size()), columns, tf);
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    const auto& cells = table.rows[r].cells;
    for (std::size_t c = 0; c < cells.size(); ++c) {
      QTextCursor cc = t->cellAt(static_cast<int>(r), static_cast<int>(c)).firstCursorPosition();
      const auto& paragraphs = cells[c].paragraphs;
      for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0) cc.insertBlock();
        insertRuns(cc, paragraphs[i]);
      }
    }
  }
}

QString fromUtf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The whole file into bytes; false with reason (Polish) when it cannot be
// read or is larger than kRtfMaxFileSize.
bool readDocumentFile(const QString& path, std::string& bytes, QString& reason) {
  const std::string name = QFile::encodeName(path).toStdString();
  int err = 0;
  struct ::stat st {};
  const int fd = plat::openRegularForReading(name, err, &st);
  if (fd < 0) {
    reason = fromUtf8(plat::cp1250ToUtf8(plat::fileErrorReason(err)));
    return false;
  }
  const QString tooLarge = QStringLiteral("plik większy niż 64 MiB");
  if (st.st_size > kRtfMaxFileSize) {
    ::close(fd);
    reason = tooLarge;
    return false;
  }
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t have = 0;
  for (;;) {
    if (have == bytes.size()) {
      // The file may have grown since it was measured: read on, up to the
      // limit and one byte past it.
      if (bytes.size() > static_cast<std::size_t>(kRtfMaxFileSize)) break;
      bytes.resize(std::min<std::size_t>(std::max<std::size_t>(bytes.size() * 2, 4096),
                                         static_cast<std::size_t>(kRtfMaxFileSize) + 1));
    }
    const ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      err = errno;
      ::close(fd);
      bytes.clear();
      reason = fromUtf8(plat::cp1250ToUtf8(plat::fileErrorReason(err)));
      return false;
    }
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(have);
  if (have > static_cast<std::size_t>(kRtfMaxFileSize)) {
    bytes.clear();
    reason = tooLarge;
    return false;
  }
  return true;
}

}  // namespace

bool buildRtfDocument(QTextDocument& doc, std::string_view bytes, QString& reason) {
  doc.clear();
  reason.clear();
  const RtfParseResult parsed = parseRtf(bytes);
  if (parsed.status != RtfStatus::Ok) {
    reason = fromUtf8(parsed.reason);
    return false;
  }
  QTextCursor cursor(&doc);
  cursor.beginEditBlock();
  bool blockUnused = true;  // the empty block at the cursor takes the next paragraph
  for (const auto& block : parsed.document.blocks) {
    if (block.kind == RtfBlock::Kind::Table) {
      if (block.table.rows.empty()) continue;
      insertTable(cursor, block.table);
      cursor.movePosition(QTextCursor::End);
      blockUnused = true;
      continue;
    }
    if (!blockUnused) cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    insertRuns(cursor, block.paragraph);
    blockUnused = false;
  }
  cursor.endEditBlock();
  return true;
}

bool openRtfDocument(const QString& path, QTextDocument& doc, std::string& originalBytes,
                     QString& message) {
  doc.clear();
  originalBytes.clear();
  message.clear();
  const QString cannotOpen = QStringLiteral("Nie można otworzyć dokumentu: ") + path;
  std::string bytes;
  QString reason;
  if (!readDocumentFile(path, bytes, reason)) {
    message = cannotOpen + QStringLiteral(" (") + reason + QStringLiteral(")");
    return false;
  }
  if (!bytes.starts_with("{\\rtf")) {
    message = QStringLiteral("Plik nie jest dokumentem RTF: ") + path;
    return false;
  }
  if (!buildRtfDocument(doc, bytes, reason)) {
    message = cannotOpen + QStringLiteral(" (") + reason + QStringLiteral(")");
    return false;
  }
  originalBytes = std::move(bytes);
  return true;
}

}  // namespace swde
