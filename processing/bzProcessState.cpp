#include "processing/bzProcessState.h"

namespace swde {

using Guard = plat::TCriticalSectionLock;

bzProcessState::~bzProcessState() = default;

template <typename T, typename V>
void bzProcessState::store(T& field, const V& value) {
  Guard guard(lock_);
  field = value;
  changesCount_.fetch_add(1);
}

AnsiString bzProcessState::getCurrentFileName() const {
  Guard guard(lock_);
  return currentFileName_;
}

AnsiString bzProcessState::getStateMessage() const {
  Guard guard(lock_);
  return stateMessage_;
}

AnsiString bzProcessState::getFileFormat() const {
  Guard guard(lock_);
  return fileFormat_;
}

std::uint32_t bzProcessState::getFilesProceeded() const {
  Guard guard(lock_);
  return filesProceeded_;
}

std::uint64_t bzProcessState::getProcessMaxValue() const {
  Guard guard(lock_);
  return processMaxValue_;
}

std::uint64_t bzProcessState::getProcessPosition() const {
  Guard guard(lock_);
  return processPosition_;
}

std::uint32_t bzProcessState::getTotalErrorsNum() const {
  Guard guard(lock_);
  return totalErrorsNum_;
}

std::uint32_t bzProcessState::getTotalWarnsNum() const {
  Guard guard(lock_);
  return totalWarnsNum_;
}

int bzProcessState::getFileInfoCount() const {
  Guard guard(lock_);
  return static_cast<int>(fileInfos_.size());
}

bzProcessState::FileInfo bzProcessState::getFileInfo(int i) const {
  Guard guard(lock_);
  if (i < 0 || static_cast<std::size_t>(i) >= fileInfos_.size()) return FileInfo{};
  return fileInfos_[static_cast<std::size_t>(i)];
}

void bzProcessState::setCurrentFileName(const AnsiString& name) {
  store(currentFileName_, name);
}

void bzProcessState::setFilesProceeded(std::uint32_t n) {
  store(filesProceeded_, n);
}

void bzProcessState::setProcessMaxValue(std::uint64_t n) {
  store(processMaxValue_, n);
}

void bzProcessState::setProcessPosition(std::uint64_t n) {
  store(processPosition_, n);
}

void bzProcessState::setStateMessage(const AnsiString& message) {
  store(stateMessage_, message);
}

void bzProcessState::setTotalErrorsNum(std::uint32_t n) {
  store(totalErrorsNum_, n);
}

void bzProcessState::setTotalWarnsNum(std::uint32_t n) {
  store(totalWarnsNum_, n);
}

void bzProcessState::setFileFormat(const AnsiString& format) {
  store(fileFormat_, format);
}

void bzProcessState::setFileFormatVersion(double version) {
  Guard guard(lock_);
  fileFormatVersion_.store(version);
  changesCount_.fetch_add(1);
}

void bzProcessState::setRecordsNumber(std::uint32_t n) {
  Guard guard(lock_);
  recordsNumber_.store(n);
  changesCount_.fetch_add(1);
}

void bzProcessState::setFileInfo(const FileInfo& info, int i) {
  if (i < 0) return;
  Guard guard(lock_);
  const std::size_t at = static_cast<std::size_t>(i);
  if (at >= fileInfos_.size()) fileInfos_.resize(at + 1);
  fileInfos_[at] = info;
  changesCount_.fetch_add(1);
}

}  // namespace swde
