#include "viewers/LBufor.h"

#include "viewers/LineReader.h"
#include "viewers/PagedWindow.h"

namespace olv {

struct LBufor::Impl {
  Impl(int blockSize, int checkpointStep, std::size_t readBlock)
      : reader(readBlock), window(blockSize, checkpointStep) {}
  LineReader reader;
  PagedWindow window;
};

LBufor::LBufor(int blockSize, int checkpointStep, std::size_t readBlock)
    : impl_(std::make_unique<Impl>(blockSize, checkpointStep, readBlock)) {}

LBufor::~LBufor() = default;

void LBufor::openText(plat::InputFile& in) {
  impl_->reader.attach(&in);
  impl_->window.open(impl_->reader, 0);
}

std::string LBufor::getLine(std::int64_t n, int& err, int dir) {
  return impl_->window.getLine(n, err, dir);
}

std::vector<std::string> LBufor::getLines(std::int64_t first, std::int64_t count, int& err,
                                          int dir) {
  return impl_->window.getLines(first, count, err, dir);
}

std::uint64_t LBufor::getKnownLines() const {
  return impl_->window.knownLines();
}

std::vector<std::string> LBufor::getLinesAt(std::uint64_t offset, std::int64_t count, int& err,
                                            int dir, std::int64_t n) {
  (void)dir;  // a jump always reads forward from the offset
  return impl_->window.getLinesAt(offset, count, err, n);
}

void LBufor::clear() {
  impl_->window.close();
  impl_->reader.attach(nullptr);
}

void LBufor::setNotice(LoadNotice* notice) {
  impl_->window.setNotice(notice);
}

std::uint64_t LBufor::linesRead() const {
  return impl_->window.linesRead();
}

}  // namespace olv
