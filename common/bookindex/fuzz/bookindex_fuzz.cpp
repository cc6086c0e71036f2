// Any bytes as a book index (marker.txt): the reader gives an index or a
// run-time error, nothing else; an index it gives that the writer takes is
// written so that it reads back as the same index, as far as the writer
// keeps it, and writing that again gives the same bytes.
// Run: lumo_bookindex_fuzz -max_total_time=20 (scripts/test.sh, tree build-fuzz).

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "common/bookindex/bookindex.h"
#include "common/errors/errors.h"
#include "common/text/text.h"
#include "testsupport/common/fuzz_folder.h"

namespace fs = std::filesystem;
using namespace lumo::bookindex;

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

std::optional<BookIndex> read(const fs::path& file) {
  try {
    return readBookIndex(file);
  } catch (const lumo::RuntimeError&) {
    return std::nullopt;
  }
}

bool write(const fs::path& file, const BookIndex& index) {
  try {
    writeBookIndex(file, index);
    return true;
  } catch (const lumo::RuntimeError&) {
    return false;
  }
}

// What the writer keeps of an index: the header, and per file its name and
// its first marker (an empty one for a file without; the next file is the
// following record's name). "" when the two agree, else what differs.
std::string difference(const BookIndex& a, const BookIndex& b) {
  const auto differ = [](const char* what, const std::string& x, const std::string& y) {
    return x == y ? std::string() : std::string(what) + ": [" + x + "] read back as [" + y + "]";
  };
  const Header &h = a.header, &k = b.header;
  for (const std::string& d :
       {differ("code", h.code, k.code), differ("author", h.author, k.author), differ("title", h.title, k.title),
        differ("publisher", h.publisher, k.publisher), differ("place and year", h.placeAndYear, k.placeAndYear),
        differ("narrator", h.narrator, k.narrator)})
    if (!d.empty()) return d;
  if (a.files.size() != b.files.size())
    return std::to_string(a.files.size()) + " files read back as " + std::to_string(b.files.size());
  for (size_t i = 0; i < a.files.size(); ++i) {
    const FileRecord &x = a.files[i], &y = b.files[i];
    std::string d = differ("file name", x.name, y.name);
    // A file without markers is written with an empty one.
    const Marker m = x.markers.empty() ? Marker{} : x.markers[0], n = y.markers.empty() ? Marker{} : y.markers[0];
    if (d.empty()) d = differ("description", m.description, n.description);
    if (d.empty()) d = differ("page", m.page, n.page);
    if (!d.empty()) return "file " + std::to_string(i) + ", " + d;
  }
  return {};
}

// A folder of this run's own, removed at its end.
const char* workFolder() { return lumo::testing::fuzzWorkFolder("lumo-bookindex-fuzz"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int fd = ::memfd_create("lumo-bookindex-fuzz", MFD_CLOEXEC);
  static const fs::path input = "/proc/self/fd/" + std::to_string(fd);
  const fs::path folder = workFolder();
  if (fd < 0) std::abort();
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();

  const std::optional<BookIndex> index = read(input);
  if (!index) return 0;
  const fs::path first = folder / "first.txt", second = folder / "second.txt";
  if (!write(first, *index)) return 0;
  const std::optional<BookIndex> back = read(first);
  if (!back) fail("the index written does not read back");
  if (const std::string d = difference(*index, *back); !d.empty())
    fail(("the index written reads back as another: " + d).c_str());
  if (!write(second, *back)) fail("the index read back cannot be written again");
  if (lumo::text::readFileBytes(first) != lumo::text::readFileBytes(second))
    fail("the index written again gives other bytes");
  return 0;
}
