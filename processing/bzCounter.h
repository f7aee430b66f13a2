// Counters of text keys (object types, attributes, relations, condensed
// findings) and the two report blocks built from them.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

// Keys in ascending byte order (bytes compare as unsigned; a prefix sorts
// first), each with its count, and one iteration cursor.
class OLVCORE_API bzCounter {
 public:
  using Map = std::map<AnsiString, std::int32_t>;
  // Gives the key (first) and its count (second); end() when none.
  using Cursor = Map::const_iterator;

  bzCounter();
  virtual ~bzCounter();
  bzCounter(const bzCounter&) = delete;
  bzCounter& operator=(const bzCounter&) = delete;

  // Counts one occurrence of key; returns its new count (1 for a new key).
  int add(const AnsiString& key);
  // The entry of key; found false (and end()) when it is absent.
  Cursor find(const AnsiString& key, bool& found) const;
  Cursor end() const { return map_.end(); }
  bool empty() const { return map_.empty(); }
  // All entries in key order, for walks that leave the cursor alone.
  const Map& entries() const { return map_; }

 protected:
  Map map_;
  Cursor cursor_;
};

// Iterates over all keys.
class OLVCORE_API bzSimpleKeyCounter : public bzCounter {
 public:
  // The first key; found false on an empty counter.
  Cursor getFirstElementCounter(bool& found);
  // The next key; found false at the end (the cursor stays there).
  Cursor getNextElementCounter(bool& found);
};

// Iterates over the keys that begin with a prefix. An empty prefix finds
// nothing.
class OLVCORE_API bzComplexKeyCounter : public bzCounter {
 public:
  Cursor getFirstElementCounter(const AnsiString& prefix, bool& found);
  Cursor getNextElementCounter(bool& found);

 private:
  bool matches(Cursor at) const;

  AnsiString prefix_;
};

// Where the report blocks put their lines: one free text line per call.
using LineSink = std::function<void(const AnsiString&)>;

// The reference-consistency statistics of a semantic run, from the counters
// of object types, archival object types, attributes, relations and relation
// targets (keys: relation key + "?" + target). A null counter counts as empty; the
// counters' cursors are left as they are.
OLVCORE_API void reportStatistics(const bzCounter* objectTypes, const bzCounter* archivalTypes,
                                  const bzCounter* attributes, const bzCounter* relations,
                                  const bzCounter* relationTargets, const LineSink& sink);

// The warning and error statistics of a condensed report, from the counter of
// condensed findings (keys: object type + "?" + code). A null counter counts
// as empty.
OLVCORE_API void reportErrors(const bzCounter* condensed, const LineSink& sink);

}  // namespace swde
