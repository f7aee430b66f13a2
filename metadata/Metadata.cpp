#include "metadata/Metadata.h"

namespace swde {

Metadata::Metadata()
    : contexts_(std::make_unique<ContextSection>()),
      attribs_(std::make_unique<AttribsSection>()),
      types_(std::make_unique<TypesSection>()),
      dicts_(std::make_unique<DictsSection>()),
      graphs_(std::make_unique<GraphSection>()) {}

Metadata::~Metadata() = default;

void Metadata::swap(Metadata& other) noexcept {
  contexts_.swap(other.contexts_);
  attribs_.swap(other.attribs_);
  types_.swap(other.types_);
  dicts_.swap(other.dicts_);
  graphs_.swap(other.graphs_);
}

}  // namespace swde
