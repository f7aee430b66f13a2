// Runs the syntax check end to end through the processing layer over the
// files given, saves the report, and prints the throughput and peak memory.
//   olvbench_syntax <report.rpt> <file>...

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "processing/bzSyntaxProcess.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "użycie: olvbench_syntax <raport.rpt> <plik>...\n");
    return 1;
  }
  swde::bzSettings settings;
  swde::bzFileList files;
  swde::bzProcessState state;
  swde::bzReport report(false);
  std::uint64_t bytes = 0;
  for (int i = 2; i < argc; ++i) {
    files.addFile(plat::extractFileName(argv[i]), argv[i]);
    FILE* f = std::fopen(argv[i], "rb");
    if (f) {
      std::fseek(f, 0, SEEK_END);
      bytes += static_cast<std::uint64_t>(std::ftell(f));
      std::fclose(f);
    }
  }
  if (!report.Create(&files)) {
    std::fprintf(stderr, "%s\n", plat::cp1250ToUtf8(report.failureMessage()).c_str());
    return 2;
  }
  const auto t0 = std::chrono::steady_clock::now();
  swde::bzRun<swde::bzSyntaxProcess> process(&files, &report, &settings, &state);
  process.setNotifier([](const plat::AnsiString& text, const plat::AnsiString&) {
    std::fprintf(stderr, "%s\n", plat::cp1250ToUtf8(text).c_str());
  });
  process.start();
  process.waitFor();
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  plat::AnsiString error;
  if (!report.SaveToFile(argv[1], &error)) {
    std::fprintf(stderr, "%s\n", plat::cp1250ToUtf8(error).c_str());
    return 2;
  }
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  const double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
  std::printf(
      "syntax:    %.1f MiB in %.3f s = %.1f MiB/s, %u records, %u errors, peak RSS %.1f "
      "MiB\n",
      mb, secs, secs > 0 ? mb / secs : 0.0, state.getRecordsNumber(), state.getTotalErrorsNum(),
      ru.ru_maxrss / 1024.0);
  return process.failedCritically() ? 2 : 0;
}
