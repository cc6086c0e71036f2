#pragma once
// Copying the bytes of one open file into another without passing them
// through the process where the kernel can (copy_file_range; on file
// systems that share blocks, without copying at all).

#include <cstdint>

namespace lumo::tools {

// Appends the bytes begin..end of `from` at the file position of `to`: in
// the kernel where it can, by plain reads and writes where the file system
// refuses (another file system, a special file). Returns 0, or the errno of
// the failure; a source that holds fewer bytes than end fails with EIO, so
// a short copy is never taken for a whole one.
int CopyRange(int from, int64_t begin, int64_t end, int to);

}  // namespace lumo::tools
