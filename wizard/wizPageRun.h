// The walk through the pages of one command: forward on Next, back on Back,
// a skipped page passed in the direction of travel. The run is completed
// past the last page and abandoned before the first one or when a page is
// closed.
#pragma once

#include <functional>

namespace swde {

enum class wizPageResult { Next, Back, Skipped, Closed };

class wizPageRun {
 public:
  static constexpr int kPages = 5;
  // Shows the page of the 0-based index and gives its result.
  using Show = std::function<wizPageResult(int index)>;

  explicit wizPageRun(Show show) : show_(std::move(show)) {}
  // True when completed.
  bool run();

 private:
  Show show_;
};

}  // namespace swde
