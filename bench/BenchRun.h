// What the benchmark drivers share: the run objects of one action over a
// list of files, the action run to its end with its failures printed, the
// report saved, and the time and peak memory of it.
#pragma once

#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "processing/bzProcessThread.h"

namespace bench {

struct Run {
  swde::bzSettings settings;
  swde::bzFileList files;
  swde::bzProcessState state;
  swde::bzReport report{false};
  std::uint64_t bytes = 0;  // of all the files
  double seconds = 0;
  double peakMiB = 0;

  explicit Run(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
      files.addFile(plat::extractFileName(path), path);
      if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fseek(f, 0, SEEK_END);
        bytes += static_cast<std::uint64_t>(std::ftell(f));
        std::fclose(f);
      }
    }
  }
  double mib() const { return static_cast<double>(bytes) / (1024.0 * 1024.0); }
  double mibPerSecond() const { return seconds > 0 ? mib() / seconds : 0.0; }

  // Runs Process over the files and saves the report to reportPath; report
  // then tells the process's results (it is called with the process still
  // there) and gives the exit status. 2 when the report cannot be made or
  // saved.
  template <class Process, class Report>
  int timed(const char* reportPath, Report report_) {
    if (!report.Create(&files)) return fail(report.failureMessage());
    const auto t0 = std::chrono::steady_clock::now();
    swde::bzRun<Process> process(&files, &report, &settings, &state);
    process.setNotifier([](const plat::AnsiString& text, const plat::AnsiString&) {
      std::fprintf(stderr, "%s\n", plat::cp1250ToUtf8(text).c_str());
    });
    process.start();
    process.waitFor();
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    plat::AnsiString error;
    if (!report.SaveToFile(reportPath, &error)) return fail(error);
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    peakMiB = ru.ru_maxrss / 1024.0;
    return report_(process);
  }

 private:
  static int fail(const plat::AnsiString& text) {
    std::fprintf(stderr, "%s\n", plat::cp1250ToUtf8(text).c_str());
    return 2;
  }
};

}  // namespace bench
