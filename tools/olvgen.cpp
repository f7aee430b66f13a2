// Writes a valid SWDE file of about the given size, the same file for the
// same size and seed: a header, the SP and ST sections, and an SO section of
// plot, point and land-use records with geometry sub-records and descriptive
// lines holding Polish letters (cp1250).
//
//   olvgen <output file> <size: bytes, or with suffix K, M, G> [seed]
//   olvgen --obiekty <count> <output file> [seed]
//
// With --obiekty it writes that many objects the semantic check accepts
// without a finding against the shipped reference metadata: SP and ST
// sections that agree with it, then points, precincts (G5OBR), parcels
// (G5DZE) and land uses (G5UZG) with about two relations per object: land
// uses point to a precinct by object identifier (WG) or by record identifier
// (WL), and the rings of parcels, precincts and land uses to points (P, by
// object identifier or by record identifier). The reference defines no point
// type, so a point is an "RP" record of G5GRN, a type the reference gives no
// base type, declared "RP" in the file's own ST. Identifiers are scrambled so
// that their order is not the order of the records.
//
// The size is a positive whole number of at most 64 bits, suffix included;
// the count a positive whole number of at most 2^40; the seed a whole number
// from 0 to 2^64 - 1. Anything else is refused with status 1 before the file
// is made. A write that fails stops the tool with status 1 and removes what
// it wrote.

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
  std::uint64_t below64(std::uint64_t n) {
    const std::uint64_t high = next();
    return ((high << 32) | next()) % n;
  }

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

constexpr std::uint64_t kMaxObjects = 1ULL << 40;

// A permutation of the numbers below 2^40: the same number never comes out
// twice, and consecutive numbers come out far apart.
std::uint64_t scramble(std::uint64_t x, std::uint64_t key) {
  constexpr std::uint64_t kMask = kMaxObjects - 1;
  x = (x ^ key) & kMask;
  for (int round = 0; round < 3; ++round) {
    x = (x * 0x9E3779B97F4A7C15ULL + key) & kMask;
    x ^= x >> 17;
  }
  return x;
}

// The objects of --obiekty, laid out by index in blocks of 20: 8 points,
// 1 precinct, 6 parcels, 5 land uses.
class ObjectSet {
 public:
  ObjectSet(std::uint64_t count, std::uint64_t seed)
      : count_(count), objectKey_(seed * 2 + 1), recordKey_(seed * 2 + 2) {}

  enum Kind { kPoint, kPrecinct, kParcel, kLandUse };
  static Kind kind(std::uint64_t i) {
    const std::uint64_t k = i % 20;
    return k < 8 ? kPoint : k == 8 ? kPrecinct : k < 15 ? kParcel : kLandUse;
  }
  std::string objectId(std::uint64_t i) const { return std::to_string(scramble(i, objectKey_)); }
  std::string recordId(std::uint64_t i) const {
    char text[16];
    std::snprintf(text, sizeof text, "R%llX",
                  static_cast<unsigned long long>(scramble(i, recordKey_)));
    return text;
  }
  // Some point, and some precinct (false when there is none).
  std::uint64_t point(Random& rnd) const {
    const std::uint64_t block = rnd.below64((count_ + 19) / 20);
    const std::uint64_t left = count_ - block * 20;
    return block * 20 + rnd.below(static_cast<std::uint32_t>(left < 8 ? left : 8));
  }
  bool precinct(Random& rnd, std::uint64_t& i) const {
    if (count_ <= 8) return false;
    i = rnd.below64((count_ - 9) / 20 + 1) * 20 + 8;
    return true;
  }

 private:
  std::uint64_t count_;
  std::uint64_t objectKey_;
  std::uint64_t recordKey_;
};

}  // namespace

int main(int argc, char** argv) {
  const bool objects = argc > 1 && std::strcmp(argv[1], "--obiekty") == 0;
  if (objects ? argc < 4 || argc > 5 : argc < 3 || argc > 4) {
    std::fprintf(stderr,
                 "użycie: olvgen <plik> <rozmiar[K|M|G]> [ziarno]\n"
                 "        olvgen --obiekty <liczba> <plik> [ziarno]\n");
    return 1;
  }
  std::uint64_t count = 0;
  if (objects) {
    const char* text = argv[2];
    if (!parseDigits(text, count) || *text || count == 0 || count > kMaxObjects) {
      std::fprintf(stderr,
                   "olvgen: błędna liczba obiektów „%s”: potrzebna liczba dodatnia nie większa "
                   "niż 2^40\n",
                   argv[2]);
      return 1;
    }
  }
  // The rest as in the other form: the file, the count in place of the size,
  // then the seed.
  char* reordered[] = {argv[0], objects ? argv[3] : nullptr, objects ? argv[2] : nullptr,
                       objects && argc > 4 ? argv[4] : nullptr};
  if (objects) {
    argv = reordered;
    --argc;
  }
  std::uint64_t size = 0;
  if (!objects && !parseSize(argv[2], size)) {
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

  if (objects) {
    line("SWDE.W.1.13.0;plik wygenerowany");
    for (const char* l :
         {"SP;",          "B,G5IDD,ZN,;", "B,G5NRO,ZN,;", "B,G5IDT,ZN,;", "W,G5ROBR;", "SX;",
          "ST;",          "TD,G5GRN,RP;", "X;",           "TD,G5OBR,RO;", "TP,G5NRO;", "X;",
          "TD,G5DZE,RO;", "TP,G5IDD;",    "X;",           "TD,G5UZG,RO;", "TP,G5IDT;", "WR,G5ROBR;",
          "X;",           "SX;",          "SO;"})
      line(l);
    const ObjectSet set(count, seed);
    // A ring of points, each by object identifier or, now and then, by
    // record identifier.
    auto ring = [&](int points) {
      line("GL;");
      for (int p = 0; p < points; ++p) {
        const std::uint64_t target = set.point(rnd);
        if (rnd.below(4) == 0)
          line("P,K," + set.recordId(target) + ";");
        else
          line("P,P,G5GRN," + set.objectId(target) + ";");
      }
      line("PZ;");
      line("GX;");
    };
    for (std::uint64_t i = 0; i < count && ok; ++i) {
      const std::string head = "," + set.objectId(i) + "," + set.recordId(i) + ",01;";
      const std::string n = std::to_string(i + 1);
      switch (ObjectSet::kind(i)) {
        case ObjectSet::kPoint:
          line("RP,,G5GRN" + head);
          line("P,G," + std::to_string(5700000 + rnd.below(100000)) + "." +
               std::to_string(rnd.below(100)) + "," + std::to_string(6500000 + rnd.below(100000)) +
               "." + std::to_string(rnd.below(100)) + ",;");
          break;
        case ObjectSet::kPrecinct:
          line("RO,,G5OBR" + head);
          ring(3);
          line("D,G5NRO,D," + std::to_string(i / 20 + 1));
          break;
        case ObjectSet::kParcel:
          line("RO,,G5DZE" + head);
          ring(3 + static_cast<int>(rnd.below(3)));
          line("D,G5IDD,D,146501_1.0001." + n);
          break;
        case ObjectSet::kLandUse: {
          line("RO,,G5UZG" + head);
          ring(1 + static_cast<int>(rnd.below(2)));
          line("D,G5IDT,D,146501_1.0001." + n + ".1");
          std::uint64_t precinct = 0;
          if (set.precinct(rnd, precinct)) {
            if (i % 2)
              line("WL,G5ROBR," + set.recordId(precinct) + ";");
            else
              line("WG,G5ROBR,G5OBR," + set.objectId(precinct) + ";");
          }
          break;
        }
      }
      line("X;");
    }
  } else {
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
