// Runs the authorization (ga) or the verification (wa) end to end through the
// processing layer over one file, saves the report, and prints the
// throughput and peak memory.
//   olvbench_doc ga|wa <report.rpt> <file> [<output folder>]

#include <cstdio>
#include <cstring>

#include "bench/BenchRun.h"
#include "processing/bzDocAuthProcess.h"
#include "processing/bzDocVerifProcess.h"

namespace {

template <class Process>
int runProcess(const char* action, const char* reportPath, const char* path,
               const char* outputDir) {
  bench::Run run({path});
  if (outputDir) run.settings.outputDir = outputDir;
  return run.timed<Process>(reportPath, [&](Process& process) {
    std::printf(
        "%s:        %.1f MiB in %.3f s = %.1f MiB/s, %u records, %u errors, %u warnings, "
        "document %s, peak RSS %.1f MiB\n",
        action, run.mib(), run.seconds, run.mibPerSecond(), run.state.getRecordsNumber(),
        run.state.getTotalErrorsNum(), run.state.getTotalWarnsNum(),
        process.documentWritten(0) ? "written" : "missing", run.peakMiB);
    return process.failedCritically() || !process.documentWritten(0) ? 2 : 0;
  });
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
