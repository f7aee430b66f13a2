// A metadata model: the reference model that ships with the system, or the
// model a file declares in its own metadata sections. It owns its five
// sections; the accessors only hand them out.
#pragma once

#include <memory>

#include "metadata/Attribssection.h"
#include "metadata/Contextsection.h"
#include "metadata/Dictssection.h"
#include "metadata/Graphsection.h"
#include "metadata/Typessection.h"
#include "platform/Export.h"

namespace swde {

class OLVSCHEMA_API Metadata {
 public:
  Metadata();
  Metadata(const Metadata&) = delete;
  Metadata& operator=(const Metadata&) = delete;
  virtual ~Metadata();

  ContextSection* getContextSection() const { return contexts_.get(); }
  AttribsSection* getAttribsSection() const { return attribs_.get(); }
  TypesSection* getTypesSection() const { return types_.get(); }
  DictsSection* getDictsSection() const { return dicts_.get(); }
  GraphSection* getGraphSection() const { return graphs_.get(); }

  // Exchanges the five sections with other's. Both objects stay where they
  // are, so pointers to them stay valid; pointers to the sections and their
  // entries follow the sections to the other model.
  void swap(Metadata& other) noexcept;

 private:
  // Made in this order, freed in the reverse one.
  std::unique_ptr<ContextSection> contexts_;
  std::unique_ptr<AttribsSection> attribs_;
  std::unique_ptr<TypesSection> types_;
  std::unique_ptr<DictsSection> dicts_;
  std::unique_ptr<GraphSection> graphs_;
};

}  // namespace swde
