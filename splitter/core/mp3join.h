#pragma once
// Joining two MP3 parts of one recording: the second part's audio is
// appended to the first, as a byte copy would, but the joined file still
// measures as long as both halves together. mp3splt starts every part with
// a Xing/Info header frame that gives that part's frame and byte counts; a
// plain copy leaves the second header in the middle of the stream and the
// first header's counts describing the first half only, so players (and
// tag readers) see only the first half. Here the second part's header frame
// is dropped and the first header's counts, seek table and LAME check sums
// are set to the joined stream's.

#include <string>

namespace lumo::splitter {

// Appends the audio of `next` to the file `previous`. The joined file is
// written beside `previous` under a temporary name and renamed over it, so
// `previous` is either the joined file or untouched. `next` is left as it
// is. Only the VBR header's fields inside the first part's first frame are
// rewritten; the join is refused, both files untouched, when that header
// does not lie whole inside its frame, when the first part's audio does not
// begin right behind its ID3v2 tags (a damaged first frame), or when either
// part holds no MP3 frame confirmed by the next (empty, cut short). Returns
// "" on success, else why the join failed (Italian, for the log and the
// message).
std::string AppendMp3(const std::string& previous, const std::string& next);

}  // namespace lumo::splitter
