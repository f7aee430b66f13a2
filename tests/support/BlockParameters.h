// The threads and the block size of the bulk syntax check for the length of
// a scope; the defaults come back at its end.
#pragma once

#include <cstddef>

#include "syntax/Sxanalyzer.h"

namespace testsupport {

class BlockParameters {
 public:
  BlockParameters(unsigned threads, std::size_t blockSize) {
    swde::sxAnalyzer::setBlockParameters(threads, blockSize);
  }
  ~BlockParameters() { swde::sxAnalyzer::setBlockParameters(0, 0); }
  BlockParameters(const BlockParameters&) = delete;
  BlockParameters& operator=(const BlockParameters&) = delete;
};

}  // namespace testsupport
