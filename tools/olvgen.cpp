// Writes a valid SWDE file of about the given size, the same file for the
// same size and seed: a header, the SP and ST sections, and an SO section of
// plot, point and land-use records with geometry sub-records and descriptive
// lines holding Polish letters (cp1250).
//
//   olvgen <output file> <size: bytes, or with suffix K, M, G> [seed]

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

bool parseSize(const char* text, std::uint64_t& size) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long n = std::strtoull(text, &end, 10);
  if (errno || end == text) return false;
  std::uint64_t mult = 1;
  if (*end == 'K' || *end == 'k')
    mult = 1024, ++end;
  else if (*end == 'M' || *end == 'm')
    mult = 1024 * 1024, ++end;
  else if (*end == 'G' || *end == 'g')
    mult = 1024ULL * 1024 * 1024, ++end;
  if (*end) return false;
  size = n * mult;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t size = 0;
  if (argc < 3 || !parseSize(argv[2], size)) {
    std::fprintf(stderr, "użycie: olvgen <plik> <rozmiar[K|M|G]> [ziarno]\n");
    return 1;
  }
  Random rnd(argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1);
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::fprintf(stderr, "nie można utworzyć pliku %s: %s\n", argv[1], std::strerror(errno));
    return 1;
  }
  std::setvbuf(out, nullptr, _IOFBF, 1 << 20);
  std::uint64_t written = 0;
  std::string buf;
  auto line = [&](const std::string& s) {
    buf = s;
    buf += "\r\n";
    std::fwrite(buf.data(), 1, buf.size(), out);
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
  while (written + tail < size) {
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
  if (std::fclose(out) != 0) {
    std::fprintf(stderr, "błąd zapisu pliku %s: %s\n", argv[1], std::strerror(errno));
    return 1;
  }
  return 0;
}
