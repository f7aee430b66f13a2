// One block read of the paged readers: the bytes of a file from an offset
// into a reused buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {
class InputFile;
}

namespace olv {

// Past the end of the file (or with no file): false, and nothing changes.
// Otherwise reads up to block bytes at offset into buffer (sized to block):
// start = offset, length = the bytes read (0 after a read error, which also
// sets failed), and true.
bool readBlockAt(plat::InputFile* in, std::uint64_t offset, std::size_t block,
                 std::vector<char>& buffer, std::uint64_t& start, std::size_t& length,
                 bool& failed);

}  // namespace olv
