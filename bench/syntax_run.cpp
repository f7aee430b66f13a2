// Runs the syntax check end to end through the processing layer over the
// files given, saves the report, and prints the throughput and peak memory.
//   olvbench_syntax <report.rpt> <file>...

#include <cstdio>

#include "bench/BenchRun.h"
#include "processing/bzSyntaxProcess.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "użycie: olvbench_syntax <raport.rpt> <plik>...\n");
    return 1;
  }
  bench::Run run(std::vector<std::string>(argv + 2, argv + argc));
  return run.timed<swde::bzSyntaxProcess>(argv[1], [&](swde::bzSyntaxProcess& process) {
    std::printf(
        "syntax:    %.1f MiB in %.3f s = %.1f MiB/s, %u records, %u errors, peak RSS %.1f "
        "MiB\n",
        run.mib(), run.seconds, run.mibPerSecond(), run.state.getRecordsNumber(),
        run.state.getTotalErrorsNum(), run.peakMiB);
    return process.failedCritically() ? 2 : 0;
  });
}
