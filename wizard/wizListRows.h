// The rows of the main window's list: for each command a caption by its
// function, its input files, then the output, the report and the options,
// each under a header row. Every row carries its command's index, so that
// selecting a row selects the command's block.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/AnsiString.h"
#include "wizard/wizCommandList.h"

namespace swde {

struct wizListRow {
  AnsiString text;  // cp1250, or file-system bytes when isName
  int image = -1;   // row image, -1 for none
  std::size_t command = 0;
  bool isName = false;

  bool operator==(const wizListRow&) const = default;
};

class wizListRows {
 public:
  static std::vector<wizListRow> rows(const wizCommandList& list);
  // The rows of the command that row belongs to (indexes into rows).
  static std::vector<std::size_t> block(const std::vector<wizListRow>& rows, std::size_t row);
};

}  // namespace swde
