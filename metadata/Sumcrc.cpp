#include "metadata/Sumcrc.h"

namespace swde {

SumCRC::~SumCRC() = default;

void SumCRC::put(int byte) {
  const unsigned char b = static_cast<unsigned char>(byte);
  crc = plat::crc32Update(crc, &b, 1);
}

void SumCRC::put(std::string_view text) {
  crc = plat::crc32Update(crc, text.data(), text.size());
}

void SumCRC::initCcitt32Table() {
  plat::crc32Table();
}

}  // namespace swde
