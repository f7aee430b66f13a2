// Writes a valid SWDE file of about the given size, the same file for the
// same size and seed: a header, the SP and ST sections, and an SO section of
// plot, point and land-use records with geometry sub-records and descriptive
// lines holding Polish letters (cp1250).
//
//   olvgen <output file> <size: bytes, or with suffix K, M, G> [seed]
//   olvgen --obiekty <count> <output file> [seed]
//   olvgen --para <count> <descriptive file> <geometric file> [seed]
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
// With --para it writes a pair for the merge: a descriptive file and a
// geometric file of that many SO records each, laid out by index in blocks
// of 20: 8 side records, 1 precinct, 11 parcels. In the descriptive file a
// precinct is a G5O_OBR record keyed by G5NRO, a parcel a G5O_DZE record
// keyed by G5IDD with a relation to its precinct by object identifier (WG),
// and a side record a land-use class (G5KLU) with a relation to a parcel of
// its block by record identifier (WL). In the geometric file the precinct
// and the parcels are G5G_OBR and G5G_DZE records with the same keys, each
// with a ring of points of its block by record identifier ("P,K"), and the
// side records are those points (RP records of G5GRN). In every 1000
// indices two parcels do not pair (the geometric key gets "/1"), one
// descriptive and one geometric parcel repeat the key of the parcel before
// them. Identifiers are scrambled, and differ between the two files.
//
// The size is a positive whole number of at most 64 bits, suffix included;
// the count a positive whole number of at most 2^40; the seed a whole number
// from 0 to 2^64 - 1; the two files of a pair two different files. Anything
// else is refused with status 1, with no file left behind. A write that
// fails stops the tool with status 1 and removes what it wrote.

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

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

// An output file of --para: lines end with CR LF; the first failed write is
// kept and ends the run.
class Output {
 public:
  explicit Output(const char* path) : path_(path) {}
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  ~Output() {
    if (file_) std::fclose(file_);
  }

  bool open() {
    file_ = std::fopen(path_, "wb");
    if (!file_) {
      std::fprintf(stderr, "nie można utworzyć pliku %s: %s\n", path_, std::strerror(errno));
      return false;
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
    return true;
  }
  const char* path() const { return path_; }
  bool ok() const { return error_ == 0; }

  void line(std::string_view s) {
    if (error_) return;
    buf_.assign(s);
    buf_ += "\r\n";
    if (std::fwrite(buf_.data(), 1, buf_.size(), file_) != buf_.size())
      error_ = errno ? errno : EIO;
  }
  // Flushes and closes the file; false, with the reason kept, when that fails.
  bool close() {
    if (!file_) return ok();
    if (std::fflush(file_) != 0 && !error_) error_ = errno ? errno : EIO;
    if (std::fclose(file_) != 0 && !error_) error_ = errno ? errno : EIO;
    file_ = nullptr;
    return ok();
  }
  // Closes and removes the file; with a failed write, says so.
  void discard() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    std::remove(path_);
    if (error_) std::fprintf(stderr, "błąd zapisu pliku %s: %s\n", path_, std::strerror(error_));
  }

 private:
  const char* path_;
  std::FILE* file_ = nullptr;
  int error_ = 0;
  std::string buf_;
};

// The records of --para, laid out by index in blocks of 20: 8 side records
// (land-use classes in the descriptive file, points in the geometric one),
// 1 precinct, 11 parcels. Each file has identifiers of its own.
class PairSet {
 public:
  PairSet(std::uint64_t count, std::uint64_t seed)
      : count_(count),
        objectKey_{seed * 4 + 1, seed * 4 + 2},
        recordKey_{seed * 4 + 3, seed * 4 + 4},
        faultKey_(seed ^ 0x5DEECE66DULL) {}

  enum Kind { kSide, kPrecinct, kParcel };
  static Kind kind(std::uint64_t i) {
    const std::uint64_t k = i % 20;
    return k < 8 ? kSide : k == 8 ? kPrecinct : kParcel;
  }
  // What sets a parcel apart from a plain pair.
  enum Fault { kNone, kUnpaired, kRepeatedDescriptive, kRepeatedGeometric };
  // In every window of 50 blocks (1000 indices) four blocks 12 apart from a
  // start the seed chooses; in each of them one parcel from the second on
  // (so the record before it is a parcel too): two unpaired, one repeated in
  // the descriptive file, one repeated in the geometric file.
  Fault fault(std::uint64_t i) const {
    const std::uint64_t k = i % 20;
    if (k < 10) return kNone;
    const std::uint64_t block = i / 20;
    const std::uint64_t h = scramble(block / 50, faultKey_);
    const std::uint64_t d = (block % 50 + 50 - h % 50) % 50;
    if (d % 12 != 0 || d / 12 > 3 || k != 10 + (h / 50) % 10) return kNone;
    static constexpr Fault kFaults[] = {kUnpaired, kUnpaired, kRepeatedDescriptive,
                                        kRepeatedGeometric};
    return kFaults[d / 12];
  }

  // file: 0 descriptive, 1 geometric.
  std::string objectId(int file, std::uint64_t i) const {
    return std::to_string(scramble(i, objectKey_[file]));
  }
  std::string recordId(int file, std::uint64_t i) const {
    char text[16];
    std::snprintf(text, sizeof text, "%c%llX", file ? 'G' : 'O',
                  static_cast<unsigned long long>(scramble(i, recordKey_[file])));
    return text;
  }
  static std::string precinctKey(std::uint64_t i) {
    char text[32];
    std::snprintf(text, sizeof text, "146501_1.%04llu",
                  static_cast<unsigned long long>(i / 20 + 1));
    return text;
  }
  static std::string parcelKey(std::uint64_t i) {
    return precinctKey(i) + "." + std::to_string(i % 20 - 8);
  }
  // The key a parcel carries in file.
  std::string parcelKey(int file, std::uint64_t i) const {
    const Fault f = fault(i);
    if (file == 0) return parcelKey(f == kRepeatedDescriptive ? i - 1 : i);
    if (f == kUnpaired) return parcelKey(i) + "/1";
    return parcelKey(f == kRepeatedGeometric ? i - 1 : i);
  }
  // The precinct of the block of i, some side record of it, and some parcel
  // of it (false when the block has none).
  static std::uint64_t precinct(std::uint64_t i) { return i / 20 * 20 + 8; }
  static std::uint64_t side(Random& rnd, std::uint64_t i) { return i / 20 * 20 + rnd.below(8); }
  bool parcel(Random& rnd, std::uint64_t i, std::uint64_t& parcel) const {
    const std::uint64_t first = i / 20 * 20 + 9;
    if (first >= count_) return false;
    const std::uint64_t left = count_ - first;
    parcel = first + rnd.below(static_cast<std::uint32_t>(left < 11 ? left : 11));
    return true;
  }

 private:
  std::uint64_t count_;
  std::uint64_t objectKey_[2];
  std::uint64_t recordKey_[2];
  std::uint64_t faultKey_;
};

std::string coordinates(Random& rnd) {
  return std::to_string(5700000 + rnd.below(100000)) + "." + std::to_string(rnd.below(100)) + "," +
         std::to_string(6500000 + rnd.below(100000)) + "." + std::to_string(rnd.below(100));
}

// Whether the two names lead to one file (both must exist to tell).
bool sameFile(const char* a, const char* b) {
  struct stat sa, sb;
  return ::stat(a, &sa) == 0 && ::stat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// olvgen --para: the two files, or status 1 with neither left.
int writePair(std::uint64_t count, const char* descriptivePath, const char* geometricPath,
              std::uint64_t seed) {
  if (std::strcmp(descriptivePath, geometricPath) == 0 ||
      sameFile(descriptivePath, geometricPath)) {
    std::fprintf(stderr, "olvgen: pliki pary muszą być dwoma różnymi plikami: %s, %s\n",
                 descriptivePath, geometricPath);
    return 1;
  }
  Output files[2] = {Output(descriptivePath), Output(geometricPath)};
  if (!files[0].open()) return 1;
  // Two names of one file show only once the first exists.
  if (sameFile(descriptivePath, geometricPath)) {
    files[0].discard();
    std::fprintf(stderr, "olvgen: pliki pary muszą być dwoma różnymi plikami: %s, %s\n",
                 descriptivePath, geometricPath);
    return 1;
  }
  if (!files[1].open()) {
    files[0].discard();
    return 1;
  }
  const PairSet set(count, seed);
  Random rnd(seed);
  Output& d = files[0];
  Output& g = files[1];

  d.line("SWDE.W.1.13.0;plik wygenerowany, opis");
  for (const char* l : {"SP;",
                        "B,G5NRO,ZN,;",
                        "B,G5IDD,ZN,;",
                        "B,G5PEW,ZN,;",
                        "B,G5OFU,ZN,;",
                        "W,G5ROBR;",
                        "W,G5RDZE;",
                        "SX;",
                        "ST;",
                        "TD,G5O_OBR,RO;",
                        "TP,G5NRO;",
                        "X;",
                        "TD,G5O_DZE,RO;",
                        "TP,G5IDD;",
                        "TP,G5PEW;",
                        "WR,G5ROBR;",
                        "X;",
                        "TD,G5KLU,RO;",
                        "TP,G5OFU;",
                        "TP,G5PEW;",
                        "WR,G5RDZE;",
                        "X;",
                        "SX;",
                        "SO;"})
    d.line(l);
  g.line("SWDE.W.1.13.0;plik wygenerowany, geometria");
  for (const char* l :
       {"SP;", "B,G5NRO,ZN,;", "B,G5IDD,ZN,;", "SX;", "ST;", "TD,G5GRN,RP;", "X;", "TD,G5G_OBR,RO;",
        "TP,G5NRO;", "X;", "TD,G5G_DZE,RO;", "TP,G5IDD;", "X;", "SX;", "SO;"})
    g.line(l);

  // A ring of points of the block of i, by record identifier.
  auto ring = [&](std::uint64_t i, int points) {
    g.line("GL;");
    for (int p = 0; p < points; ++p) g.line("P,K," + set.recordId(1, PairSet::side(rnd, i)) + ";");
    g.line("PZ;");
    g.line("GX;");
  };
  auto area = [&] { return "D,G5PEW,D,0." + std::to_string(1000 + rnd.below(9000)) + ";"; };
  for (std::uint64_t i = 0; i < count && d.ok() && g.ok(); ++i) {
    const std::string tail[2] = {"," + set.objectId(0, i) + "," + set.recordId(0, i) + ",01;",
                                 "," + set.objectId(1, i) + "," + set.recordId(1, i) + ",01;"};
    switch (PairSet::kind(i)) {
      case PairSet::kSide: {
        d.line("RD,,G5KLU" + tail[0]);
        d.line("D,G5OFU,D,R;");
        d.line(area());
        std::uint64_t parcel = 0;
        if (set.parcel(rnd, i, parcel)) d.line("WL,G5RDZE," + set.recordId(0, parcel) + ";");
        g.line("RP,,G5GRN" + tail[1]);
        g.line("P,G," + coordinates(rnd) + ",;");
        break;
      }
      case PairSet::kPrecinct: {
        const std::string key = PairSet::precinctKey(i);
        d.line("RD,,G5O_OBR" + tail[0]);
        d.line("D,G5NRO,D," + key + ";");
        g.line("RO,,G5G_OBR" + tail[1]);
        ring(i, 4);
        g.line("D,G5NRO,D," + key + ";");
        break;
      }
      case PairSet::kParcel: {
        d.line("RD,,G5O_DZE" + tail[0]);
        d.line("D,G5IDD,D," + set.parcelKey(0, i) + ";");
        d.line(area());
        d.line("WG,G5ROBR,G5O_OBR," + set.objectId(0, PairSet::precinct(i)) + ";");
        g.line("RO,,G5G_DZE" + tail[1]);
        ring(i, 3 + static_cast<int>(rnd.below(3)));
        g.line("D,G5IDD,D," + set.parcelKey(1, i) + ";");
        break;
      }
    }
    d.line("X;");
    g.line("X;");
  }
  for (Output& f : files) {
    f.line("SX;");
    f.line("SWDEX;");
  }
  if (!d.close() || !g.close()) {
    d.discard();
    g.discard();
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--para") == 0) {
    std::uint64_t count = 0, seed = 1;
    const char* text = argc > 2 ? argv[2] : "";
    if (argc < 5 || argc > 6) {
      std::fprintf(stderr,
                   "użycie: olvgen --para <liczba> <plik opisowy> <plik geometryczny> "
                   "[ziarno]\n");
      return 1;
    }
    if (!parseDigits(text, count) || *text || count == 0 || count > kMaxObjects) {
      std::fprintf(stderr,
                   "olvgen: błędna liczba obiektów „%s”: potrzebna liczba dodatnia nie większa "
                   "niż 2^40\n",
                   argv[2]);
      return 1;
    }
    if (argc > 5 && !parseSeed(argv[5], seed)) {
      std::fprintf(stderr, "olvgen: błędne ziarno „%s”: potrzebna liczba od 0 do 2^64 - 1\n",
                   argv[5]);
      return 1;
    }
    return writePair(count, argv[3], argv[4], seed);
  }
  const bool objects = argc > 1 && std::strcmp(argv[1], "--obiekty") == 0;
  if (objects ? argc < 4 || argc > 5 : argc < 3 || argc > 4) {
    std::fprintf(stderr,
                 "użycie: olvgen <plik> <rozmiar[K|M|G]> [ziarno]\n"
                 "        olvgen --obiekty <liczba> <plik> [ziarno]\n"
                 "        olvgen --para <liczba> <plik opisowy> <plik geometryczny> [ziarno]\n");
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
