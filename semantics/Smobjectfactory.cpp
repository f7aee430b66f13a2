#include "semantics/Smobjectfactory.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <vector>

#include "semantics/G5adr.h"
#include "semantics/G5bud.h"
#include "semantics/G5dok.h"
#include "semantics/G5dze.h"
#include "semantics/G5dzw.h"
#include "semantics/G5grn.h"
#include "semantics/G5ins.h"
#include "semantics/G5jdr.h"
#include "semantics/G5jew.h"
#include "semantics/G5jrz.h"
#include "semantics/G5kkl.h"
#include "semantics/G5klu.h"
#include "semantics/G5lkl.h"
#include "semantics/G5mlz.h"
#include "semantics/G5obr.h"
#include "semantics/G5osf.h"
#include "semantics/G5osz.h"
#include "semantics/G5pdz.h"
#include "semantics/G5pzg.h"
#include "semantics/G5rst.h"
#include "semantics/G5udd.h"
#include "semantics/G5udw.h"
#include "semantics/G5udz.h"
#include "semantics/G5uzg.h"
#include "semantics/G5zmn.h"

namespace swde {
namespace {

template <class T>
std::unique_ptr<smObject> make(const AnsiString& typeName) {
  return std::make_unique<T>(typeName);
}

struct Entry {
  std::string_view name;
  std::unique_ptr<smObject> (*create)(const AnsiString&);
};

// Names compared exactly and case-sensitively.
constexpr Entry kClasses[] = {
    {"G5ADR", make<G5ADR>},   {"G5BUD", make<G5BUD>},   {"G5O_BUD", make<G5BUD>},
    {"G5G_BUD", make<G5BUD>}, {"G5DOK", make<G5DOK>},   {"G5DZE", make<G5DZE>},
    {"G5O_DZE", make<G5DZE>}, {"G5G_DZE", make<G5DZE>}, {"G5DZW", make<G5DZW>},
    {"G5GRN", make<G5GRN>},   {"G5INS", make<G5INS>},   {"G5JDR", make<G5JDR>},
    {"G5JEW", make<G5JEW>},   {"G5O_JEW", make<G5JEW>}, {"G5G_JEW", make<G5JEW>},
    {"G5JRZ", make<G5JRZ>},   {"G5KKL", make<G5KKL>},   {"G5G_KKL", make<G5KKL>},
    {"G5KLU", make<G5KLU>},   {"G5LKL", make<G5LKL>},   {"G5MLZ", make<G5MLZ>},
    {"G5OBR", make<G5OBR>},   {"G5O_OBR", make<G5OBR>}, {"G5G_OBR", make<G5OBR>},
    {"G5OSF", make<G5OSF>},   {"G5OSZ", make<G5OSZ>},   {"G5PDZ", make<G5PDZ>},
    {"G5PZG", make<G5PZG>},   {"G5RST", make<G5RST>},   {"G5G_RST", make<G5RST>},
    {"G5UDD", make<G5UDD>},   {"G5UDW", make<G5UDW>},   {"G5UDZ", make<G5UDZ>},
    {"G5UZG", make<G5UZG>},   {"G5G_UZG", make<G5UZG>}, {"G5ZMN", make<G5ZMN>},
};

}  // namespace

smObjectFactory::smObjectFactory() = default;

smObjectFactory::~smObjectFactory() = default;

std::unique_ptr<smObject> smObjectFactory::createObject(const AnsiString& recordTypeName) const {
  // The table in name order, made once, for a search per object.
  static const std::vector<Entry> byName = [] {
    std::vector<Entry> sorted(std::begin(kClasses), std::end(kClasses));
    std::sort(sorted.begin(), sorted.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return sorted;
  }();
  const std::string_view name = recordTypeName;
  const auto at = std::lower_bound(byName.begin(), byName.end(), name,
                                   [](const Entry& e, std::string_view n) { return e.name < n; });
  if (at != byName.end() && at->name == name) return at->create(recordTypeName);
  return std::make_unique<smObject>(recordTypeName);
}

}  // namespace swde
