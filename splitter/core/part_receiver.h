#pragma once
// The parts of one engine run, taken as mp3splt writes them and written
// with their ID3v2 tag in front, so that a part's audio is written once.
//
// mp3splt writes the parts of a file one after the other, under names the
// job knows before the run (its output pattern and the part's number), into
// the run's private folder, which nothing else sees. Before the run each of
// those names is made a FIFO, held open by a thread of its own: what mp3splt
// writes into a FIFO goes into a new file of the folder behind the part's
// tag, and that file replaces the FIFO once mp3splt has closed it, the byte
// count of its VBR header set as the tag writer sets it. The part is then
// byte for byte what TypeTagV2::WriteTag makes of the engine's part.
//
// Whatever the tag writer would do otherwise is left to it: a part that
// does not begin with a frame (leading data, no audio) or whose tagged copy
// cannot be written (a full disk, a size limit) is kept as the engine's
// bytes alone, untagged. Where the folder takes no FIFO, nothing is set up
// and mp3splt writes its files itself.

#include <sys/types.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "splitter/id3/tag_v2.h"

namespace lumo::splitter {

struct PartToReceive {
  std::string name;  // the file name the engine gives the part in the folder
  id3::TypeTagV2 tag;
};

class PartReceiver {
 public:
  // Makes the FIFOs in `folder` and starts serving them; when any of them
  // cannot be made (or the thread cannot start), removes what it made and
  // stays inactive.
  PartReceiver(const std::string& folder, std::vector<PartToReceive> parts);
  ~PartReceiver();
  PartReceiver(const PartReceiver&) = delete;
  PartReceiver& operator=(const PartReceiver&) = delete;

  bool active() const { return thread_.joinable(); }

  // Called once the engine has ended: takes what it left in the FIFOs and
  // stops. A FIFO that the engine never opened stays as it is (no regular
  // file: no part).
  void finish();

  // After finish: true when the file at path (a part of the run) already
  // holds its tag.
  bool tagged(const std::string& path) const { return tagged_.count(path) != 0; }
  // After finish: why a part the engine wrote was lost ("" when none was).
  const std::string& failure() const { return failure_; }

 private:
  struct Channel {
    std::string path;     // the FIFO, and then the part
    std::string outPath;  // the file written, renamed over the FIFO at the end
    std::string tag;      // the bytes in front of the audio
    const id3::TypeTagV2* tagger = nullptr;
    int fifo = -1;
    int out = -1;
    ino_t inode = 0;
    int64_t written = 0;   // the engine's bytes written
    bool raw = false;      // written without the tag (at offset 0)
    bool discard = false;  // nothing more can be written: read and dropped
    bool done = false;
  };

  void run();
  void serve(Channel& c);
  bool openOut(Channel& c);
  void put(Channel& c, const char* data, size_t n);
  bool untag(Channel& c);
  void complete(Channel& c);
  void drop(Channel& c, int error);
  void removeFifo(const Channel& c);
  void tearDown();

  std::vector<PartToReceive> parts_;
  std::vector<Channel> channels_;
  int wake_[2] = {-1, -1};
  std::thread thread_;
  std::vector<char> buffer_;
  bool splice_ = true;  // the folder's file system takes splice
  std::set<std::string> tagged_;
  std::string failure_;
};

}  // namespace lumo::splitter
