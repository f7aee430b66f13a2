// The documents the program writes, read back as the document window shows
// them: the authorization of the sample and the verification of its copy,
// both made here in process.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QTextDocument>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/RtfDocumentBuilder.h"
#include "platform/FileSystem.h"
#include "processing/bzDocAuthProcess.h"
#include "processing/bzDocCounters.h"
#include "processing/bzDocGenerator.h"
#include "processing/bzDocVerifProcess.h"
#include "support/Files.h"
#include "support/ReportLine.h"
#include "support/TempRegistry.h"

using namespace swde;

namespace {

const std::string kScript = std::string(OLV_SAMPLES) + "/../setup/szablon.reg";
const std::string kSample = std::string(OLV_SAMPLES) + "/przyklad.swd";

// One run of a document process over one file; true when it wrote its
// document.
template <class Process>
bool runOn(const std::string& path, bool skips) {
  bzSettings settings;
  settings.skipComments = settings.skipWhiteChars = skips;
  bzFileList files;
  files.addFile(plat::extractFileName(path), path);
  bzProcessState state;
  bzReport report(false);
  if (!report.Create(&files)) return false;
  bzRun<Process> p(&files, &report, &settings, &state);
  p.start();
  p.waitFor();
  testsupport::drain(report);
  return p.documentWritten(0);
}

// The sum of each section the copy holds, by its name: the SXC line that
// ends the section.
std::map<std::string, std::string> sectionSums(const std::string& copy) {
  std::map<std::string, std::string> sums;
  std::string section;
  std::size_t at = 0;
  while (at < copy.size()) {
    std::size_t end = copy.find('\n', at);
    if (end == std::string::npos) end = copy.size();
    std::string line = copy.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    at = end + 1;
    if (line.size() == 3 && line[0] == 'S' && line[2] == ';' && line != "SX;")
      section = line.substr(0, 2);
    else if (line.rfind("SXC,", 0) == 0)
      sums[section] = line.substr(4, line.size() - 5);
  }
  return sums;
}

QString qs(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

TEST(RtfRealDocument, TheAuthorizationAndTheVerificationOfTheSample) {
  testsupport::TempRegistry registry;
  testsupport::TempFolder dir;
  bzDocGenerator::setClock([] { return std::time_t{1772712000}; });  // 2026-03-05
  bzDocGenerator::setScriptPath(kScript);
  struct Restore {
    ~Restore() {
      bzDocGenerator::setClock(nullptr);
      bzDocGenerator::setScriptPath("");
    }
  } restore;

  const std::string input = dir.path() + "/przyklad.swd";
  testsupport::writeFile(input, testsupport::readFile(kSample));
  ASSERT_TRUE(runOn<bzDocAuthProcess>(input, true));
  const std::string copyPath = dir.path() + "/przyklad_crc.swd";
  const std::string copy = testsupport::readFile(copyPath);
  ASSERT_FALSE(copy.empty());
  ASSERT_TRUE(runOn<bzDocVerifProcess>(copyPath, false));

  const std::map<std::string, std::string> sums = sectionSums(copy);
  ASSERT_FALSE(sums.empty());
  std::string fileSum;
  if (const std::size_t at = copy.rfind("SWDEXC,"); at != std::string::npos)
    fileSum = copy.substr(at + 7, copy.find(';', at) - at - 7);
  ASSERT_FALSE(fileSum.empty());

  for (const char* suffix : {".aut.rtf", ".wer.rtf"}) {
    SCOPED_TRACE(suffix);
    const std::string path = copyPath + suffix;
    QTextDocument doc;
    std::string original;
    QString message;
    ASSERT_TRUE(openRtfDocument(QFile::decodeName(path.c_str()), doc, original, message))
        << message.toStdString();
    EXPECT_EQ(original, testsupport::readFile(path));
    const QString text = doc.toPlainText();
    std::vector<std::string> expected = {
        "Sumy kontrolne pliku danych\n",
        "Data:\t05-03-2026\n",
        "Plik:\tprzyklad_crc.swd\n",
        "Rozmiar pliku (bajty):\t" + std::to_string(copy.size()) + "\n",
        "Liczba linii komentarza:\t0\n",
        "Liczba znak\xc3\xb3w komentarza:\t0\n",
        "Suma kontrolna pliku (CRC-32):\t" + fileSum + "\n",
    };
    bzDocCounters counters;
    unsigned present = 0;
    for (unsigned slot = 0; slot < bzDocCounters::kSections; ++slot) {
      const std::string name = counters.getSectionName(slot);
      const auto sum = sums.find(name);
      if (sum == sums.end()) {
        expected.push_back("Sekcja " + name + "\tBrak\n");
        continue;
      }
      ++present;
      expected.push_back("Sekcja " + name + "\t\nLiczba znak\xc3\xb3w:\t");
      expected.push_back("\nSuma kontrolna sekcji (CRC-32):\t" + sum->second + "\n");
    }
    EXPECT_EQ(present, sums.size());
    for (const auto& line : expected)
      EXPECT_TRUE(text.contains(qs(line))) << line << "\n---\n" << text.toStdString();
    // Each present section's counts and sum in that order, with numbers.
    for (const auto& [name, sum] : sums) {
      const int at = text.indexOf(qs("Sekcja " + name + "\t\n"));
      ASSERT_GE(at, 0) << name;
      const QString body = text.mid(at, text.indexOf(qs("Suma kontrolna sekcji"), at) - at);
      EXPECT_TRUE(body.contains(QRegularExpression(
          qs("Liczba znak\xc3\xb3w:\t[0-9]+\nLiczba rekord\xc3\xb3w:\t[1-9][0-9]*\n$"))))
          << body.toStdString();
    }
  }
}

}  // namespace
