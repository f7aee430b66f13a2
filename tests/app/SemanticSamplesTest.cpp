// The semantic check (`olven sp`) of the samples semantyka.swd, which agrees
// with the shipped reference metadata in every point, and semantyka_bledy.swd,
// which breaks it on purpose once for each finding below. The built olven
// runs in a process of its own (support/OlvenProcess.h) in a folder with
// copies of the samples; its cp1250 texts come out as UTF-8 under
// LC_ALL=C.UTF-8.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "processing/bzReport.h"
#include "support/Files.h"
#include "support/OlvenProcess.h"

namespace {

namespace fs = std::filesystem;
using testsupport::OlvenResult;
using testsupport::readFile;

const std::string kStarted = "Uruchomiono sprawdzanie poprawności semantycznej\n";
const std::string kFinished = "Zakończono przetwarzanie\n";

using testsupport::withoutTimes;

// The findings of semantyka_bledy.swd in report order: those of the file's
// sections and objects as the file is read, then those of the relations
// resolved after the last file, by record type. Each comes from one fault of
// the sample, named beside it.
const std::string kSectionFindings =
    // B,G5IDD,NO: the reference types G5IDD as ZN.
    "5 B  2002 SP - Niezgodność typu atrybutu G5IDD z załącznikiem\n"
    // B,G5OPIS: not in the reference.
    "9 O  2003 SP - Dodatkowy atrybut G5OPIS - brak w załączniku\n"
    // TD,G5JEW without TP,G5IDJ.
    "13 B  3003 ST - Brak wymaganego atrybutu G5IDJ w definicji typu G5JEW - niezgodność z "
    "załącznikiem\n"
    // Parcel DZE-21 without its G5IDD.
    "45 B  6008 SO - Brak wymaganego atrybutu G5IDD w rekordzie G5DZE\n"
    // A second current version of parcel DZE-22.
    "64 B  6034 SO - Wielokrotne wystąpienie aktualnej wersji obiektu G5DZE o identyfikatorze "
    "obiektu równym: DZE-22\n"
    // The building takes record id 6 of land use UZG-22-1.
    "96 B  6035 SO - Wielokrotne wystąpienie obiektu o identyfikatorze rekordu równym: 6\n"
    // Postal code 58100 without its hyphen.
    "105 B  6028 SO - Niepoprawny format kodu pocztowego w rekordzie G5ADR\n";

// Parcel DZE-21 runs through the points GRN-28 and GRN-29, which the file
// lacks.
const std::string kMissingPoint =
    "B  6030 SO - Obiekt wskazywany przez relację topologiczną z obiektu G5DZE nie istnieje \n";

const std::string kRelationFindings =
    // Parcel DZE-22 runs through building BUD-22-1.
    "58 B  6032 SO - Relacja topologiczna z obiektu G5DZE wskazuje na obiekt nie będący punktem\n"
    // WG to precinct OBR-9, which the file lacks.
    "83 B  6023 SO - Obiekt wskazywany przez relację G5ROBR z obiektu G5UZG nie istnieje\n"
    // WL to record 3, a parcel in place of a precinct.
    "94 B  6010 SO - Typ wskazywany przez wiązanie G5ROBR w obiekcie G5UZG niezgodny z "
    "załącznikiem\n";

class SemanticSamples : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string dir = (fs::temp_directory_path() / "olvspXXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    dir_ = dir;
    fs::create_directory(tmp());
    for (const char* name : {"semantyka.swd", "semantyka_bledy.swd"})
      fs::copy_file(std::string(OLV_SAMPLES) + "/" + name, path(name));
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string tmp() const { return dir_ + "/tmp"; }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  OlvenResult run(const std::vector<std::string>& args) {
    testsupport::OlvenChild child(args, dir_, tmp());
    return child.finish();
  }

  // The report up to the list of findings: the schema of the reference and
  // the files.
  std::string head(const std::vector<std::string>& names) const {
    std::string s =
        "START\n"
        "Sprawdzanie poprawności semantycznej SWDE\n"
        " \n"
        "Data utworzenia schematu: 2026.12.10\n"
        "Wersja utworzenia schematu: 1\n"
        "Profil schematu: Katalog obiektów G5 - zakres podstawowy\n"
        "\n"
        "Lista plików do przetworzenia:\n";
    for (std::size_t i = 0; i < names.size(); ++i)
      s += "   " + std::to_string(i + 1) + ". " + path(names[i]) + "\n";
    return s + " \n";
  }

  // The printed report of `sp -pwe semantyka_bledy.swd`, with -rk or not.
  std::string faultyReport(bool condensed) const {
    std::string s = head({"semantyka_bledy.swd"}) + "Przetwarzanie pliku nr 1...\n" +
                    "=========> " + path("semantyka_bledy.swd") + "\n" + kSectionFindings + "48 " +
                    kMissingPoint + (condensed ? "" : "49 " + kMissingPoint) + kRelationFindings +
                    " \n"
                    "========= Raport spójności referencyjnej =========\n"
                    " \n"
                    "-------------- Typy aplikacyjne --------------\n"
                    "Typ: G5ADR - 1\n"
                    "Typ: G5BUD - 1\n"
                    "Typ: G5DZE - 3\n"
                    "Typ: G5GRN - 3\n"
                    "Typ: G5OBR - 1\n"
                    "Typ: G5UZG - 2\n"
                    " \n"
                    "-------------- Atrybuty --------------\n"
                    "Atrybut: G5IDB - 1\n"
                    "Atrybut: G5IDD - 2\n"
                    "Atrybut: G5IDT - 2\n"
                    "Atrybut: G5KOD - 1\n"
                    "Atrybut: G5NRO - 1\n"
                    " \n"
                    "-------------- Wiązania --------------\n"
                    "Wiązanie: G5ROBR - 2 w tym referencji na:\n"
                    "     ---->?G5DZE - 1\n"
                    "     ---->?G5OBR - 1\n";
    if (condensed) {
      // The findings of the file half have no record type.
      const std::string code = "   Kod ostrzeżenia (błędu): ";
      const std::string times = " - ilość wystąpień: ";
      s += "========= Statystyki ostrzeżeń i błędów =========\n \n";
      for (const auto& [type, n] :
           std::vector<std::pair<std::string, std::string>>{{"?2002", "1"},
                                                            {"?2003", "1"},
                                                            {"?6035", "1"},
                                                            {"G5ADR?6028", "1"},
                                                            {"G5DZE?6008", "1"},
                                                            {"G5DZE?6030", "2"},
                                                            {"G5DZE?6032", "1"},
                                                            {"G5DZE?6034", "1"},
                                                            {"G5JEW?3003", "1"},
                                                            {"G5UZG?6010", "1"},
                                                            {"G5UZG?6023", "1"}})
        s += "Typ: " + type.substr(0, type.find('?')) + code + type.substr(type.find('?') + 1) +
             times + n + "\n";
    }
    return s +
           " \n"
           "Podsumowanie liczby błędów i ostrzeżeń:\n"
           "Sumaryczna liczba błędów    : 11\n"
           "Sumaryczna liczba ostrzeżeń : 1\n"
           " \n"
           "STOP\n";
  }

  std::string dir_;
};

TEST_F(SemanticSamples, BothSamplesPassTheSyntaxCheck) {
  const OlvenResult r = run({"sk", "-pwe", "semantyka.swd", "semantyka_bledy.swd"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find("=========>"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Sumaryczna liczba błędów    : 0\nSumaryczna liczba ostrzeżeń : 0\n"),
            std::string::npos)
      << r.out;
}

// Every record type, attribute and relation of the clean sample agrees with
// the reference, and every relation finds its target: no finding, and the
// counts of what the file holds.
TEST_F(SemanticSamples, TheCleanSampleHasNoFinding) {
  const OlvenResult r = run({"sp", "-pwe", "semantyka.swd"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(withoutTimes(r.out), kStarted + head({"semantyka.swd"}) +
                                     "Przetwarzanie pliku nr 1...\n"
                                     " \n"
                                     "========= Raport spójności referencyjnej =========\n"
                                     " \n"
                                     "-------------- Typy aplikacyjne --------------\n"
                                     "Typ: G5ADR - 1\n"
                                     "Typ: G5BUD - 1\n"
                                     "Typ: G5DZE - 1\n"
                                     "Typ: G5GRN - 3\n"
                                     "Typ: G5JEW - 1\n"
                                     "Typ: G5JRZ - 1\n"
                                     "Typ: G5KKL - 1\n"
                                     "Typ: G5OBR - 1\n"
                                     "Typ: G5UZG - 1\n"
                                     " \n"
                                     "-------------- Atrybuty --------------\n"
                                     "Atrybut: G5IDB - 1\n"
                                     "Atrybut: G5IDD - 1\n"
                                     "Atrybut: G5IDJ - 1\n"
                                     "Atrybut: G5IDK - 1\n"
                                     "Atrybut: G5IDT - 1\n"
                                     "Atrybut: G5KOD - 1\n"
                                     "Atrybut: G5NRO - 1\n"
                                     "Atrybut: G5UD - 1\n"
                                     " \n"
                                     "-------------- Wiązania --------------\n"
                                     "Wiązanie: G5ROBR - 2 w tym referencji na:\n"
                                     "     ---->?G5OBR - 2\n"
                                     " \n"
                                     "Podsumowanie liczby błędów i ostrzeżeń:\n"
                                     "Sumaryczna liczba błędów    : 0\n"
                                     "Sumaryczna liczba ostrzeżeń : 0\n"
                                     " \n"
                                     "STOP\n" +
                                     kFinished);
}

// Findings are not a failure of the run: status 0.
TEST_F(SemanticSamples, TheFaultySampleReportsEachFault) {
  const OlvenResult r = run({"sp", "-pwe", "semantyka_bledy.swd"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(withoutTimes(r.out), kStarted + faultyReport(false) + kFinished);
}

// With -rk a finding whose record type and code came before is left out of
// the list (the second missing point of parcel DZE-21), and the block of the
// counts by type and code closes the statistics.
TEST_F(SemanticSamples, CondensedReportKeepsTheFirstFindingOfEachTypeAndCode) {
  const OlvenResult r = run({"sp", "-pwe", "semantyka_bledy.swd", "-rk"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(withoutTimes(r.out), kStarted + faultyReport(true) + kFinished);
}

// Both samples in one run: their object identifiers differ, so the clean
// one stays clean; the report goes to the file and the console shows only
// the start and the end.
TEST_F(SemanticSamples, ReportOfBothSamplesSavedWithR) {
  const OlvenResult r =
      run({"sp", "-pwe", "semantyka.swd", "semantyka_bledy.swd", "-r", "raport.rpt"});
  EXPECT_EQ(r.out, kStarted + kFinished);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);

  swde::bzReport report(true);
  ASSERT_TRUE(report.Open(path("raport.rpt")));
  std::string saved;
  bool placed = false;
  while (auto line = report.GetNextLine()) {
    saved += plat::cp1250ToUtf8(line->text) + "\n";
    if (plat::cp1250ToUtf8(line->text) == "49 " + kMissingPoint.substr(0, kMissingPoint.size() - 1))
      placed = line->lineNo == 49 && line->fileIdx == 1;
  }
  EXPECT_TRUE(placed);
  EXPECT_EQ(withoutTimes(saved), head({"semantyka.swd", "semantyka_bledy.swd"}) +
                                     "Przetwarzanie pliku nr 1...\n"
                                     "Przetwarzanie pliku nr 2...\n"
                                     "=========> " +
                                     path("semantyka_bledy.swd") + "\n" + kSectionFindings + "48 " +
                                     kMissingPoint + "49 " + kMissingPoint + kRelationFindings +
                                     " \n"
                                     "========= Raport spójności referencyjnej =========\n"
                                     " \n"
                                     "-------------- Typy aplikacyjne --------------\n"
                                     "Typ: G5ADR - 2\n"
                                     "Typ: G5BUD - 2\n"
                                     "Typ: G5DZE - 4\n"
                                     "Typ: G5GRN - 6\n"
                                     "Typ: G5JEW - 1\n"
                                     "Typ: G5JRZ - 1\n"
                                     "Typ: G5KKL - 1\n"
                                     "Typ: G5OBR - 2\n"
                                     "Typ: G5UZG - 3\n"
                                     " \n"
                                     "-------------- Atrybuty --------------\n"
                                     "Atrybut: G5IDB - 2\n"
                                     "Atrybut: G5IDD - 3\n"
                                     "Atrybut: G5IDJ - 1\n"
                                     "Atrybut: G5IDK - 1\n"
                                     "Atrybut: G5IDT - 3\n"
                                     "Atrybut: G5KOD - 2\n"
                                     "Atrybut: G5NRO - 2\n"
                                     "Atrybut: G5UD - 1\n"
                                     " \n"
                                     "-------------- Wiązania --------------\n"
                                     "Wiązanie: G5ROBR - 4 w tym referencji na:\n"
                                     "     ---->?G5DZE - 1\n"
                                     "     ---->?G5OBR - 3\n"
                                     " \n"
                                     "Podsumowanie liczby błędów i ostrzeżeń:\n"
                                     "Plik: " +
                                     path("semantyka.swd") +
                                     "\n"
                                     "  => liczba błędów    : 0\n"
                                     "  => liczba ostrzeżeń : 0\n"
                                     "Plik: " +
                                     path("semantyka_bledy.swd") +
                                     "\n"
                                     "  => liczba błędów    : 11\n"
                                     "  => liczba ostrzeżeń : 1\n"
                                     "Sumaryczna liczba błędów    : 11\n"
                                     "Sumaryczna liczba ostrzeżeń : 1\n"
                                     " \n"
                                     "STOP\n");
}

// The reference is read from the program's own folder only: a copy of olven
// (with the libraries beside it) in a folder without metadata_def.xml cannot
// check, however many reference files lie elsewhere.
TEST_F(SemanticSamples, NoReferenceBesideACopiedProgram) {
  const fs::path built = fs::path(OLV_OLVEN).parent_path();
  const fs::path copy = path("kopia");
  fs::create_directory(copy);
  fs::copy_file(OLV_OLVEN, copy / "olven");
  for (const auto& e : fs::directory_iterator(built))
    if (e.path().extension() == ".so") fs::copy_file(e.path(), copy / e.path().filename());
  ASSERT_TRUE(fs::exists(built / "metadata_def.xml"));
  ASSERT_FALSE(fs::exists(copy / "metadata_def.xml"));
  fs::copy_file(built / "metadata_def.xml", path("metadata_def.xml"));  // in the working folder

  // Everything the child needs is made before the fork.
  const std::string out = path("out.txt"), err = path("err.txt");
  const std::string program = (copy / "olven").string();
  const std::string libraries = "LD_LIBRARY_PATH=" + copy.string();
  const std::string registry = "OLVEN_REGISTRY=" + dir_ + "/registry";
  const std::string temp = "TMPDIR=" + tmp();
  const char* argv[] = {program.c_str(), "sp", "-pwe", "semantyka.swd", nullptr};
  const char* envp[] = {"LC_ALL=C.UTF-8", libraries.c_str(), registry.c_str(), temp.c_str(),
                        nullptr};
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int in = ::open("/dev/null", O_RDONLY);
    if (o < 0 || e < 0 || in < 0 || ::chdir(dir_.c_str()) != 0) ::_exit(127);
    ::dup2(in, 0);
    ::dup2(o, 1);
    ::dup2(e, 2);
    ::execve(argv[0], const_cast<char* const*>(argv), const_cast<char* const*>(envp));
    ::_exit(127);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);

  const std::string message = "Błąd odczytu metadanych \"wzorcowych\": Nie można otworzyć pliku: " +
                              (copy / "metadata_def.xml").string() + " (plik nie istnieje)";
  EXPECT_EQ(readFile(err), "Krytyczny błąd wykonywania programu: " + message + "\n");
  const std::string printed = readFile(out);
  EXPECT_TRUE(printed.starts_with(kStarted)) << printed;
  EXPECT_NE(printed.find("Błąd: " + message + "\n"), std::string::npos) << printed;
  EXPECT_EQ(printed.find("Lista plików"), std::string::npos) << printed;  // no file was read
  EXPECT_TRUE(printed.ends_with(kFinished)) << printed;
}

}  // namespace
