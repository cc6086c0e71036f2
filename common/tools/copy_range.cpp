#include "common/tools/copy_range.h"

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "common/file/file.h"

namespace lumo::tools {
namespace {

constexpr size_t kBlock = 256 * 1024;

// The errors by which copy_file_range says it cannot copy these two files
// (rather than that the copy failed): the plain copy takes over.
bool kernelRefuses(int error) {
  return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EPERM;
}

}  // namespace

int CopyRange(int from, int64_t begin, int64_t end, int to) {
  auto offset = static_cast<off_t>(begin);
  bool inKernel = true;
  std::vector<char> block;
  while (offset < end) {
    const auto want = static_cast<size_t>(std::min<int64_t>(end - offset, int64_t{1} << 30));
    if (inKernel) {
      const ssize_t n = ::copy_file_range(from, &offset, to, nullptr, want, 0);
      if (n > 0) continue;
      if (n == 0) return EIO;  // the source shrank
      if (errno == EINTR) continue;
      if (!kernelRefuses(errno)) return errno;
      inKernel = false;
      block.resize(kBlock);
    }
    const ssize_t got = ::pread(from, block.data(), std::min(want, block.size()), offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return EIO;
    if (const int error = file::writeAll(to, block.data(), static_cast<size_t>(got))) return error;
    offset += got;
  }
  return 0;
}

}  // namespace lumo::tools
