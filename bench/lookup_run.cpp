// Times the lookups by code that the semantic check makes per attribute and
// per definition: a record type of many definitions, an object of many
// attributes, and whole object checks against such a type.
//   olvbench_lookup [definitions, default 200] [lookups, default 1000000]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "metadata/Metadata.h"
#include "platform/AnsiString.h"
#include "platform/Format.h"
#include "semantics/Smobject.h"

namespace {

using plat::AnsiString;
using Clock = std::chrono::steady_clock;

// Codes "G5A000".."G5Annn"; every third definition is filed under a field
// name of its own, so that key order and code order differ.
AnsiString codeOf(std::size_t i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "G5A%03zu", i);
  return buf;
}

AnsiString fieldOf(std::size_t i) {
  if (i % 3 != 0) return AnsiString();
  char buf[16];
  std::snprintf(buf, sizeof buf, "POLE_%03zu", 999 - i % 1000);
  return buf;
}

double since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

void print(const char* what, std::size_t n, std::size_t lookups, double s, std::size_t found) {
  std::printf("%-34s %4zu entries, %8zu lookups: %8.3f s = %7.1f ns/lookup (%zu found)\n", what, n,
              lookups, s, s * 1e9 / static_cast<double>(lookups), found);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t n = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
  const std::size_t lookups = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1000000;
  if (n == 0 || n > 1000 || lookups == 0) {
    std::fprintf(stderr, "użycie: olvbench_lookup [definicje 1..1000] [wyszukania]\n");
    return 1;
  }
  // The codes asked for: every code in turn, and one unknown code in ten.
  std::vector<AnsiString> asked;
  for (std::size_t i = 0; i < n; ++i) {
    asked.push_back(codeOf(i));
    if (i % 10 == 9) asked.push_back("G5BRAK");
  }

  swde::Metadata annex;
  swde::RecordType* type = annex.getTypesSection()->addType("G5T", "RO", "");
  for (std::size_t i = 0; i < n; ++i) {
    type->addAttribute(codeOf(i), fieldOf(i))->mandatoryLevel = i % 7 == 0 ? 1 : 3;
    type->addReference("R" + codeOf(i), fieldOf(i));
    annex.getAttribsSection()->addAttribute(codeOf(i))->type = i % 2 ? "NO" : "ZN";
  }

  std::size_t found = 0;
  auto t0 = Clock::now();
  for (std::size_t k = 0; k < lookups; ++k)
    found += type->getAttributeByCode(asked[k % asked.size()]) != nullptr;
  print("RecordType::getAttributeByCode", n, lookups, since(t0), found);

  std::vector<AnsiString> askedRefs;
  for (const AnsiString& c : asked) askedRefs.push_back("R" + c);
  found = 0;
  t0 = Clock::now();
  for (std::size_t k = 0; k < lookups; ++k)
    found += type->getReferenceByCode(askedRefs[k % askedRefs.size()]) != nullptr;
  print("RecordType::getReferenceByCode", n, lookups, since(t0), found);

  swde::smObject object("G5T");
  for (std::size_t i = 0; i < n; ++i) object.addAttribute(codeOf(i), fieldOf(i), "1");
  found = 0;
  t0 = Clock::now();
  for (std::size_t k = 0; k < lookups; ++k)
    found += object.getAttributeByCode(asked[k % asked.size()]) != nullptr;
  print("smObject::getAttributeByCode", n, lookups, since(t0), found);

  // Whole checks: objects of 40 attributes (every fifth of the type's codes)
  // against the type; about as many lookups by code as above.
  const std::size_t perObject = n < 40 ? n : 40;
  const std::size_t objects = lookups / (3 * n + 4 * perObject) + 1;
  std::size_t findings = 0;
  t0 = Clock::now();
  for (std::size_t k = 0; k < objects; ++k) {
    swde::smObject o("G5T");
    o.status = "00";
    o.baseType = "RO";
    for (std::size_t i = 0; i < perObject; ++i) o.addAttribute(codeOf(i * n / perObject), "", "1");
    o.checkMain(&annex, nullptr);
    for (swde::smError* e = o.getFirstError(); e; e = o.getNextError()) ++findings;
  }
  const double s = since(t0);
  std::printf("%-34s %4zu entries, %8zu objects: %8.3f s = %7.1f us/object (%zu findings)\n",
              "smObject::checkMain", n, objects, s, s * 1e6 / static_cast<double>(objects),
              findings);
  return found == 0;
}
