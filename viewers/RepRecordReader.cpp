#include "viewers/RepRecordReader.h"

#include <algorithm>
#include <cstring>

#include "platform/Exception.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"
#include "viewers/LRepFileList.h"
#include "viewers/ReadBlock.h"

namespace olv {

namespace {

std::uint32_t u32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

std::int32_t i32(const char* p) {
  return static_cast<std::int32_t>(u32(p));
}

std::int64_t fromDisk(std::uint32_t v) {
  return v == 0xFFFFFFFFu ? -1 : std::int64_t{v};
}

}  // namespace

RepRecordReader::RepRecordReader(std::size_t readBlock)
    : readBlock_(std::max<std::size_t>(readBlock, kRecordHead)) {}

void RepRecordReader::attach(plat::InputFile* in) {
  in_ = in;
  bufStart_ = 0;
  bufLen_ = 0;
  next_ = 0;
  failed_ = false;
}

bool RepRecordReader::fill(std::uint64_t offset) {
  return readBlockAt(in_, offset, readBlock_, buf_, bufStart_, bufLen_, failed_) && bufLen_ > 0;
}

bool RepRecordReader::get(std::uint64_t offset, char* out, std::size_t n) {
  while (n > 0) {
    if (offset < bufStart_ || offset >= bufStart_ + bufLen_) {
      if (!fill(offset)) return false;
    }
    const std::size_t k = std::min(n, static_cast<std::size_t>(bufStart_ + bufLen_ - offset));
    std::memcpy(out, buf_.data() + (offset - bufStart_), k);
    out += k;
    offset += k;
    n -= k;
  }
  return true;
}

bool RepRecordReader::append(std::uint64_t offset, std::size_t n, std::string& text) {
  while (n > 0) {
    if (offset < bufStart_ || offset >= bufStart_ + bufLen_) {
      if (!fill(offset)) return false;
    }
    const std::size_t k = std::min(n, static_cast<std::size_t>(bufStart_ + bufLen_ - offset));
    text.append(buf_.data() + (offset - bufStart_), k);
    offset += k;
    n -= k;
  }
  return true;
}

int RepRecordReader::readHeader(LRepFileList& files, std::uint64_t& firstRecord) {
  files.clear();
  if (!in_) return 2;
  const std::uint64_t size = in_->size();
  char word[4];
  if (!get(0, word, 4)) return 2;
  const std::int32_t count = i32(word);
  if (count < 0) return 2;
  if (count == 0) return 1;
  std::uint64_t pos = 4;
  std::string path;
  for (std::int32_t i = 0; i < count; ++i) {
    if (!get(pos, word, 4)) return 2;
    pos += 4;
    const std::int32_t n = i32(word);
    if (n < 0 || static_cast<std::uint64_t>(n) > size - pos) return 2;
    path.clear();
    if (!append(pos, static_cast<std::size_t>(n), path)) return 2;
    pos += static_cast<std::uint64_t>(n);
    if (!path.empty()) files.addFile(plat::extractFileName(path), path);
  }
  firstRecord = pos;
  return 0;
}

bool RepRecordReader::readRecord(std::uint64_t offset, LRepLineInfo* info, std::string* text) {
  next_ = offset;
  if (!in_) return false;
  const std::uint64_t size = in_->size();
  if (offset >= size || size - offset < kRecordHead) return false;
  char head[kRecordHead];
  if (!get(offset, head, sizeof head)) return false;
  const std::int32_t n = i32(head + 12);
  const std::uint64_t body = offset + kRecordHead;
  if (n < 0 || static_cast<std::uint64_t>(n) > size - body) return false;
  std::string* into = info ? &info->text : text;
  if (into) {
    into->clear();
    if (!append(body, static_cast<std::size_t>(n), *into)) return false;
  }
  if (info) {
    info->line = fromDisk(u32(head));
    info->fileIndex = i32(head + 4);
    info->filePos = fromDisk(u32(head + 8));
  }
  next_ = body + static_cast<std::uint64_t>(n);
  return true;
}

bool RepRecordReader::read(std::uint64_t offset, LRepLineInfo* info) {
  return readRecord(offset, info, nullptr);
}

bool RepRecordReader::readUnit(std::uint64_t offset, std::string* text, std::uint64_t& next) {
  const bool ok = readRecord(offset, nullptr, text);
  next = next_;
  return ok;
}

}  // namespace olv
