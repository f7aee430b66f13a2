// One report record as the report reader returns it. A field that the
// report stores as none (title, file and summary lines) is -1.
#pragma once

#include <cstdint>
#include <string>

namespace olv {

struct LRepLineInfo {
  std::int64_t line = -1;       // the checked file's line number
  std::int64_t filePos = -1;    // byte offset in the checked file
  std::int32_t fileIndex = -1;  // index into the report's file list
  std::string text;             // bytes as stored
};

}  // namespace olv
