// The merge's record of one SWDE object: where its text lies in the spool
// file, where its record starts in its input, and the fields of its record
// header line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "merge/Mgtext.h"
#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVJOIN_API mgObject {
 public:
  // Text parts: 0 the geometry blocks of a geometric-part object, or every
  // line of any other object; 1 attribute lines; 2 relation lines.
  static constexpr int kParts = 3;

  // Lines of one text part that name another object; the second pass
  // resolves them in this order of kinds. A count that would pass the
  // most a count holds raises (addLine).
  struct ReferenceLines {
    std::uint32_t wg = 0;
    std::uint32_t wl = 0;
    std::uint32_t p = 0;
  };
  // The most bytes a text part may hold; more raises (setTextLength).
  static constexpr std::uint64_t kMostTextBytes = UINT32_MAX;

  mgObject();
  ~mgObject();

  // A run makes millions of these, each living until the end of the run:
  // they come from slabs of their own, given back when the last one goes.
  static void* operator new(std::size_t size);
  static void operator delete(void* p, std::size_t size) noexcept;
  // Destroys count objects made by new, as many deletes would: the objects
  // on every core, their memory given back in one go.
  static void destroy(mgObject* const* objects, std::size_t count) noexcept;
  // The same for the objects of several lists at once (nulls among them
  // skipped), as if they were one.
  struct Run {
    mgObject* const* objects;
    std::size_t count;
  };
  static void destroy(std::initializer_list<Run> runs) noexcept;

  // Where text part k starts in the spool file: the parts lie one after the
  // other from textStart.
  std::uint64_t textOffset(int k) const {
    std::uint64_t at = textStart;
    for (int i = 0; i < k; ++i) at += textLength[i];
    return at;
  }
  // Part k is length bytes long; raises plat::Exception when that is more
  // than kMostTextBytes.
  void setTextLength(int k, std::uint64_t length);
  // One more line of kind count (a member of ReferenceLines); raises
  // plat::Exception when the count is at its most.
  static void addLine(std::uint32_t& count);

  // The fields are laid out by use, in the four 64-byte lines of an object
  // that the slabs place on a 64-byte boundary: a record identifier lookup
  // of the second pass (the most frequent) and an identifier lookup read the
  // first line only.
  mgText objectId;                               // header field 3
  mgText objectType;                             // header field 2
  mgText newRecordId;                            // new record identifier, decimal
  mgText recordId;                               // header field 4
  mgText version;                                // header field 5
  mgText mergedType;                             // "G5" + the object type behind its first "_"
  mgText mergeKey;                               // value of the type's key attribute
  mgText keptId;                                 // identifier written into field 3 of the result
  mgText recordName;                             // header field 1
  mgText recordKind;                             // header field 0 ("RO" and the like)
  std::uint64_t textStart = 0;                   // position of part 0 in the spool file
  std::uint32_t textLength[kParts] = {0, 0, 0};  // byte length of each part
  std::int32_t fileIndex = 0;                    // input the object came from (0 or 1)
  std::uint64_t filePosition = 0;                // header line's byte position in its input
  std::uint64_t lineNumber = 0;                  // header line's number in its input
  ReferenceLines references[kParts];
  std::uint8_t part = 0;  // 0 geometric part, 1 descriptive part, 2 other
  bool merged = false;    // paired with an object of the other input
  mgText comment;         // header line's comment, when comments are kept
};

static_assert(sizeof(mgObject) <= 256, "an object fills four 64-byte lines at most");

// Objects made one after the other by one thread, their memory taken from
// the slabs a run at a time (one lock a run, not one an object); what is
// left of the run goes back when the batch goes.
class OLVJOIN_API mgObjectBatch {
 public:
  mgObjectBatch() = default;
  ~mgObjectBatch();
  mgObjectBatch(const mgObjectBatch&) = delete;
  mgObjectBatch& operator=(const mgObjectBatch&) = delete;
  std::unique_ptr<mgObject> make();

 private:
  std::vector<void*> memory_;
};

}  // namespace swde
