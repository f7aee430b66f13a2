// Runs the authorization (ga) or the verification (wa) end to end through the
// processing layer over one file, saves the report, and prints the
// throughput and peak memory.
//   olvbench_doc ga|wa <report.rpt> <file> [<output folder>]

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "processing/bzDocAuthProcess.h"
#include "processing/bzDocVerifProcess.h"

namespace {

template <class Process>
int runProcess(const char* action, const char* reportPath, const char* path,
               const char* outputDir) {
  swde::bzSettings settings;
  swde::bzFileList files;
  swde::bzProcessState state;
  swde::bzReport report(false);
  if (outputDir) settings.outputDir = outputDir;
  files.addFile(plat::extractFileName(path), path);
  std::uint64_t bytes = 0;
  if (FILE* f = std::fopen(path, "rb")) {
    std::fseek(f, 0, SEEK_END);
    bytes = static_cast<std::uint64_t>(std::ftell(f));
    std::fclose(f);
  }
  if (!report.Create(&files)) {
    std::fprintf(stderr, "%s\n", plat::cp1250ToUtf8(report.failureMessage()).c_str());
    return 2;
  }
  const auto t0 = std::chrono::steady_clock::now();
  swde::bzRun<Process> process(&files, &report, &settings, &state);
  process.setNotifier([](const plat::AnsiString& text, const plat::AnsiString&) {
    std::fprintf(stderr, "%s\n", plat::cp1250ToUtf8(text).c_str());
  });
  process.start();
  process.waitFor();
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  plat::AnsiString error;
  if (!report.SaveToFile(reportPath, &error)) {
    std::fprintf(stderr, "%s\n", plat::cp1250ToUtf8(error).c_str());
    return 2;
  }
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  const double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
  std::printf(
      "%s:        %.1f MiB in %.3f s = %.1f MiB/s, %u records, %u errors, %u warnings, "
      "document %s, peak RSS %.1f MiB\n",
      action, mb, secs, secs > 0 ? mb / secs : 0.0, state.getRecordsNumber(),
      state.getTotalErrorsNum(), state.getTotalWarnsNum(),
      process.documentWritten(0) ? "written" : "missing", ru.ru_maxrss / 1024.0);
  return process.failedCritically() || !process.documentWritten(0) ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || (std::strcmp(argv[1], "ga") != 0 && std::strcmp(argv[1], "wa") != 0)) {
    std::fprintf(stderr, "użycie: olvbench_doc ga|wa <raport.rpt> <plik> [<folder wynikowy>]\n");
    return 1;
  }
  const char* outputDir = argc > 4 ? argv[4] : nullptr;
  if (std::strcmp(argv[1], "ga") == 0)
    return runProcess<swde::bzDocAuthProcess>("ga", argv[2], argv[3], outputDir);
  return runProcess<swde::bzDocVerifProcess>("wa", argv[2], argv[3], outputDir);
}
