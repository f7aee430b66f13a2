#include "viewers/LRepBufor.h"

#include "platform/FileStream.h"
#include "viewers/LRepFileList.h"
#include "viewers/LineReader.h"
#include "viewers/PagedWindow.h"
#include "viewers/RepRecordReader.h"

namespace olv {

struct LRepBufor::Impl {
  Impl(int blockSize, int checkpointStep, std::size_t readBlock)
      : readBlock(readBlock),
        lines(readBlock),
        records(readBlock),
        infoReader(4096),
        window(blockSize, checkpointStep) {}

  // Puts the file's position back once a side read is done.
  struct KeepPosition {
    plat::InputFile* in;
    std::uint64_t at;
    explicit KeepPosition(plat::InputFile* f) : in(f), at(f ? f->position() : 0) {}
    ~KeepPosition() {
      if (in) in->seek(at);
    }
  };

  std::size_t readBlock;
  int mode = kClosed;
  plat::InputFile* in = nullptr;
  LineReader lines;
  RepRecordReader records;
  RepRecordReader infoReader;  // getLineInfo reads with its own buffer
  PagedWindow window;
  LRepFileList files;
  std::uint64_t firstRecord = 0;
  std::uint64_t walked = 0;  // units read by walk()
};

LRepBufor::LRepBufor(int blockSize, int checkpointStep, std::size_t readBlock)
    : impl_(std::make_unique<Impl>(blockSize, checkpointStep, readBlock)) {}

LRepBufor::~LRepBufor() = default;

void LRepBufor::openText(plat::InputFile& in) {
  clear();
  impl_->in = &in;
  impl_->mode = kText;
  impl_->lines.attach(&in);
  impl_->window.open(impl_->lines, 0);
}

int LRepBufor::openReport(plat::InputFile& in) {
  clear();
  impl_->in = &in;
  impl_->mode = kReport;
  impl_->records.attach(&in);
  impl_->infoReader.attach(&in);
  const int header = impl_->records.readHeader(impl_->files, impl_->firstRecord);
  if (header != 0) {
    clear();
    return header;
  }
  impl_->window.open(impl_->records, impl_->firstRecord);
  return 0;
}

std::string LRepBufor::getLine(std::int64_t n, int& err, int dir) {
  return impl_->window.getLine(n, err, dir);
}

std::vector<std::string> LRepBufor::getLines(std::int64_t first, std::int64_t count, int& err,
                                             int dir) {
  return impl_->window.getLines(first, count, err, dir);
}

std::uint64_t LRepBufor::getKnownLines() const {
  return impl_->window.knownLines();
}

std::optional<LRepLineInfo> LRepBufor::getLineInfo(std::int64_t n) {
  if (impl_->mode != kReport || !impl_->window.isOpen()) return std::nullopt;
  Impl::KeepPosition keep(impl_->in);
  std::uint64_t offset = 0;
  if (!impl_->window.offsetOf(n, impl_->infoReader, offset)) return std::nullopt;
  LRepLineInfo info;
  if (!impl_->infoReader.read(offset, &info)) return std::nullopt;
  ++impl_->walked;
  return info;
}

std::string LRepBufor::getCheckedFilePath(std::int32_t i) const {
  if (i < 0 || i >= impl_->files.getFileCount()) return {};
  return impl_->files.getFilePath(i) + impl_->files.getFileName(i);
}

int LRepBufor::walk(const std::function<bool(const LRepLineInfo&)>& fn) {
  if (impl_->mode == kClosed || !impl_->in) return -1;
  Impl::KeepPosition keep(impl_->in);
  LRepLineInfo info;
  if (impl_->mode == kText) {
    LineReader reader(impl_->readBlock);
    reader.attach(impl_->in);
    std::uint64_t offset = 0;
    while (reader.read(offset, &info.text) != LineReader::End::kNone) {
      ++impl_->walked;
      offset = reader.next();
      if (!fn(info)) return 0;
    }
    return reader.failed() ? 2 : 0;
  }
  RepRecordReader reader(impl_->readBlock);
  reader.attach(impl_->in);
  std::uint64_t offset = impl_->firstRecord;
  while (reader.read(offset, &info)) {
    ++impl_->walked;
    offset = reader.next();
    if (!fn(info)) return 0;
  }
  return reader.failed() ? 2 : 0;
}

void LRepBufor::clear() {
  impl_->window.close();
  impl_->lines.attach(nullptr);
  impl_->records.attach(nullptr);
  impl_->infoReader.attach(nullptr);
  impl_->files.clear();
  impl_->firstRecord = 0;
  impl_->in = nullptr;
  impl_->mode = kClosed;
}

int LRepBufor::mode() const {
  return impl_->mode;
}

void LRepBufor::setNotice(LoadNotice* notice) {
  impl_->window.setNotice(notice);
}

std::uint64_t LRepBufor::linesRead() const {
  return impl_->window.linesRead() + impl_->walked;
}

}  // namespace olv
