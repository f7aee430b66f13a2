// What the tests read from the help pages: the contexts the program uses,
// and the anchors and links of a page as Qt's rich text sees them.
#pragma once

#include <QFile>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

namespace helptest {

// The help contexts of the main window, its document and module windows and
// the command-file wizard, each with a phrase of the heading it must open at.
struct Context {
  int number;
  const char* heading;
};
inline constexpr Context kContexts[] = {
    {1000, "OLVEN"},
    {1002, "Okno główne"},
    {1006, "Menu"},
    {1007, "Pasek narzędzi"},
    {1008, "Pasek boczny"},
    {1010, "Panel akcji"},
    {1012, "Okno dokumentu"},
    {1013, "Panel statystyk"},
    {1014, "Panel raportu"},
    {1015, "Ustawienia"},
    {1016, "O programie"},
    {1018, "Sprawdzanie syntaktyki"},
    {1019, "Sprawdzanie semantyki"},
    {1022, "Scalanie"},
    {1026, "Autoryzacja"},
    {1027, "Weryfikacja"},
    {1028, "Pliki raportu"},
    {1029, "Tryb wsadowy"},
    {1048, "Lista modułów"},
    {1049, "Kreator pliku poleceń"},
    {1050, "Wybór funkcji"},
    {1051, "Wybór plików danych"},
    {1052, "Plik wyjściowy i plik raportu"},
    {1054, "Dodatkowe parametry"},
};

// A page as the help window's browser reads it.
struct Page {
  bool read = false;
  QString html;
  QStringList anchors;  // names a link's fragment may point at
  QStringList links;    // every href, as written
  QString title;
  // The text of the block holding each anchor.
  QString blockOf(const QString& anchor) const {
    const int i = anchors.indexOf(anchor);
    return i < 0 ? QString() : anchorBlocks.at(i);
  }
  QStringList anchorBlocks;
};

inline Page readPage(const QString& path) {
  Page page;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return page;
  page.read = true;
  page.html = QString::fromUtf8(file.readAll());
  QTextDocument doc;
  doc.setHtml(page.html);
  page.title = doc.metaInformation(QTextDocument::DocumentTitle);
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      for (const QString& name : format.anchorNames()) {
        page.anchors << name;
        page.anchorBlocks << block.text();
      }
      if (format.isAnchor() && !format.anchorHref().isEmpty()) page.links << format.anchorHref();
    }
  }
  return page;
}

}  // namespace helptest
