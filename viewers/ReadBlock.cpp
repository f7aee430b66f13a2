#include "viewers/ReadBlock.h"

#include "platform/Exception.h"
#include "platform/FileStream.h"

namespace olv {

bool readBlockAt(plat::InputFile* in, std::uint64_t offset, std::size_t block,
                 std::vector<char>& buffer, std::uint64_t& start, std::size_t& length,
                 bool& failed) {
  if (!in || offset >= in->size()) return false;
  if (buffer.size() != block) buffer.resize(block);
  start = offset;
  length = 0;
  try {
    if (in->position() != offset) in->seek(offset);
    length = in->read(buffer.data(), buffer.size());
  } catch (const plat::Exception&) {
    failed = true;
    length = 0;
  }
  return true;
}

}  // namespace olv
