// The progress record of a run: the worker thread writes it through the
// setters, the user interface reads it from its own thread. Each get or set is
// one step under the record's lock; a reader may see one update half applied.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/CriticalSection.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVCORE_API bzProcessState {
 public:
  struct FileInfo {
    enum Status : std::uint8_t { NotOpened = 0, Opened = 1, Finished = 2 };

    std::uint32_t warnings = 0;
    std::uint32_t errors = 0;
    std::uint8_t status = NotOpened;
  };

  bzProcessState() = default;
  virtual ~bzProcessState();
  bzProcessState(const bzProcessState&) = delete;
  bzProcessState& operator=(const bzProcessState&) = delete;

  AnsiString getCurrentFileName() const;
  AnsiString getStateMessage() const;
  AnsiString getFileFormat() const;
  std::uint32_t getFilesProceeded() const;
  std::uint64_t getProcessMaxValue() const;  // bytes: 64-bit, files may pass 4 GiB
  std::uint64_t getProcessPosition() const;
  std::uint32_t getTotalErrorsNum() const;
  std::uint32_t getTotalWarnsNum() const;
  int getFileInfoCount() const;
  // Entry i, or zeros (status NotOpened) when i is outside the array.
  FileInfo getFileInfo(int i) const;

  // Read without the lock.
  std::int32_t getChangesCount() const { return changesCount_.load(); }
  double getFileFormatVersion() const { return fileFormatVersion_.load(); }
  std::uint32_t getRecordsNumber() const { return recordsNumber_.load(); }

  // Each setter stores its value and raises the change count by one, also
  // when the value is unchanged.
  void setCurrentFileName(const AnsiString& name);
  void setFilesProceeded(std::uint32_t n);
  void setProcessMaxValue(std::uint64_t n);
  void setProcessPosition(std::uint64_t n);
  void setStateMessage(const AnsiString& message);
  void setTotalErrorsNum(std::uint32_t n);
  void setTotalWarnsNum(std::uint32_t n);
  void setFileFormat(const AnsiString& format);
  void setFileFormatVersion(double version);
  void setRecordsNumber(std::uint32_t n);
  // Stores info as entry i; an i past the end grows the array with zero
  // entries up to it. A negative i changes nothing, not even the count.
  void setFileInfo(const FileInfo& info, int i);

 private:
  template <typename T, typename V>
  void store(T& field, const V& value);

  std::uint32_t filesProceeded_ = 0;
  AnsiString currentFileName_;
  AnsiString stateMessage_;
  std::uint32_t totalWarnsNum_ = 0;
  std::uint32_t totalErrorsNum_ = 0;
  std::uint64_t processPosition_ = 0;
  std::uint64_t processMaxValue_ = 0;
  std::vector<FileInfo> fileInfos_;
  std::atomic<std::int32_t> changesCount_{0};
  mutable plat::TCriticalSection lock_;
  AnsiString fileFormat_;
  std::atomic<double> fileFormatVersion_{0.0};
  std::atomic<std::uint32_t> recordsNumber_{0};
};

}  // namespace swde
