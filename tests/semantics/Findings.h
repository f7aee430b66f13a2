// What the semantic tests read back from an object: its findings as codes,
// or as (code, kind) pairs, in the order raised.
#pragma once

#include <utility>
#include <vector>

#include "semantics/Smobject.h"

namespace swde::test {

inline std::vector<int> codes(smObject& o) {
  std::vector<int> out;
  for (smError* e = o.getFirstError(); e; e = o.getNextError()) out.push_back(e->code);
  return out;
}

inline std::vector<std::pair<int, int>> codesAndKinds(smObject& o) {
  std::vector<std::pair<int, int>> out;
  for (smError* e = o.getFirstError(); e; e = o.getNextError()) out.emplace_back(e->code, e->kind);
  return out;
}

using Codes = std::vector<int>;
using CodesAndKinds = std::vector<std::pair<int, int>>;

}  // namespace swde::test
