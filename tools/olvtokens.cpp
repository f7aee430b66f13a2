// Reads data files through the syntax layer and prints, per file, the header
// line, how many lines and tokens of each kind were met, every line
// identifier with its code, its event kind and how often it stands at the
// start of a line, and then every syntax error the line analyzer finds.
// With --bench it prints only the tokenizer's throughput, with
// --bench-analyze only the analyzer's.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "syntax/Sxanalyzer.h"
#include "syntax/Sxcodes.h"
#include "syntax/Sxconsts.h"
#include "syntax/Sxtokenizer.h"

namespace {

const char* kKindNames[] = {"słowa",        "odstępy", "separatory pól", "średniki", "końce linii",
                            "koniec pliku", "brak"};
const char* kEventNames[] = {"",
                             "nagłówek pliku",
                             "koniec pliku",
                             "początek sekcji",
                             "koniec sekcji",
                             "początek rekordu",
                             "koniec rekordu",
                             "rekord jednoliniowy",
                             "początek podrekordu",
                             "koniec podrekordu",
                             "linia rekordu",
                             "linia wolna"};

int scan(const std::string& path, bool bench) {
  swde::sxFileStream stream(path, swde::kFileBufferSize);
  swde::sxTokenizer tok(&stream);
  const auto t0 = std::chrono::steady_clock::now();

  std::uint64_t kinds[7] = {};
  std::map<std::string, std::uint64_t> idents;
  std::string header;
  bool lineStart = true;     // nothing but blanks seen on this line yet
  bool lineHasText = false;  // the current line holds any token
  std::uint64_t lineNo = 1;
  for (;;) {
    const std::uint8_t k = tok.getToken();
    ++kinds[k];
    if (k == swde::tkNone) break;
    const bool word = k == swde::tkWord || (k == swde::tkEof && !tok.getTokenText().empty());
    if (!bench && lineStart && word) {
      if (lineNo == 1)
        header = tok.getTokenText();
      else
        ++idents[tok.getTokenText()];
    }
    if (k == swde::tkLineFeed) {
      lineStart = true;
      lineHasText = false;
      ++lineNo;
      continue;
    }
    if (k != swde::tkBlank && k != swde::tkEof) lineStart = false;
    if (k != swde::tkEof || word) lineHasText = true;
    if (k == swde::tkEof) break;
  }
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double mb = static_cast<double>(stream.getSize()) / (1024.0 * 1024.0);
  if (bench) {
    std::printf("tokenizer: %.1f MiB in %.3f s = %.1f MiB/s, %llu lines\n", mb, secs,
                secs > 0 ? mb / secs : 0.0, static_cast<unsigned long long>(tok.getLineCounter()));
    return 0;
  }

  std::printf("%s\n", path.c_str());
  std::printf("  nagłówek: %s\n", plat::cp1250ToUtf8(header).c_str());
  // The last line counts when it holds something after the last line feed.
  const std::uint64_t lines = kinds[swde::tkLineFeed] + (lineHasText ? 1 : 0);
  std::printf("  linie: %llu, znaki: %llu\n", static_cast<unsigned long long>(lines),
              static_cast<unsigned long long>(tok.getCharCounter()));
  for (int k = 0; k < 6; ++k)
    std::printf("  %s: %llu\n", kKindNames[k], static_cast<unsigned long long>(kinds[k]));
  for (const auto& [ident, n] : idents) {
    const auto code = swde::lineCodeOf(ident);
    if (!code) {
      std::printf("  %-8s nieznany identyfikator, %llu\n", plat::cp1250ToUtf8(ident).c_str(),
                  static_cast<unsigned long long>(n));
      continue;
    }
    const auto kind = swde::eventKindOf(*code);
    std::printf("  %-8s kod %2d, %s, %llu\n", ident.c_str(), *code, kind ? kEventNames[*kind] : "?",
                static_cast<unsigned long long>(n));
  }
  return 0;
}

void listErrors(const std::string& path) {
  swde::sxFileStream stream(path, swde::kFileBufferSize);
  swde::sxTokenizer tok(&stream);
  swde::sxAnalyzer analyzer(&tok);
  swde::counted_ptr<swde::sxError> err;
  std::uint64_t errors = 0;
  auto report = [&] {
    if (!err) return;
    ++errors;
    std::printf("  linia %llu: [%d] %s\n", static_cast<unsigned long long>(err->line), err->code,
                plat::cp1250ToUtf8(err->message).c_str());
    err.reset();
  };
  auto line = analyzer.getFileHeader(err);
  report();
  if (line)
    while (analyzer.getNewLine(err)) report();
  report();
  std::printf("  błędy składni: %llu\n", static_cast<unsigned long long>(errors));
}

int benchAnalyze(const std::string& path) {
  swde::sxFileStream stream(path, swde::kFileBufferSize);
  swde::sxTokenizer tok(&stream);
  swde::sxAnalyzer analyzer(&tok);
  const auto t0 = std::chrono::steady_clock::now();
  swde::counted_ptr<swde::sxError> err;
  std::uint64_t lines = 0, errors = 0;
  if (analyzer.getFileHeader(err)) {
    ++lines;
    for (;;) {
      err.reset();
      auto line = analyzer.getNewLine(err);
      if (err) ++errors;
      if (!line) break;
      ++lines;
    }
  }
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double mb = static_cast<double>(stream.getSize()) / (1024.0 * 1024.0);
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  std::printf(
      "analyzer:  %.1f MiB in %.3f s = %.1f MiB/s, %.0f lines/s, %llu lines, %llu errors, "
      "peak RSS %.1f MiB\n",
      mb, secs, secs > 0 ? mb / secs : 0.0, secs > 0 ? lines / secs : 0.0,
      static_cast<unsigned long long>(lines), static_cast<unsigned long long>(errors),
      ru.ru_maxrss / 1024.0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool bench = false, benchAnalyzer = false;
  int status = 0;
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--bench") == 0) {
      bench = true;
      continue;
    }
    if (std::strcmp(argv[i], "--bench-analyze") == 0) {
      benchAnalyzer = true;
      continue;
    }
    ++files;
    try {
      if (benchAnalyzer) {
        benchAnalyze(argv[i]);
      } else {
        scan(argv[i], bench);
        if (!bench) listErrors(argv[i]);
      }
    } catch (const plat::Exception& e) {
      std::fprintf(stderr, "%s\n", plat::cp1250ToUtf8(e.Message()).c_str());
      status = 1;
    }
  }
  if (files == 0) {
    std::fprintf(stderr, "użycie: olvtokens [--bench | --bench-analyze] plik...\n");
    return 1;
  }
  return status;
}
