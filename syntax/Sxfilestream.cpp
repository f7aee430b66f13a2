#include "syntax/Sxfilestream.h"

namespace swde {

sxFileStream::sxFileStream(const AnsiString& fileName, unsigned bufSize)
    : file_(std::make_unique<plat::InputFile>(fileName)),
      buffer_(std::make_unique<unsigned char[]>(bufSize == 0 ? 1 : bufSize)),
      bufSize_(bufSize == 0 ? 1 : bufSize) {}

sxFileStream::~sxFileStream() = default;

std::uint64_t sxFileStream::seek(std::uint64_t offset) {
  position_ = file_ ? file_->seek(offset) : 0;
  index_ = 0;
  count_ = 0;
  return position_;
}

bool sxFileStream::getBuff() {
  index_ = 0;
  count_ = file_ ? static_cast<unsigned>(file_->read(buffer_.get(), bufSize_)) : 0;
  return count_ > 0;
}

}  // namespace swde
