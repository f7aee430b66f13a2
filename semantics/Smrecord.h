// The bookkeeping record of one object record, kept for the checks across
// records: what identifies it, where it stands, its relations and the
// counters of its component relations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/Export.h"
#include "semantics/Smelemrelation.h"
#include "semantics/Smqueue.h"
#include "semantics/Smrelation.h"

namespace swde {

using plat::AnsiString;

class OLVRULES_API smRecord {
 public:
  smRecord() = default;
  explicit smRecord(const AnsiString& typeName);
  smRecord(const smRecord&) = delete;
  smRecord& operator=(const smRecord&) = delete;
  virtual ~smRecord();

  // A new relation with that code (its reference name stays empty),
  // appended. The relations are held in one block: the pointer stays valid
  // up to the next addRelation or shrinkRelations.
  smRelation* addRelation(const AnsiString& code);
  // The relations' block cut to their number, once they are all added.
  void shrinkRelations();
  // A new counter named name, starting at 0, appended.
  smElemRelation* addElemRelation(const AnsiString& name);
  // The first counter named name, or null; the cursor stays where it is.
  smElemRelation* getElemRelation(const AnsiString& name) const;

  smRelation* getFirstRelation();
  smRelation* getNextRelation();
  smElemRelation* getFirstElemRelation();
  smElemRelation* getNextElemRelation();

  AnsiString label;  // the record line's identifier, e.g. "RO"
  AnsiString typeName;
  AnsiString objectId;
  AnsiString recordId;
  AnsiString status;
  int fileIndex = 0;
  int linkCount = 0;
  std::uint64_t position = 0;
  std::uint64_t line = 0;
  bool accepted = true;
  // The next record of the run filed with the same object identifier.
  smRecord* nextSameObjectId = nullptr;

 private:
  static constexpr std::size_t kNoCursor = static_cast<std::size_t>(-1);

  std::vector<smRelation> relations_;
  std::size_t relationCursor_ = kNoCursor;  // before the first and after the last
  smQueue<smElemRelation> elemRelations_;
};

}  // namespace swde
