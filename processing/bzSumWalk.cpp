#include "processing/bzSumWalk.h"

namespace swde {

using namespace doclines;

void bzSumWalk::restart() {
  file.restart();
  section.restart();
  record.restart();
  inSection = inRecord = false;
  sectionCode = -1;
  slot = -1;
}

bzSumWalk::Ends bzSumWalk::feed(int code, std::string_view text, bzDocCounters& counters,
                                std::uint32_t& records) {
  if (isSectionStart(code)) {
    inSection = true;
    sectionCode = code;
    slot = counters.getSectionIndex(code);
    counters.sections[static_cast<std::size_t>(slot)].present = true;
    section.restart();
  }
  const bool recordStart = isRecordStart(code);
  if (recordStart || isOneLineRecord(code)) {
    ++records;
    if (slot >= 0) ++counters.sections[static_cast<std::size_t>(slot)].records;
  }
  if (recordStart) {
    inRecord = true;
    record.restart();
  }
  const Ends ends{isFileEnd(code), isSectionEnd(code), isRecordEnd(code)};
  bzSumCRC* sums[3] = {ends.file ? nullptr : &file, inSection && !ends.section ? &section : nullptr,
                       inRecord && !ends.record ? &record : nullptr};
  bzSumCRC::putEach(text, sums, 3);
  return ends;
}

void bzSumWalk::endSection() {
  section.restart();
  inSection = false;
  sectionCode = 0;
}

void bzSumWalk::endRecord() {
  record.restart();
  inRecord = false;
}

}  // namespace swde
