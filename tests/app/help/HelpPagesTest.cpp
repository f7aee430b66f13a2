// The pages shipped in help/: every context of the program opens an existing
// page at an existing anchor under the right heading, every link between
// the pages leads to a page and an anchor that exist, nothing comes from
// outside, and the build puts the same pages beside the program.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>
#include <map>
#include <string>

#include "HelpPages.h"
#include "app/help/HelpContexts.h"

namespace {

const QString kSource = QStringLiteral(OLV_HELP_SOURCE);

QStringList htmlPages(const QString& folder) {
  QStringList pages;
  QDirIterator it(folder, {QStringLiteral("*.html")}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) pages << QDir(folder).relativeFilePath(it.next());
  pages.sort();
  return pages;
}

TEST(HelpPages, EveryContextOpensAnExistingAnchorUnderItsHeading) {
  swde::HelpContexts map;
  std::string error;
  const std::string mapPath = (kSource + QStringLiteral("/konteksty.txt")).toStdString();
  ASSERT_TRUE(map.load(mapPath, &error)) << error;

  for (const helptest::Context& c : helptest::kContexts) {
    SCOPED_TRACE(c.number);
    // Each context has its own line: none falls back to the index by chance.
    const swde::HelpTarget* target = map.find(c.number);
    ASSERT_NE(target, nullptr);
    const helptest::Page page =
        helptest::readPage(kSource + QLatin1Char('/') + QString::fromStdString(target->page));
    ASSERT_TRUE(page.read) << target->page;
    const QString heading = QString::fromUtf8(c.heading);
    if (target->anchor.empty()) {
      EXPECT_TRUE(page.title.contains(heading)) << page.title.toStdString();
    } else {
      const QString anchor = QString::fromStdString(target->anchor);
      ASSERT_TRUE(page.anchors.contains(anchor)) << target->page << "#" << target->anchor;
      EXPECT_TRUE(page.blockOf(anchor).contains(heading))
          << page.blockOf(anchor).toStdString() << " lacks " << c.heading;
    }
  }
  // The map names no context the program does not use.
  for (const auto& [number, target] : map.entries()) {
    bool used = false;
    for (const helptest::Context& c : helptest::kContexts) used = used || c.number == number;
    EXPECT_TRUE(used) << number << " " << target.page;
  }
}

TEST(HelpPages, EveryLinkLeadsToAnExistingPageAndAnchor) {
  const QStringList pages = htmlPages(kSource);
  ASSERT_TRUE(pages.contains(QStringLiteral("index.html")));
  std::map<QString, helptest::Page> read;
  for (const QString& name : pages) read[name] = helptest::readPage(kSource + '/' + name);

  int links = 0;
  for (const QString& name : pages) {
    for (const QString& href : read[name].links) {
      SCOPED_TRACE((name + QStringLiteral(" -> ") + href).toStdString());
      ++links;
      const QUrl url(href);
      ASSERT_TRUE(url.isRelative() && url.host().isEmpty()) << "a link out of the help";
      // Resolved as the browser does, from the page's own folder.
      const QUrl base = QUrl::fromLocalFile(kSource + '/' + name);
      const QString target = QDir(kSource).relativeFilePath(base.resolved(url).toLocalFile());
      ASSERT_TRUE(read.count(target)) << "no page " << target.toStdString();
      if (url.hasFragment()) {
        EXPECT_TRUE(read[target].anchors.contains(url.fragment()))
            << "no anchor " << url.fragment().toStdString() << " in " << target.toStdString();
      }
    }
  }
  EXPECT_GT(links, 0);
}

TEST(HelpPages, EveryPageIsReachableFromTheIndex) {
  const QStringList pages = htmlPages(kSource);
  QStringList seen{QStringLiteral("index.html")};
  for (int i = 0; i < seen.size(); ++i) {
    const helptest::Page page = helptest::readPage(kSource + '/' + seen[i]);
    for (const QString& href : page.links) {
      const QUrl base = QUrl::fromLocalFile(kSource + '/' + seen[i]);
      const QString target = QDir(kSource).relativeFilePath(
          base.resolved(QUrl(href)).adjusted(QUrl::RemoveFragment).toLocalFile());
      if (pages.contains(target) && !seen.contains(target)) seen << target;
    }
  }
  seen.sort();
  EXPECT_EQ(seen, pages);
}

// UTF-8 text in Polish, no script, nothing loaded from elsewhere.
TEST(HelpPages, PagesAreSelfContainedUtf8) {
  const QRegularExpression outside(
      QStringLiteral("<script|<iframe|<object|<embed|<link|@import|url\\(|src\\s*=|"
                     "https?:|ftp:|file:|mailto:|javascript:|//www"),
      QRegularExpression::CaseInsensitiveOption);
  for (const QString& name : htmlPages(kSource)) {
    SCOPED_TRACE(name.toStdString());
    QFile file(kSource + '/' + name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    EXPECT_FALSE(utf8.hasError()) << "not UTF-8";
    EXPECT_TRUE(text.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    EXPECT_TRUE(text.contains(QStringLiteral("lang=\"pl\"")));
    const auto hit = outside.match(text);
    EXPECT_FALSE(hit.hasMatch()) << hit.captured().toStdString();
  }
}

// The build copies help/ to pomoc/ beside the programs, here the test
// program: the same files with the same bytes.
TEST(HelpPages, BuildPutsTheSamePagesBesideTheProgram) {
  const QString copy = QCoreApplication::applicationDirPath() + QStringLiteral("/pomoc");
  auto files = [](const QString& folder) {
    std::map<QString, QByteArray> all;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      QFile f(path);
      if (f.open(QIODevice::ReadOnly)) all[QDir(folder).relativeFilePath(path)] = f.readAll();
    }
    return all;
  };
  const auto source = files(kSource);
  const auto copied = files(copy);
  ASSERT_FALSE(source.empty());
  ASSERT_EQ(source.size(), copied.size()) << copy.toStdString();
  for (const auto& [name, bytes] : source) {
    SCOPED_TRACE(name.toStdString());
    ASSERT_TRUE(copied.count(name));
    EXPECT_TRUE(copied.at(name) == bytes);
  }
}

}  // namespace
