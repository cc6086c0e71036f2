#include "common/tools/contasize.h"

#include <filesystem>

#include "common/tools/paths.h"

namespace fs = std::filesystem;

namespace lumo::tools {

int32_t contasize::ContarArchivos(const std::string& path) {
  if (path.empty()) return 0;
  std::error_code ec;
  const fs::path file = resolvePath(path);
  if (!fs::is_regular_file(file, ec)) return 0;
  const uintmax_t size = fs::file_size(file, ec);
  if (ec) return 0;
  // The size goes straight to text, so sizes past 32 bits stay exact.
  size_ = std::to_string(size);
  return 1;
}

}  // namespace lumo::tools
