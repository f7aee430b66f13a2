// Paged line buffer of the report viewer: the same paging as LBufor, over a
// text file (text mode) or over the records of a binary report (report mode,
// where a "line" is a record).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Export.h"
#include "viewers/LRepLineInfo.h"
#include "viewers/LineSource.h"

namespace plat {
class InputFile;
}

namespace olv {

class LoadNotice;

class OLVPAGING_API LRepBufor : public LineSource {
 public:
  enum Mode : int { kClosed = 0, kText = 1, kReport = 2 };

  explicit LRepBufor(int blockSize = 50, int checkpointStep = 1000, std::size_t readBlock = 65536);
  ~LRepBufor() override;
  LRepBufor(const LRepBufor&) = delete;
  LRepBufor& operator=(const LRepBufor&) = delete;

  // Text mode over an open file (owned by the control).
  void openText(plat::InputFile& in);

  // Report mode over an open report file (owned by the control): 0 ready,
  // 1 the report lists no checked file (nothing loaded), 2 the header is
  // corrupt or could not be read. Unless 0 the buffer is left closed.
  int openReport(plat::InputFile& in);

  std::string getLine(std::int64_t n, int& err, int dir) override;
  std::vector<std::string> getLines(std::int64_t first, std::int64_t count, int& err,
                                    int dir) override;
  std::uint64_t getKnownLines() const override;

  // Report mode: the whole record n, read from the report file; the window
  // and the read position are left as they were. Empty when none.
  std::optional<LRepLineInfo> getLineInfo(std::int64_t n);

  // Folder + name of checked file i of the report's header; "" out of range.
  std::string getCheckedFilePath(std::int32_t i) const;

  // Every line (text mode) or record (report mode) from the first, in
  // order, read with a reader of its own: the window, the index and the read
  // position stay as they were. In text mode only text is set. fn returns
  // false to stop early. 0 all walked or stopped by fn, 2 a read of the file
  // failed, -1 nothing open.
  int walk(const std::function<bool(const LRepLineInfo&)>& fn);

  // Empties the window and returns to closed.
  void clear();
  int mode() const;

  void setNotice(LoadNotice* notice);
  std::uint64_t linesRead() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace olv
