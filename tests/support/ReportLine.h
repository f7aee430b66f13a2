// One report line as read back, comparable and printable in test messages.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "processing/bzReport.h"

namespace testsupport {

struct ReportLine {
  std::int64_t lineNo;
  std::int32_t fileIdx;
  std::int64_t position;
  std::string text;
  bool operator==(const ReportLine&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const ReportLine& l) {
  return os << "{" << l.lineNo << ", " << l.fileIdx << ", " << l.position << ", \""
            << plat::cp1250ToUtf8(l.text) << "\"}";
}

// A free line (no line number, file or position) from UTF-8 text.
inline ReportLine freeLine(const std::string& utf8) {
  return {-1, -1, -1, plat::cp(utf8)};
}

// Every line the report holds from its read cursor on.
inline std::vector<ReportLine> drain(swde::bzReport& r) {
  std::vector<ReportLine> lines;
  while (auto l = r.GetNextLine()) lines.push_back({l->lineNo, l->fileIdx, l->position, l->text});
  return lines;
}

// The report's lines of a file from its read cursor on: the findings,
// without the free lines.
inline std::vector<ReportLine> findings(swde::bzReport& r) {
  std::vector<ReportLine> out;
  for (const ReportLine& l : drain(r))
    if (l.fileIdx != -1) out.push_back(l);
  return out;
}

// Byte offset of line n (1 the first) of text; 0 for line 0.
inline std::int64_t offsetOfLine(const std::string& text, std::int64_t n) {
  std::size_t at = 0;
  for (std::int64_t i = 1; i < n; ++i) at = text.find('\n', at) + 1;
  return static_cast<std::int64_t>(at);
}

}  // namespace testsupport
