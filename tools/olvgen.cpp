// Writes a valid SWDE file of about the given size, the same file for the
// same size and seed: a header, the SP and ST sections, and an SO section of
// plot, point and land-use records with geometry sub-records and descriptive
// lines holding Polish letters (cp1250).
//
//   olvgen <output file> <size: bytes, or with suffix K, M, G> [seed]
//
// The size is a positive whole number of at most 64 bits, suffix included;
// the seed a whole number from 0 to 2^64 - 1. Anything else is refused with
// status 1 before the file is made. A write that fails stops the tool with
// status 1 and removes what it wrote.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

class Random {
 public:
  explicit Random(std::uint64_t seed)
      : state_(seed * 6364136223846793005ULL + 1442695040888963407ULL) {}
  std::uint32_t next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  std::uint32_t below(std::uint32_t n) { return next() % n; }

 private:
  std::uint64_t state_;
};

const char* const kWords[] = {
    "dzia\xB3ka",
    "\xB3\xB9ka",
    "pastwisko",
    "grunt orny",
    "\x9Fr\xF3"
    "d\xB3o",
    "ulica Polna",
    "\xBF"
    "elazna",
    "przy drodze",
    "wie\x9C",
    "gmina",
    "S\xB9"
    "dowa",
    "Zielona G\xF3ra",
    "\x8Cl\xB9sk",
    "Ko\x9C"
    "cielna",
    "\xA3\xF3"
    "d\x9F",
};

// Decimal digits from p on, and nothing but them (no sign, no blank), as a
// 64-bit number; p ends past them. False when there are none or the number
// does not fit.
bool parseDigits(const char*& p, std::uint64_t& value) {
  if (*p < '0' || *p > '9') return false;
  std::uint64_t n = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    const unsigned digit = static_cast<unsigned>(*p - '0');
    if (n > (UINT64_MAX - digit) / 10) return false;
    n = n * 10 + digit;
  }
  value = n;
  return true;
}

bool parseSize(const char* text, std::uint64_t& size) {
  std::uint64_t n = 0;
  if (!parseDigits(text, n)) return false;
  unsigned shift = 0;
  if (*text == 'K' || *text == 'k') {
    shift = 10, ++text;
  } else if (*text == 'M' || *text == 'm') {
    shift = 20, ++text;
  } else if (*text == 'G' || *text == 'g') {
    shift = 30, ++text;
  }
  if (*text || n == 0 || n > (UINT64_MAX >> shift)) return false;
  size = n << shift;
  return true;
}

bool parseSeed(const char* text, std::uint64_t& seed) {
  return parseDigits(text, seed) && !*text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "użycie: olvgen <plik> <rozmiar[K|M|G]> [ziarno]\n");
    return 1;
  }
  std::uint64_t size = 0;
  if (!parseSize(argv[2], size)) {
    std::fprintf(stderr,
                 "olvgen: błędny rozmiar „%s”: potrzebna liczba dodatnia (bajty albo K, M, G) "
                 "nie większa niż 2^64 - 1 bajtów\n",
                 argv[2]);
    return 1;
  }
  std::uint64_t seed = 1;
  if (argc > 3 && !parseSeed(argv[3], seed)) {
    std::fprintf(stderr, "olvgen: błędne ziarno „%s”: potrzebna liczba od 0 do 2^64 - 1\n",
                 argv[3]);
    return 1;
  }
  Random rnd(seed);
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::fprintf(stderr, "nie można utworzyć pliku %s: %s\n", argv[1], std::strerror(errno));
    return 1;
  }
  // A failed write ends the run: the disk is full or the file cannot grow.
  auto failed = [&](int err) {
    std::fclose(out);
    std::remove(argv[1]);
    std::fprintf(stderr, "błąd zapisu pliku %s: %s\n", argv[1], std::strerror(err));
    return 1;
  };
  std::setvbuf(out, nullptr, _IOFBF, 1 << 20);
  std::uint64_t written = 0;
  bool ok = true;
  int writeError = 0;
  std::string buf;
  auto line = [&](const std::string& s) {
    if (!ok) return;
    buf = s;
    buf += "\r\n";
    if (std::fwrite(buf.data(), 1, buf.size(), out) != buf.size()) {
      ok = false;
      writeError = errno;
    }
    written += buf.size();
  };

  line("SWDE.W.1.13.0;plik wygenerowany");
  line("SP;");
  for (const char* b : {"B,G5IDD,ZN,;", "B,G5NRZ,ZN,;", "B,G5PEW,FL,,", "B,G5OPIS,ZN,;"}) line(b);
  line("W,G5DZE;");
  line("W,G5PKT;");
  line("SX;");
  line("ST;");
  line("TD,G5DZE,RO;");
  line("TP,G5IDD;");
  line("X;");
  line("TD,G5PKT,RP;");
  line("TP,G5NRP;");
  line("X;");
  line("SX;");
  line("SO;");

  std::uint64_t id = 1;
  const std::uint64_t tail = 16;  // "SX;\r\nSWDEX;\r\n" and some room
  while (ok && written + tail < size) {
    const std::string n = std::to_string(id++);
    switch (rnd.below(3)) {
      case 0: {
        line("RO,G5DZE,,D" + n + ",,;");
        line("GL;");
        const int points = 3 + static_cast<int>(rnd.below(6));
        for (int p = 0; p < points; ++p)
          line("P,P,G5PKT,P" + std::to_string(rnd.next() % 100000) + ";");
        line("PZ;");
        line("GX;");
        line("D,G5IDD,D,146501_1.0001." + n + ";");
        std::string text;
        const int words = 1 + static_cast<int>(rnd.below(5));
        for (int w = 0; w < words; ++w) {
          if (w) text += w % 2 ? ", " : " ";
          text += kWords[rnd.below(sizeof kWords / sizeof kWords[0])];
        }
        line("D,G5OPIS,D," + text + ";");
        line("X;");
        break;
      }
      case 1: {
        line("RP,G5PKT,,P" + n + ",,;");
        line("P,G," + std::to_string(5700000 + rnd.below(100000)) + "." +
             std::to_string(rnd.below(100)) + "," + std::to_string(6500000 + rnd.below(100000)) +
             "." + std::to_string(rnd.below(100)) + ",;");
        line("D,G5NRP,D," + n + ";");
        line("X;");
        break;
      }
      default: {
        line("RD,G5KLU,,K" + n + ",,;");
        line("D,G5OFU,D,R;");
        line("D,G5PEW,D,0." + std::to_string(1000 + rnd.below(9000)) + ";");
        line("X;");
        break;
      }
    }
  }
  line("SX;");
  line("SWDEX;");
  if (!ok) return failed(writeError);
  if (std::fflush(out) != 0) return failed(errno);
  if (std::fclose(out) != 0) {
    const int err = errno;
    std::remove(argv[1]);
    std::fprintf(stderr, "błąd zapisu pliku %s: %s\n", argv[1], std::strerror(err));
    return 1;
  }
  return 0;
}
