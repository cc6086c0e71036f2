// TypeTagV2: the tag writer and the tag reader.

#include "splitter/id3/tag_v2.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>

#include "common/errors/errors.h"
#include "common/file/file.h"
#include "common/file/replacement.h"
#include "common/mp3/container.h"
#include "common/mp3/file_source.h"
#include "common/mp3/frame_header.h"
#include "common/mp3/vbr_write.h"
#include "common/text/text.h"
#include "common/text/utf16.h"
#include "common/tools/copy_range.h"
#include "splitter/id3/decimal.h"

namespace fs = std::filesystem;

namespace lumo::id3 {

namespace {

constexpr size_t kHeaderSize = 10;                // "ID3", version, revision, flags, size
constexpr size_t kPaddingSize = 11;               // NUL bytes after the frames
constexpr uint32_t kMaxTagSize = (1u << 28) - 1;  // a 28-bit size field

// The order in which WriteTag writes its frames.
constexpr std::array<const char*, 12> kFrameOrder = {"TIT2", "TPE1", "TALB", "TYER", "COMM", "TRCK",
                                                     "TCON", "TCOM", "TOPE", "TCOP", "WXXX", "TENC"};

// The place of the byte count in the first frame (offsets from its start),
// when a Xing header announces one or a VBRI header is there; the tag word
// is compared without regard to case. An Info header (a constant-bitrate
// stream) is left alone.
std::optional<size_t> ByteCountField(const std::string& frame, const mp3::Mp3FrameHeader& header) {
  mp3::MemorySource source(frame);
  mp3::FrameAt at;
  at.header = header;
  const mp3::VbrTag tag = mp3::FindVbrTag(source, at, mp3::TagWordCase::Any);
  if (tag.kind == mp3::VbrTag::Info || tag.bytesField < 0) return std::nullopt;
  return static_cast<size_t>(tag.bytesField);
}

// True when every character of a UTF-8 text is in ISO-8859-1 (bytes that
// are no UTF-8 stand for themselves, as the windows-1252 writer takes them).
bool holdsInLatin1(std::string_view utf8) {
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    const size_t n = text::decodeUtf8(utf8, i, cp);
    if (n != 0 && cp > 0xFF) return false;
    i += n == 0 ? 1 : n;
  }
  return true;
}

// A URL as the ISO-8859-1 field of WXXX holds it and a reader gives it
// back: a character beyond ISO-8859-1 (windows-1252's own "–" and "€"
// too), a control character and a byte that is no UTF-8 become "%XX", one
// for each byte of their UTF-8 form, as URLs carry them; every other
// character is its own byte. A "%" stays as it is, so a URL that is
// already percent-encoded is written unchanged.
std::string latin1Url(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    const size_t n = text::decodeUtf8(utf8, i, cp);
    const size_t length = n == 0 ? 1 : n;
    if (n != 0 && cp >= 0x20 && cp != 0x7F && !(cp >= 0x80 && cp < 0xA0) && cp <= 0xFF) {
      out += static_cast<char>(cp);
    } else {
      for (size_t k = i; k < i + length; ++k) {
        const auto byte = static_cast<unsigned char>(utf8[k]);
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 0x0F];
      }
    }
    i += length;
  }
  return out;
}

// A UCS-2 string: its byte-order mark (little-endian) and its characters;
// a character beyond UCS-2 becomes "?".
std::string ucs2String(std::string_view utf8) {
  return "\xFF\xFE" + text::utf8ToUcs2(utf8, text::ByteOrder::LittleEndian);
}

// The data of a frame in UCS-2. COMM data is the language's three bytes,
// the description (a NUL in ISO-8859-1, so empty here too: a byte-order
// mark and the terminator) and the text.
std::string ucs2FrameData(const std::string& frameId, std::string_view utf8) {
  if (frameId != "COMM") return ucs2String(utf8);
  return std::string(3, '\0') + ucs2String("") + std::string(2, '\0') + ucs2String(utf8.substr(4));
}

// The characters of one UCS-2 string. A byte-order mark at its start gives
// the byte order (little-endian without one); the same two bytes anywhere
// else are a character in that order, so a text is never turned round in
// its middle. Surrogate pairs, which UTF-16 writers use, are joined. As
// with ISO-8859-1 data, only the text behind the last NUL is kept.
std::u32string lastUcs2String(std::string_view data) {
  const std::optional<text::ByteOrder> mark = text::utf16ByteOrderMark(data);
  if (mark) data.remove_prefix(2);
  std::u32string chars = text::utf16CodePoints(data, mark.value_or(text::ByteOrder::LittleEndian));
  const size_t nul = chars.rfind(U'\0');
  return nul == std::u32string::npos ? chars : chars.substr(nul + 1);
}

// The length of the UCS-2 string that data begins with: the offset of its
// terminator (two NUL bytes at an even offset), or npos without one.
size_t ucs2Length(std::string_view data) {
  for (size_t i = 0; i + 1 < data.size(); i += 2)
    if (data[i] == 0 && data[i + 1] == 0) return i;
  return std::string_view::npos;
}

std::string ucs2Text(std::string_view data) {
  const std::u32string chars = lastUcs2String(data);
  std::string out;
  for (size_t i = 0; i < chars.size(); ++i) {
    const char32_t cp = chars[i];
    if (cp == '\r' && i + 1 < chars.size() && chars[i + 1] == '\n') {
      out += "\r\n";
      ++i;
    } else if (cp >= 32 && !(cp >= 0x7F && cp <= 0x9F) && !(cp >= 0xD800 && cp <= 0xDFFF) && cp != 0xFEFF) {
      text::appendUtf8(out, cp);
    }
  }
  return out;
}

// The text of a frame's data (its encoding byte first). UCS-2 data of COMM
// is the three language bytes, the description and the text, each string
// with its own byte-order mark; that of WXXX is a description in UCS-2 and
// the URL in ISO-8859-1.
std::string frameText(const std::string& id, std::string_view data) {
  if (data.empty() || data[0] != 1) return TypeTagV2::CleanTagText(data.substr(std::min<size_t>(1, data.size())));
  data.remove_prefix(1);
  if (id == "COMM") {
    data.remove_prefix(std::min<size_t>(3, data.size()));
    const size_t description = ucs2Length(data);
    // Without a terminator the whole is taken as the text, as with ISO-8859-1.
    return ucs2Text(description == std::string_view::npos ? data : data.substr(description + 2));
  }
  if (id == "WXXX") {
    const size_t description = ucs2Length(data);
    return description == std::string_view::npos ? std::string()
                                                 : TypeTagV2::CleanTagText(data.substr(description + 2));
  }
  return ucs2Text(data);
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

// Writes bytes into the new file; a failure is error 75.
void put(file::ReplacementFile& out, std::string_view bytes) {
  if (out.write(bytes) != 0) throw RuntimeError(err::PathFileAccess);
}

// Gives the new file the original's permissions (and owner, where allowed)
// and puts it in the original's place.
void replaceKeepingMode(file::ReplacementFile& out, const struct stat& original) {
  if (::fchmod(out.fd(), original.st_mode & 07777) != 0) throw RuntimeError(err::PathFileAccess);
  if (::fchown(out.fd(), original.st_uid, original.st_gid) != 0) {
    // Only a privileged process may give a file away; the file is the
    // caller's own then, as any file it writes.
  }
  if (out.commit() != 0) throw RuntimeError(err::PathFileAccess);
}

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
  // A text that ISO-8859-1 holds is written in it; any other in UCS-2, so
  // that readers do not take windows-1252's own characters ("–", "€",
  // curly quotes) for control characters. A URL is ISO-8859-1 in any case,
  // with what that cannot hold percent-encoded.
  const bool url = frameId == "WXXX";
  const bool ucs2 = !url && !holdsInLatin1(data);
  const std::string bytes = ucs2  ? ucs2FrameData(frameId, data)
                            : url ? std::string(1, '\0') + latin1Url(url_)
                                  : text::utf8ToCp1252(data);
  if (bytes.size() >= std::numeric_limits<uint32_t>::max()) throw RuntimeError(err::Overflow);
  std::string size(4, '\0');
  mp3::PutBigEndian32(size, 0, bytes.size() + 1);
  frames += text::utf8ToCp1252(frameId);
  frames += size;
  frames.append(2, '\0');        // two flag bytes
  frames += ucs2 ? '\1' : '\0';  // the encoding byte: UCS-2 or ISO-8859-1
  frames += bytes;
}

std::string TypeTagV2::TagBytes() const {
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
  return tag;
}

bool TypeTagV2::CompleteTaggedFile(int fd) const {
  const std::string tag = TagBytes();
  struct stat st {};
  if (::fstat(fd, &st) != 0) file::raiseFileError(errno);
  if (!S_ISREG(st.st_mode) || st.st_size > std::numeric_limits<uint32_t>::max()) return false;
  std::string leading;
  mp3::FileSource reader(fd, st.st_size);
  if (!reader.read(0, tag.size(), leading) || leading != tag) return false;
  // The audio must begin right behind the tag, where WriteTag would put it.
  const std::optional<mp3::FrameAt> audio = mp3::FindAudioStart(reader);
  if (!audio || audio->position != static_cast<int64_t>(tag.size())) return false;
  std::string first;
  if (!reader.read(audio->position, static_cast<size_t>(audio->header.FrameLength), first)) return false;
  if (const std::optional<size_t> field = ByteCountField(first, audio->header)) {
    std::string count(4, '\0');
    mp3::PutBigEndian32(count, 0, static_cast<uint64_t>(st.st_size));
    const int64_t at = audio->position + static_cast<int64_t>(*field);
    if (::pwrite(fd, count.data(), count.size(), at) != static_cast<ssize_t>(count.size()))
      throw RuntimeError(err::PathFileAccess);
  }
  return true;
}

bool TypeTagV2::WriteTag(const std::string& path) const {
  const std::string tag = TagBytes();

  // Opened for writing, so that a file the caller may not change fails here.
  file::OpenFile source = file::openFile(path, O_RDWR);
  if (!source.regular()) throw RuntimeError(err::PathFileAccess);
  const struct stat& st = source.status;

  mp3::FileSource reader(source.handle.get(), st.st_size);
  const std::optional<mp3::FrameAt> audio = mp3::FindAudioStart(reader);
  if (!audio) return false;

  const int64_t audioLength = st.st_size - audio->position;
  const int64_t newLength = static_cast<int64_t>(tag.size()) + audioLength;
  if (newLength > std::numeric_limits<uint32_t>::max()) throw RuntimeError(err::Overflow);

  // The first frame, with its byte count set to the new file length.
  std::string first;
  if (!reader.read(audio->position, static_cast<size_t>(audio->header.FrameLength), first))
    throw RuntimeError(err::PathFileAccess);
  if (const std::optional<size_t> field = ByteCountField(first, audio->header))
    mp3::PutBigEndian32(first, static_cast<int64_t>(*field), static_cast<uint64_t>(newLength));

  // The new file beside the old one: a failure at any point leaves the old
  // file whole. Through a link, the file it points to is replaced.
  std::error_code ec;
  fs::path target = fs::canonical(path, ec);
  if (ec) throw RuntimeError(err::PathFileAccess);
  // A short name: the target's own name may already be as long as the
  // file system allows.
  file::ReplacementFile out(target, {.prefix = ".lumo-id3-", .suffix = "", .mode = 0600, .sync = false});
  if (out.create() != 0) throw RuntimeError(err::PathFileAccess);
  put(out, tag);
  put(out, first);
  if (tools::CopyRange(source.handle.get(), audio->end(), st.st_size, out.fd()) != 0)
    throw RuntimeError(err::PathFileAccess);
  source.handle.reset();
  replaceKeepingMode(out, st);
  return true;
}

void TypeTagV2::Reset() {
  *this = TypeTagV2();
  genre_ = std::to_string(kNoGenre);
}

TypeTagV2 TypeTagV2::ReadTag(const std::string& path) {
  Reset();
  const file::OpenFile source = file::openFile(path, O_RDONLY);
  if (!source.regular()) throw RuntimeError(err::PathFileAccess);
  const struct stat& st = source.status;
  mp3::FileSource reader(source.handle.get(), st.st_size);

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
    const int64_t frameSize = mp3::BigEndian32(h + 4);
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
      if (!reader.read(pos, static_cast<size_t>(frameSize), data)) break;
      std::string value = frameText(id, data);
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
