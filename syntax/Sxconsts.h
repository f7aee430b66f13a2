// Limits and sizes shared by the syntax layer and its users.
#pragma once

#include <cstddef>

namespace swde {

// Buffer size with which the reader opens a data file.
constexpr unsigned kFileBufferSize = 16384;

// Longest line that sxTokenizer::seekEndLine skips.
constexpr unsigned kSeekLineLimit = 255;

}  // namespace swde
