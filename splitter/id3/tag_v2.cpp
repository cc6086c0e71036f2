// TypeTagV2: the tag writer and the tag reader.

#include "splitter/id3/tag_v2.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <vector>

#include "common/errors/errors.h"
#include "common/mp3/frame_header.h"
#include "common/text/text.h"
#include "splitter/id3/decimal.h"

namespace fs = std::filesystem;

namespace lumo::id3 {

namespace {

constexpr size_t kHeaderSize = 10;                // "ID3", version, revision, flags, size
constexpr size_t kPaddingSize = 11;               // NUL bytes after the frames
constexpr uint32_t kMaxTagSize = (1u << 28) - 1;  // a 28-bit size field
constexpr size_t kCopyBlock = 256 * 1024;

// The order in which WriteTag writes its frames.
constexpr std::array<const char*, 12> kFrameOrder = {"TIT2", "TPE1", "TALB", "TYER", "COMM", "TRCK",
                                                     "TCON", "TCOM", "TOPE", "TCOP", "WXXX", "TENC"};

class FileHandle {
 public:
  explicit FileHandle(int fd = -1) : fd_(fd) {}
  ~FileHandle() { reset(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int fd() const { return fd_; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes the file and tells whether the close succeeded (written data
  // may fail only now, on some file systems).
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

// The run-time error of a file that cannot be opened or read.
[[noreturn]] void raiseFileError(int errnoValue) {
  if (errnoValue == ENOENT || errnoValue == ENOTDIR) throw RuntimeError(err::FileNotFound);
  throw RuntimeError(err::PathFileAccess);
}

// Reads small pieces of a file at any position through a window of it.
class Reader {
 public:
  Reader(int fd, int64_t size) : fd_(fd), size_(size), window_(64 * 1024) {}

  int64_t size() const { return size_; }

  // The n bytes at pos, or nullptr when they pass the end of the file.
  const uint8_t* at(int64_t pos, size_t n) {
    if (pos < 0 || n > window_.size() || pos + static_cast<int64_t>(n) > size_) return nullptr;
    if (pos < start_ || pos + static_cast<int64_t>(n) > start_ + static_cast<int64_t>(filled_)) {
      fill(pos);
      if (filled_ < n) return nullptr;  // the file shrank meanwhile
    }
    return window_.data() + (pos - start_);
  }

  // n bytes at pos into out (any length); false when they pass the end.
  bool read(int64_t pos, size_t n, std::string& out) {
    out.resize(n);
    size_t done = 0;
    while (done < n) {
      const ssize_t got = ::pread(fd_, out.data() + done, n - done, static_cast<off_t>(pos) + static_cast<off_t>(done));
      if (got < 0) {
        if (errno == EINTR) continue;
        raiseFileError(errno);
      }
      if (got == 0) return false;
      done += static_cast<size_t>(got);
    }
    return true;
  }

 private:
  void fill(int64_t pos) {
    start_ = pos;
    filled_ = 0;
    while (filled_ < window_.size()) {
      const ssize_t got = ::pread(fd_, window_.data() + filled_, window_.size() - filled_,
                                  static_cast<off_t>(pos) + static_cast<off_t>(filled_));
      if (got < 0) {
        if (errno == EINTR) continue;
        raiseFileError(errno);
      }
      if (got == 0) break;
      filled_ += static_cast<size_t>(got);
    }
  }

  int fd_;
  int64_t size_;
  std::vector<uint8_t> window_;
  int64_t start_ = 0;
  size_t filled_ = 0;
};

uint32_t syncsafe(const uint8_t* b) {
  return uint32_t{b[0]} << 21 | uint32_t{b[1]} << 14 | uint32_t{b[2]} << 7 | uint32_t{b[3]};
}

uint32_t bigEndian(const uint8_t* b) {
  return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | uint32_t{b[3]};
}

void putBigEndian(uint8_t* b, uint32_t value) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// The length of the ID3v2 tag whose header is at b, or 0 when b holds none:
// "ID3", a version and revision other than FF, a size of four 7-bit bytes.
// A version-4 tag whose flags announce a footer is 10 bytes longer.
int64_t id3v2TagLength(const uint8_t* b) {
  if (std::memcmp(b, "ID3", 3) != 0 || b[3] == 0xFF || b[4] == 0xFF) return 0;
  if ((b[6] | b[7] | b[8] | b[9]) & 0x80) return 0;
  const bool footer = b[3] >= 4 && (b[5] & 0x10) != 0;
  return static_cast<int64_t>(kHeaderSize) + syncsafe(b + 6) + (footer ? 10 : 0);
}

struct AudioStart {
  int64_t position;
  mp3::Mp3FrameHeader header;
};

// Where the audio starts: behind the ID3v2 tags at the file's start, the
// first valid frame header that a second valid header follows where the
// first one's length says. Bytes FF inside a tag (a JPEG cover begins
// FF D8, the letter "ÿ" is FF) or in other leading data are never taken
// for audio this way.
std::optional<AudioStart> FindAudioStart(Reader& reader) {
  int64_t pos = 0;
  while (const uint8_t* b = reader.at(pos, kHeaderSize)) {
    const int64_t length = id3v2TagLength(b);
    if (length == 0) break;
    pos += length;
  }
  mp3::Mp3FrameHeader header, next;
  for (; pos + 4 <= reader.size(); ++pos) {
    const uint8_t* b = reader.at(pos, 4);
    if (b == nullptr) break;
    if (b[0] != 0xFF || !mp3::ParseFrameHeader(b, header)) continue;
    const uint8_t* second = reader.at(pos + header.FrameLength, 4);
    if (second != nullptr && mp3::ParseFrameHeader(second, next)) return AudioStart{pos, header};
  }
  return std::nullopt;
}

// True when the four bytes at b, upper-cased, read word.
bool equalsUpper(const uint8_t* b, const char* word) {
  return text::toUpperAscii(std::string_view(reinterpret_cast<const char*>(b), 4)) == word;
}

// The place of the byte count in the first frame (offsets from its start),
// when a Xing header announces one or a VBRI header is there. The Xing
// header lies where the side information ends, 2 bytes later in a frame
// with a CRC (LAME puts it at the unshifted place in such frames too, so
// both are looked at); its byte count follows the flags, and the frame
// count when that is announced too. An Info header (a constant-bitrate
// stream) is left alone.
std::optional<size_t> ByteCountField(const std::string& frame, const mp3::Mp3FrameHeader& header) {
  const auto* b = reinterpret_cast<const uint8_t*>(frame.data());
  const size_t length = frame.size();
  const size_t sideInfoEnd = static_cast<size_t>(mp3::SideInfoEnd(header));
  const size_t candidates[2] = {sideInfoEnd, sideInfoEnd + 2};
  for (int c = 0; c < (header.hasCrc() ? 2 : 1); ++c) {
    const size_t x = candidates[c];
    if (x + 8 > length) break;
    if (equalsUpper(b + x, "INFO")) return std::nullopt;
    if (!equalsUpper(b + x, "XING")) continue;
    const uint32_t flags = bigEndian(b + x + 4);
    if (!(flags & 2)) return std::nullopt;
    const size_t field = x + 8 + ((flags & 1) ? 4 : 0);
    if (field + 4 > length) return std::nullopt;
    return field;
  }
  constexpr size_t kVbri = 36, kVbriBytes = 46;
  if (kVbriBytes + 4 <= length && equalsUpper(b + kVbri, "VBRI")) return kVbriBytes;
  return std::nullopt;
}

// The first n characters of a UTF-8 text.
std::string firstCharacters(const std::string& s, size_t n) {
  size_t count = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) continue;
    if (count++ == n) return s.substr(0, i);
  }
  return s;
}

// VB's CInt of a text: a decimal number, blanks around it allowed, rounded
// halves to even. 13 when the text is no number, 6 when it does not fit.
int16_t toInt16Text(const std::string& value) {
  const std::string t = text::trim(value);
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  bool digits = false, point = false;
  for (; i < t.size(); ++i) {
    if (t[i] >= '0' && t[i] <= '9') {
      digits = true;
    } else if (t[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!digits || i != t.size()) throw RuntimeError(err::TypeMismatch);
  return text::toInt16(parseDecimal(t));
}

void writeAll(int fd, const char* data, size_t n) {
  while (n > 0) {
    const ssize_t put = ::write(fd, data, n);
    if (put < 0) {
      if (errno == EINTR) continue;
      throw RuntimeError(err::PathFileAccess);
    }
    data += put;
    n -= static_cast<size_t>(put);
  }
}

// A new file beside the target, removed again unless it was renamed over it.
class TempFile {
 public:
  explicit TempFile(const fs::path& target) {
    // A short name: the target's own name may already be as long as the
    // file system allows.
    std::string pattern = (target.parent_path() / ".lumo-id3-XXXXXX").string();
    file_.reset(::mkostemp(pattern.data(), O_CLOEXEC));
    if (file_.fd() < 0) throw RuntimeError(err::PathFileAccess);
    path_ = pattern;
  }
  ~TempFile() {
    file_.reset();
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int fd() const { return file_.fd(); }

  // Gives the file the target's permissions (and owner, where allowed),
  // closes it and renames it over the target.
  void commit(const fs::path& target, const struct stat& original) {
    if (::fchmod(file_.fd(), original.st_mode & 07777) != 0) throw RuntimeError(err::PathFileAccess);
    if (::fchown(file_.fd(), original.st_uid, original.st_gid) != 0) {
      // Only a privileged process may give a file away; the file is the
      // caller's own then, as any file it writes.
    }
    if (!file_.close()) throw RuntimeError(err::PathFileAccess);
    if (::rename(path_.c_str(), target.c_str()) != 0) throw RuntimeError(err::PathFileAccess);
    path_.clear();
  }

 private:
  FileHandle file_;
  std::string path_;
};

}  // namespace

void TypeTagV2::Piste(std::string Param) { piste_ = text::trim(Param); }

void TypeTagV2::AppendFrame(std::string& frames, const std::string& frameId) const {
  std::string data;  // UTF-8; the frame holds it in windows-1252
  if (frameId == "TIT2")
    data = titre_;
  else if (frameId == "TPE1")
    data = artiste_;
  else if (frameId == "TALB")
    data = album_;
  else if (frameId == "TYER")
    data = annee_;
  else if (frameId == "COMM")
    data = std::string(4, '\0') + commentaire_;
  else if (frameId == "TRCK")
    data = text::trim(piste_);
  else if (frameId == "TCON")
    data = "(" + text::trim(genre_) + ")" + GenreName(toInt16Text(genre_));
  else if (frameId == "TCOM")
    data = compositeur_;
  else if (frameId == "TOPE")
    data = original_;
  else if (frameId == "TCOP")
    data = copyright_;
  else if (frameId == "WXXX")
    data = std::string(1, '\0') + url_;
  else if (frameId == "TENC")
    data = encode_;
  const std::string bytes = text::utf8ToCp1252(data);
  if (bytes.size() >= std::numeric_limits<uint32_t>::max()) throw RuntimeError(err::Overflow);
  uint8_t size[4];
  putBigEndian(size, static_cast<uint32_t>(bytes.size() + 1));
  frames += text::utf8ToCp1252(frameId);
  frames.append(reinterpret_cast<const char*>(size), 4);
  frames.append(3, '\0');  // two flag bytes, the encoding byte (ISO-8859-1)
  frames += bytes;
}

bool TypeTagV2::WriteTag(const std::string& path) const {
  std::string frames;
  for (const char* id : kFrameOrder) AppendFrame(frames, id);
  // The size counts everything behind the header, padding included, so a
  // reader that skips the tag by its size lands on the audio.
  if (frames.size() + kPaddingSize > kMaxTagSize) throw RuntimeError(err::InvalidCall);
  std::string tag;
  if (valide_) {
    const auto size = static_cast<uint32_t>(frames.size() + kPaddingSize);
    tag = std::string("ID3\x03\x00\x00", 6);
    for (int shift = 21; shift >= 0; shift -= 7) tag += static_cast<char>((size >> shift) & 0x7F);
    tag += frames;
    tag.append(kPaddingSize, '\0');
  }

  // Opened for writing, so that a file the caller may not change fails here.
  FileHandle file(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
  if (file.fd() < 0) raiseFileError(errno);
  struct stat st {};
  if (::fstat(file.fd(), &st) != 0) raiseFileError(errno);
  if (!S_ISREG(st.st_mode)) throw RuntimeError(err::PathFileAccess);

  Reader reader(file.fd(), st.st_size);
  const std::optional<AudioStart> audio = FindAudioStart(reader);
  if (!audio) return false;

  const int64_t audioLength = st.st_size - audio->position;
  const int64_t newLength = static_cast<int64_t>(tag.size()) + audioLength;
  if (newLength > std::numeric_limits<uint32_t>::max()) throw RuntimeError(err::Overflow);

  // The first frame, with its byte count set to the new file length.
  std::string first;
  if (!reader.read(audio->position, static_cast<size_t>(audio->header.FrameLength), first))
    throw RuntimeError(err::PathFileAccess);
  if (const std::optional<size_t> field = ByteCountField(first, audio->header))
    putBigEndian(reinterpret_cast<uint8_t*>(first.data() + *field), static_cast<uint32_t>(newLength));

  // The new file beside the old one: a failure at any point leaves the old
  // file whole. Through a link, the file it points to is replaced.
  std::error_code ec;
  fs::path target = fs::canonical(path, ec);
  if (ec) throw RuntimeError(err::PathFileAccess);
  TempFile temp(target);
  writeAll(temp.fd(), tag.data(), tag.size());
  writeAll(temp.fd(), first.data(), first.size());
  std::string block;
  for (int64_t pos = audio->position + audio->header.FrameLength; pos < st.st_size;) {
    const auto n = static_cast<size_t>(std::min<int64_t>(kCopyBlock, st.st_size - pos));
    if (!reader.read(pos, n, block)) throw RuntimeError(err::PathFileAccess);  // the file shrank
    writeAll(temp.fd(), block.data(), block.size());
    pos += static_cast<int64_t>(n);
  }
  file.reset();
  temp.commit(target, st);
  return true;
}

void TypeTagV2::Reset() {
  *this = TypeTagV2();
  genre_ = std::to_string(kNoGenre);
}

TypeTagV2 TypeTagV2::ReadTag(const std::string& path) {
  Reset();
  FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.fd() < 0) raiseFileError(errno);
  struct stat st {};
  if (::fstat(file.fd(), &st) != 0) raiseFileError(errno);
  if (!S_ISREG(st.st_mode)) throw RuntimeError(err::PathFileAccess);
  Reader reader(file.fd(), st.st_size);

  const uint8_t* header = reader.at(0, kHeaderSize);
  if (header == nullptr || text::toUpperAscii(std::string_view(reinterpret_cast<const char*>(header), 3)) != "ID3" ||
      header[3] != 3)
    return *this;
  const int64_t size =
      int64_t{header[6]} * 128 * 128 * 128 + int64_t{header[7]} * 128 * 128 + int64_t{header[8]} * 128 + header[9];
  // No frame is read past the tag's end or the file's end.
  const int64_t end = std::min<int64_t>(static_cast<int64_t>(kHeaderSize) + size, st.st_size);

  std::string data;
  for (int64_t pos = static_cast<int64_t>(kHeaderSize); pos + 1 < size;) {
    if (pos + static_cast<int64_t>(kHeaderSize) > end) break;
    const uint8_t* h = reader.at(pos, kHeaderSize);
    if (h == nullptr) break;
    const std::string id(reinterpret_cast<const char*>(h), 4);
    const int64_t frameSize = bigEndian(h + 4);
    pos += static_cast<int64_t>(kHeaderSize);
    if (id == std::string(4, '\0')) continue;  // padding
    if (frameSize == 0 || pos + frameSize > end) break;

    std::string* target = nullptr;
    if (id == "TPE1")
      target = &artiste_;
    else if (id == "TALB")
      target = &album_;
    else if (id == "TRCK")
      target = &piste_;
    else if (id == "TIT2")
      target = &titre_;
    else if (id == "TCON")
      target = &genre_;
    else if (id == "TYER")
      target = &annee_;
    else if (id == "COMM")
      target = &commentaire_;
    else if (id == "TCOM")
      target = &compositeur_;
    else if (id == "TOPE")
      target = &original_;
    else if (id == "TCOP")
      target = &copyright_;
    else if (id == "WXXX")
      target = &url_;
    else if (id == "TENC")
      target = &encode_;
    if (target != nullptr) {
      // The data behind the encoding byte, which is not looked at.
      if (!reader.read(pos + 1, static_cast<size_t>(frameSize - 1), data)) break;
      std::string value = CleanTagText(data);
      if (id == "TYER") value = firstCharacters(value, 6);
      if (id == "TRCK") value = text::trim(value);
      if (id == "TCON") value = std::to_string(GenreIndexFromText(value));
      *target = std::move(value);
    }
    pos += frameSize;
  }
  valide_ = true;
  return *this;
}

}  // namespace lumo::id3
