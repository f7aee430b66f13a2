#include "metadata/Metadata.h"

namespace swde {

Metadata::Metadata()
    : contexts_(std::make_unique<ContextSection>()),
      attribs_(std::make_unique<AttribsSection>()),
      types_(std::make_unique<TypesSection>()),
      dicts_(std::make_unique<DictsSection>()),
      graphs_(std::make_unique<GraphSection>()) {}

Metadata::~Metadata() = default;

}  // namespace swde
