#pragma once
// The columns of the split job's four tables (SplitJob::lv, lv4, lv6, lv8),
// as the job's steps fill and read them.

namespace lumo::splitter {

// lv: the source files, and the parts cut by length.
namespace lvc {
inline constexpr int Number = 0, File = 1, Properties = 2, Duration = 3, Times = 4, Cut = 5, Joined = 6;
}
// lv4: the markers of the file in hand and the names of their parts.
namespace lv4c {
inline constexpr int Id = 0, RealName = 1, NewName = 2, GlobalId = 3, Page = 4;
}
// lv6: the index parts of the book.
namespace lv6c {
inline constexpr int Id = 0, Name = 1, Title = 2, Page = 3;
}
// lv8: the pieces of the cut by length.
namespace lv8c {
inline constexpr int Name = 0, Description = 1, Page = 2;
}

}  // namespace lumo::splitter
