#include "processing/bzMergeRules.h"

#include <algorithm>
#include <cstring>

#include "platform/Format.h"
#include "platform/Parts.h"
#include "syntax/Sxcodes.h"
#include "syntax/Sxerrors.h"

namespace swde {
namespace {

// The lists as texts: membership is a search in them, so the separators play
// no part (the comma missing behind "G5O_BUD" changes nothing) and a fragment
// of a listed name counts too.
constexpr std::string_view kDescriptiveTypes =
    "G5O_JEW, G5O_OBR, G5O_DZE, G5O_BUD G5KLU, G5ADR, G5OSF, G5INS, G5MLZ, G5OSZ, G5JDR, G5UDZ, "
    "G5UDW, G5JRZ, G5LKL, G5DZW, G5UDD, G5PDZ";
constexpr std::string_view kGeometricTypes =
    "G5G_JEW, G5G_OBR, G5G_DZE, G5G_BUD, G5G_RST, G5G_UZG, G5G_KKL, G5PZG, G5GRN";
constexpr std::string_view kMergedTypes = "G5JEW, G5OBR, G5DZE, G5BUD, G5RST, G5UZG, G5KKL";

bool inList(std::string_view list, std::string_view type) {
  return !type.empty() && list.find(type) != std::string_view::npos;
}

// type is one of the names of list, whole.
bool namedInList(std::string_view list, std::string_view type) {
  while (!list.empty()) {
    const std::size_t end = list.find(", ");
    if (list.substr(0, end) == type) return true;
    if (end == std::string_view::npos) break;
    list.remove_prefix(end + 2);
  }
  return false;
}

bool oneOf(std::string_view type, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names)
    if (type == n) return true;
  return false;
}

// Everything behind the first "_" with a new head; name unchanged without one.
AnsiString replaceHead(std::string_view name, std::string_view head) {
  const std::size_t u = name.find('_');
  if (u == std::string_view::npos) return AnsiString(name);
  AnsiString out;
  out.reserve(head.size() + name.size() - u - 1);
  out.append(head).append(name.substr(u + 1));
  return out;
}

AnsiString mapMessage(mgErrorCode code, const TVarRec* args, int last) {
  return mgError(code, args, last).message;
}

}  // namespace

bzMergeRules::bzMergeRules(bool skipComments, bool skipWhiteChars)
    : skipComments_(skipComments), skipWhiteChars_(skipWhiteChars) {}

bool bzMergeRules::isDescriptiveType(std::string_view type) {
  return inList(kDescriptiveTypes, type);
}

bool bzMergeRules::isGeometricType(std::string_view type) {
  return inList(kGeometricTypes, type);
}

bool bzMergeRules::isMergedType(std::string_view type) {
  return inList(kMergedTypes, type);
}

bool bzMergeRules::isMergedTypeName(std::string_view type) {
  return namedInList(kMergedTypes, type);
}

bzMergeRules::Kind bzMergeRules::kindOfType(std::string_view type) {
  if (isDescriptiveType(type)) return kindDescriptive;
  if (isGeometricType(type)) return kindGeometric;
  return kindUndecided;
}

bzMergeRules::Reader bzMergeRules::readerOf(std::string_view type) {
  if (oneOf(type, {"G5G_JEW", "G5G_OBR", "G5G_DZE", "G5G_BUD"})) return Reader::geometry;
  if (oneOf(type, {"G5O_JEW", "G5O_OBR", "G5O_DZE", "G5O_BUD"})) return Reader::description;
  if (type.find("G5O_") == std::string_view::npos && type.find("G5G_") == std::string_view::npos)
    return Reader::another;
  if (oneOf(type, {"G5G_UZG", "G5G_KKL", "G5G_RST"})) return Reader::another;
  return Reader::uncatalogued;
}

bool bzMergeRules::anotherHasKey(std::string_view type) {
  return type == "G5G_UZG" || type == "G5G_KKL";
}

AnsiString bzMergeRules::typeRename(std::string_view name) {
  if (oneOf(name, {"G5G_JEW", "G5G_OBR", "G5G_DZE", "G5G_BUD", "G5O_JEW", "G5O_OBR", "G5O_DZE",
                   "G5O_BUD"}))
    return "G5" + AnsiString(name.substr(4));
  return AnsiString(name);
}

AnsiString bzMergeRules::relationRename(std::string_view name) {
  return replaceHead(name, "G5R");
}

AnsiString bzMergeRules::mergedType(std::string_view objectType) {
  return replaceHead(objectType, "G5");
}

bzMergeRules::FreeText bzMergeRules::splitFreeText(std::string_view field) {
  FreeText t;
  const std::size_t s = field.find(';');
  if (s == std::string_view::npos) {
    t.value = field;
    return t;
  }
  t.value = field.substr(0, s);
  t.comment = field.substr(s + 1);
  t.separated = true;
  return t;
}

AnsiString bzMergeRules::contextKey(std::string_view field1, std::string_view value) {
  const std::string_view a = plat::TrimView(field1), b = plat::TrimView(value);
  AnsiString key;
  key.reserve(a.size() + 1 + b.size());
  key.append(a).push_back('\0');
  key.append(b);
  return key;
}

bool bzMergeRules::isKeyLine(std::string_view attribute, std::string_view mergedType) {
  struct Pair {
    std::string_view attribute, mergedType;
  };
  static constexpr Pair kKeys[] = {
      {"G5IDJ", "G5JEW"}, {"G5NRO", "G5OBR"}, {"G5IDR", "G5RST"}, {"G5IDD", "G5DZE"},
      {"G5IDB", "G5BUD"}, {"G5IDT", "G5UZG"}, {"G5IDK", "G5KKL"},
  };
  const std::string_view name = plat::TrimView(attribute);
  for (const Pair& p : kKeys)
    if (p.attribute == name && p.mergedType == mergedType) return true;
  return false;
}

void bzMergeRules::offerKeyLine(mgObject& object, bool& found, std::size_t fieldCount,
                                std::string_view attribute, std::string_view lastField) {
  if (found || !isKeyLine(attribute, object.mergedType)) return;
  found = true;
  if (fieldCount == 4)
    object.mergeKey = plat::TrimView(splitFreeText(lastField).value);
  else
    object.mergeKey.clear();
}

void bzMergeRules::setHeaderFields(mgObject& object, const std::string_view* fields,
                                   std::size_t count) {
  auto field = [&](std::size_t i) { return i < count ? fields[i] : std::string_view(); };
  object.recordKind = field(0);
  object.recordName = field(1);
  object.objectType = plat::TrimView(field(2));
  object.mergedType = mergedType(object.objectType);
  object.objectId = plat::TrimView(field(3));
  object.recordId = plat::TrimView(field(4));
  object.version = plat::TrimView(field(5));
}

void bzMergeRules::appendLine(int lineCode, const std::string_view* fields, std::size_t count,
                              bool hasSeparator, std::string_view comment, AnsiString& text,
                              mgObject::ReferenceLines& refs) const {
  const bool relation = lineCode == lcWG || lineCode == lcWL;
  // The reader folds the ";" and the comment of a D line into its last field.
  const bool freeText = lineCode == lcD && count == 4;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) text.push_back(',');
    if (relation && i == 1) {
      const std::string_view name = fields[i];
      const std::size_t u = name.find('_');
      if (u == std::string_view::npos) {
        text.append(name);
      } else {
        text.append("G5R").append(name.substr(u + 1));
      }
    } else if (freeText && i == 3) {
      const FreeText t = splitFreeText(fields[i]);
      text.append(skipWhiteChars_ ? plat::TrimView(t.value) : t.value);
      text.push_back(';');
      if (!skipComments_) text.append(t.comment);
    } else {
      text.append(fields[i]);
    }
  }
  if (hasSeparator && !freeText) text.push_back(';');
  if (!skipComments_ && !freeText) text.append(comment);
  text.append("\r\n");
  if (lineCode == lcWG) mgObject::addLine(refs.wg);
  if (lineCode == lcWL) mgObject::addLine(refs.wl);
  if (lineCode == lcP) mgObject::addLine(refs.p);
}

bzMergeRules::Verdict bzMergeRules::makeNewRecordIds(mgObject& object, std::uint8_t currentKind) {
  const std::string_view type = object.objectType;
  const bool any = !object.objectId.empty();
  // Types repeat from object to object: the lists are searched once a type.
  if (!listsKnown_ || type != listsType_) {
    listsType_ = type;
    listsKnown_ = true;
    inDescriptive_ = isDescriptiveType(type);
    inGeometric_ = isGeometricType(type);
    inMerged_ = isMergedType(type);
  }
  const bool pD = any && inDescriptive_;
  const bool pG = any && inGeometric_;
  const bool pM = any && inMerged_;
  object.newRecordId = plat::UIntToStr(nextRecordId_++);

  Verdict v;
  const char* prefix = nullptr;
  if (currentKind == kindDescriptive) {
    if (pD) {
      prefix = "";
    } else if (pG) {
      v.code = meGeometricInDescriptive;
    } else if (pM) {
      v.code = meMergedTypeInPart;
    } else {
      prefix = "O";
    }
  } else if (currentKind == kindGeometric) {
    if (pG) {
      prefix = "";
    } else if (pD) {
      v.code = meDescriptiveInGeometric;
    } else if (pM) {
      v.code = meMergedTypeInPart;
    } else {
      prefix = "G";
    }
  } else {
    v.code = meFileKindUndecided;
  }

  if (v.code == meMergedTypeInPart) {
    const TVarRec args[] = {TVarRec(type),
                            TVarRec(currentKind == kindDescriptive ? "opisowej" : "geometrycznej")};
    v.message = mapMessage(meMergedTypeInPart, args, 1);
  } else if (v.code == meFileKindUndecided) {
    v.message = mapMessage(meFileKindUndecided, nullptr, -1);
  } else if (v.code != 0) {
    const TVarRec typeArg[] = {TVarRec(type), TVarRec("")};
    v.message = mapMessage(static_cast<mgErrorCode>(v.code), typeArg, 0);
  }
  if (prefix == nullptr) return v;

  object.keptId = prefix + object.objectId;
  if (object.keptId.size() > kMaxIdLength) {
    v.code = ecIdTooLong;
    const TVarRec args[] = {TVarRec(object.keptId)};
    v.message = plat::Format(sxErrorText(ecIdTooLong), args, 0);
  }
  return v;
}

bool bzMergeRules::objectLess(const mgObject& a, const mgObject& b) {
  const int c = a.objectId.view().compare(b.objectId.view());
  if (c != 0) return c < 0;
  return a.objectType.view().compare(b.objectType.view()) < 0;
}

plat::LargeTable<std::size_t> bzMergeRules::sortedOrder(
    const plat::LargeTable<const mgObject*>& objects) {
  // The first 16 bytes of each identifier, zero-padded and big-endian, settle
  // most comparisons without touching the object: bytes compare unsigned,
  // and a padded prefix orders the same way as the identifier it starts.
  struct Entry {
    std::uint64_t head[2];
    std::size_t index;
  };
  auto load = [](const char* p, std::size_t n) {
    unsigned char b[8] = {};
    std::memcpy(b, p, std::min<std::size_t>(n, 8));
    std::uint64_t v = 0;
    for (const unsigned char c : b) v = v << 8 | c;
    return v;
  };
  const auto less = [&](const Entry& a, const Entry& b) {
    if (a.head[0] != b.head[0]) return a.head[0] < b.head[0];
    if (a.head[1] != b.head[1]) return a.head[1] < b.head[1];
    if (objectLess(*objects[a.index], *objects[b.index])) return true;
    if (objectLess(*objects[b.index], *objects[a.index])) return false;
    return a.index > b.index;
  };
  // The order is total (equal keys go by position), so the parts sorted on
  // threads of their own and merged give the one sorted sequence there is.
  const std::size_t n = objects.size();
  constexpr std::size_t kPerPart = 16 * 1024;
  std::size_t parts = 1;
  while (parts < plat::coreCount() && n / (2 * parts) >= kPerPart) parts *= 2;
  std::vector<std::size_t> bounds(parts + 1);
  for (std::size_t k = 0; k <= parts; ++k) bounds[k] = n * k / parts;
  plat::LargeTable<Entry> entries(n);
  plat::eachPart(parts, [&](std::size_t k) {
    for (std::size_t i = bounds[k]; i < bounds[k + 1]; ++i) {
      const std::string_view id = objects[i]->objectId;
      const std::size_t size = id.size();
      entries[i] = {{load(id.data(), size), size > 8 ? load(id.data() + 8, size - 8) : 0}, i};
    }
    std::sort(entries.begin() + static_cast<std::ptrdiff_t>(bounds[k]),
              entries.begin() + static_cast<std::ptrdiff_t>(bounds[k + 1]), less);
  });
  plat::LargeTable<std::size_t> order(n);
  if (parts == 1) {
    for (std::size_t i = 0; i < n; ++i) order[i] = entries[i].index;
    return order;
  }
  // The sorted parts are merged two by two, a level at a time, every merge
  // of a level shared out among as many threads as there are parts: each
  // writes an equal slice of the merge's output, whose start in each of the
  // two runs a binary search finds (no two entries are equal). The last
  // level writes the positions themselves.
  plat::LargeTable<Entry> merged(parts > 2 ? n : 0);
  for (std::size_t width = 1; width < parts; width *= 2) {
    const bool last = 2 * width >= parts;
    const std::size_t slices = 2 * width;  // of each merge; parts in all
    plat::eachPart(parts, [&](std::size_t t) {
      const std::size_t pair = t / slices;
      const std::size_t slice = t % slices;
      const std::size_t a = bounds[2 * pair * width];
      const std::size_t m = bounds[(2 * pair + 1) * width];
      const std::size_t b = bounds[(2 * pair + 2) * width];
      const Entry* const left = entries.data() + a;
      const Entry* const right = entries.data() + m;
      const std::size_t leftSize = m - a;
      const std::size_t rightSize = b - m;
      // How many of the first k merged entries come from the left run.
      auto fromLeft = [&](std::size_t k) {
        std::size_t lo = k > rightSize ? k - rightSize : 0;
        std::size_t hi = std::min(k, leftSize);
        while (lo < hi) {
          const std::size_t i = lo + (hi - lo) / 2;
          if (less(left[i], right[k - i - 1]))
            lo = i + 1;
          else
            hi = i;
        }
        return lo;
      };
      const std::size_t from = (b - a) * slice / slices;
      const std::size_t to = (b - a) * (slice + 1) / slices;
      const std::size_t l0 = fromLeft(from);
      const std::size_t l1 = fromLeft(to);
      const Entry* l = left + l0;
      const Entry* const lEnd = left + l1;
      const Entry* r = right + (from - l0);
      const Entry* const rEnd = right + (to - l1);
      auto mergeInto = [&](auto out) {
        while (l != lEnd && r != rEnd) out(less(*r, *l) ? *r++ : *l++);
        while (l != lEnd) out(*l++);
        while (r != rEnd) out(*r++);
      };
      if (last) {
        std::size_t* at = order.data() + a + from;
        mergeInto([&at](const Entry& e) { *at++ = e.index; });
      } else {
        Entry* at = merged.data() + a + from;
        mergeInto([&at](const Entry& e) { *at++ = e; });
      }
    });
    if (!last) entries.swap(merged);
  }
  return order;
}

}  // namespace swde
