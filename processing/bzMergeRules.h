// The rules of the merge that need neither a reader nor the worker thread:
// the three type lists and the kind of an input, the renames of types and
// relations, the merged type, the key attribute of an object, the split of a
// free-text field, the header fields of an object, the rewriting of an
// object's line for the spool file, the kept and new record identifiers, and
// the order of the object lists.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "merge/Mgerrors.h"
#include "merge/Mgobject.h"
#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "platform/LargeMemory.h"
#include "platform/Parts.h"

namespace swde {

using plat::AnsiString;

class OLVCORE_API bzMergeRules {
 public:
  // Kind of an input: what its SO section holds.
  enum Kind : std::uint8_t { kindUndecided = 0, kindDescriptive = 1, kindGeometric = 2 };

  // Which reader takes an SO record of a type.
  enum class Reader : std::uint8_t {
    geometry,     // the four geometric part types: three text parts
    description,  // the four descriptive part types
    another,      // every other type
    uncatalogued  // a "G5O_"/"G5G_" type outside the catalogue: 20004, then as another
  };

  // The outcome of numbering one object: code 0 when its identifier is kept,
  // else the code of the finding (20007, 20008, 20009, 20010, or 107 for a
  // kept identifier too long), which ends the first pass of the input.
  struct Verdict {
    int code = 0;
    AnsiString message;  // finished text of the finding; empty for code 0
    bool kept() const { return code == 0; }
  };

  // Longest object identifier the merged file takes.
  static constexpr std::size_t kMaxIdLength = 32;

  bzMergeRules(bool skipComments, bool skipWhiteChars);

  // Membership of a type in the three lists: the name occurs anywhere in the
  // list's text, byte for byte; an empty name is in none.
  static bool isDescriptiveType(std::string_view type);
  static bool isGeometricType(std::string_view type);
  static bool isMergedType(std::string_view type);
  // Exactly one of the merged types' names (isMergedType also takes a part
  // of a name).
  static bool isMergedTypeName(std::string_view type);
  // The kind an SO record of type decides; kindUndecided for a type in
  // neither part list.
  static Kind kindOfType(std::string_view type);
  static Reader readerOf(std::string_view type);
  // Whether an object read by `another` is searched for its key.
  static bool anotherHasKey(std::string_view type);

  // Name of the record type a TD line of name makes: the eight part types
  // lose their part ("G5O_DZE", "G5G_DZE" -> "G5DZE"); others stay.
  static AnsiString typeRename(std::string_view name);
  // Name of a relation (W, WE, WR lines; WG, WL lines of an object): "G5R" +
  // what follows its first "_"; a name without "_" stays.
  static AnsiString relationRename(std::string_view name);
  // "G5" + what follows the first "_" of an object type; a type without "_"
  // stays.
  static AnsiString mergedType(std::string_view objectType);

  // A free-text field (the last one of NS, NU and D lines, which holds the
  // line's ";" and comment) split at its first ";".
  struct FreeText {
    std::string_view value;
    std::string_view comment;
    bool separated = false;  // the field held a ";"
  };
  static FreeText splitFreeText(std::string_view field);
  // Key of a (user) context record of an NS or NU line: the pair (field 1,
  // value), both trimmed, so that the records sort by field 1, then value.
  static AnsiString contextKey(std::string_view field1, std::string_view value);

  // Whether a D line naming attribute carries the key of an object of
  // mergedType.
  static bool isKeyLine(std::string_view attribute, std::string_view mergedType);
  // Offers one D line (its field count, field 1 and last field as the reader
  // gives them) to the key search of object. Only the first key line counts:
  // it sets found, and with four fields its value, trimmed, becomes the
  // key; after it nothing changes.
  static void offerKeyLine(mgObject& object, bool& found, std::size_t fieldCount,
                           std::string_view attribute, std::string_view lastField);

  // Header fields of an SO record: fields 0 and 1 as the reader gives them,
  // fields 2 to 5 trimmed; the merged type follows the object type. Fields
  // the line lacks leave their texts empty.
  static void setHeaderFields(mgObject& object, const std::string_view* fields, std::size_t count);

  // Appends one line of an object as the spool file keeps it: its fields
  // joined by ",", the relation of a WG or WL line renamed, the value of a
  // D line cut from its comment, the ";" and, unless comments are skipped,
  // the comment, then CR LF. The WG, WL and P lines are counted in refs.
  void appendLine(int lineCode, const std::string_view* fields, std::size_t count,
                  bool hasSeparator, std::string_view comment, AnsiString& text,
                  mgObject::ReferenceLines& refs) const;

  // Gives object the next new record identifier (the counter runs over both
  // inputs and is taken by rejected objects too) and its kept identifier for
  // an input of kind currentKind.
  Verdict makeNewRecordIds(mgObject& object, std::uint8_t currentKind);
  std::uint64_t nextRecordId() const { return nextRecordId_; }
  // Takes count identifiers as count calls of makeNewRecordIds would: for
  // objects numbered elsewhere, which the caller renumbers from the value
  // nextRecordId gave before.
  void takeRecordIds(std::uint64_t count) { nextRecordId_ += count; }

  // Order of the object lists: objectId, then objectType, as bytes.
  static bool objectLess(const mgObject& a, const mgObject& b);
  // Sorts a list built by appending in reading order; objects with equal keys
  // end up in reverse reading order.
  // With from, each sorted object's position before the sort goes there.
  template <class List>
  static void sortObjects(List& list, plat::LargeTable<std::size_t>* from = nullptr) {
    constexpr std::size_t kPerRun = 64 * 1024;
    const std::size_t n = list.size();
    plat::LargeTable<const mgObject*> objects(n);
    plat::inRuns(n, kPerRun, [&](std::size_t a, std::size_t b) {
      for (std::size_t i = a; i < b; ++i) objects[i] = &*list[i];
    });
    plat::LargeTable<std::size_t> order = sortedOrder(objects);
    // Each place of the list takes the object the order puts there: the
    // objects are all in objects, so no place needs another's.
    plat::inRuns(n, kPerRun, [&](std::size_t a, std::size_t b) {
      for (std::size_t i = a; i < b; ++i) place(list[i], objects[order[i]]);
    });
    if (from) *from = std::move(order);
  }
  // The positions of objects in the order of the lists: objectLess, and
  // equal keys in reverse order of position.
  static plat::LargeTable<std::size_t> sortedOrder(
      const plat::LargeTable<const mgObject*>& objects);

 private:
  // slot holds object instead of what it held, which it does not own any
  // more (the sort has it).
  static void place(std::unique_ptr<mgObject>& slot, const mgObject* object) noexcept {
    static_cast<void>(slot.release());
    slot.reset(const_cast<mgObject*>(object));
  }
  static void place(mgObject*& slot, const mgObject* object) noexcept {
    slot = const_cast<mgObject*>(object);
  }

  bool skipComments_;
  bool skipWhiteChars_;
  std::uint64_t nextRecordId_ = 1;
  // The type makeNewRecordIds looked up last and its membership of the lists.
  AnsiString listsType_;
  bool listsKnown_ = false;
  bool inDescriptive_ = false;
  bool inGeometric_ = false;
  bool inMerged_ = false;
};

}  // namespace swde
