#pragma once
// ID3v2.3 tags of the splitter's parts.
//
// TypeTagV2 holds the descriptive fields of one MP3 file and writes them at
// the file's start as an ID3v2.3 tag of twelve text and URL frames (TIT2,
// TPE1, TALB, TYER, COMM, TRCK, TCON, TCOM, TOPE, TCOP, WXXX, TENC, in this
// order, all of them every time) followed by eleven NUL bytes of padding. The
// tag replaces whatever stood in front of the first audio frame (older ID3v2
// tags of any version, other leading data); what follows the audio, such as an
// ID3v1 tag, is kept. It also reads a version-3 tag back.
//
// Texts are UTF-8 in memory. In the tag a text that ISO-8859-1 holds is
// written in it, one byte a character (encoding byte 0); any other text in
// UCS-2 (encoding byte 1, the byte-order mark FF FE, two bytes a character;
// a character beyond UCS-2 is written as "?"), so that readers see
// windows-1252's own characters ("–", "€", curly quotes) as they are. A
// URL is ISO-8859-1 in any case: a character that ISO-8859-1 lacks, a
// control character and a byte that is no UTF-8 are written percent-encoded
// ("€" as "%E2%82%AC"), so the URL reads back as the same address.
//
// Errors are lumo::RuntimeError and are not trapped here: they pass to the
// caller (see each member).
//
// Typical use, as the splitter tags a finished part:
//   lumo::id3::TypeTagV2 tag;
//   tag.Valide(true);
//   tag.Titre(description);
//   tag.Album(bookTitle);
//   tag.Piste(std::to_string(number));
//   tag.Genre("28");
//   tag.WriteTag(partPath);

#include <cstdint>
#include <string>
#include <string_view>

namespace lumo::id3 {

class TypeTagV2 {
 public:
  // A new object: Valide false, every text empty (Genre too: set a genre
  // number before WriteTag).
  TypeTagV2() = default;

  // The thirteen properties. Each set stores its value as given, except
  // Piste, which drops blanks (spaces) at both ends.
  bool Valide() const { return valide_; }  // true: WriteTag writes a tag; false: it only removes the leading data
  void Valide(bool Param) { valide_ = Param; }
  const std::string& Artiste() const { return artiste_; }  // TPE1
  void Artiste(std::string Param) { artiste_ = std::move(Param); }
  const std::string& Album() const { return album_; }  // TALB
  void Album(std::string Param) { album_ = std::move(Param); }
  const std::string& Piste() const { return piste_; }  // TRCK
  void Piste(std::string Param);
  const std::string& Titre() const { return titre_; }  // TIT2
  void Titre(std::string Param) { titre_ = std::move(Param); }
  // TCON: an ID3v1 genre number written as decimal digits ("28").
  const std::string& Genre() const { return genre_; }
  void Genre(std::string Param) { genre_ = std::move(Param); }
  const std::string& Annee() const { return annee_; }  // TYER
  void Annee(std::string Param) { annee_ = std::move(Param); }
  const std::string& Commentaire() const { return commentaire_; }  // COMM
  void Commentaire(std::string Param) { commentaire_ = std::move(Param); }
  const std::string& Compositeur() const { return compositeur_; }  // TCOM
  void Compositeur(std::string Param) { compositeur_ = std::move(Param); }
  const std::string& Original() const { return original_; }  // TOPE
  void Original(std::string Param) { original_ = std::move(Param); }
  const std::string& Copyright() const { return copyright_; }  // TCOP
  void Copyright(std::string Param) { copyright_ = std::move(Param); }
  const std::string& Url() const { return url_; }  // WXXX
  void Url(std::string Param) { url_ = std::move(Param); }
  const std::string& Encode() const { return encode_; }  // TENC
  void Encode(std::string Param) { encode_ = std::move(Param); }

  // Reads the ID3v2.3 tag at the start of the file at path into this object
  // and returns a copy of it. First every property is reset (Valide false,
  // Genre "255", the other texts empty); when the file starts with a
  // version-3 tag, its frames fill the properties (TCON through
  // GenreIndexFromText, TYER cut to 6 characters, each ISO-8859-1 text
  // through CleanTagText, a UCS-2 text, in the byte order its byte-order
  // mark gives at its start, by the same rules) and Valide becomes true. A
  // URL is read as it stands, percent-encoding and all. A file with another tag version or
  // none gives the reset values. A damaged tag gives the frames read up to
  // the first frame whose size is 0 or runs past the tag's end or the file's
  // end; nothing beyond them is read.
  // Errors: 53 when the file does not exist, 70/75 when it cannot be read,
  // 6 for a TCON "(n)" whose n does not fit 16 bits.
  TypeTagV2 ReadTag(const std::string& path);

  // Puts this object's tag (Valide true) or nothing (Valide false) in place
  // of everything in front of the file's audio, and sets the byte count of a
  // Xing (when its flags announce one) or VBRI header in the first frame to
  // the new file length. The audio starts after any ID3v2 tags at the file's
  // start (each skipped by its own size, its footer included), at the first
  // valid MPEG frame header that is followed by a second valid header where
  // its frame length says. The new file is written beside the old one and
  // renamed over it, with the old one's permissions (the audio is copied by
  // the kernel); a symbolic link is followed and stays a link.
  // Returns true when the file was rewritten, false when it holds no audio
  // (the file is then unchanged).
  // Errors, all leaving the file as it was: 13 or 6 when Genre is no 16-bit
  // number (before the file is opened), 5 when the tag would pass 2^28 bytes,
  // 53 when the file does not exist, 75 when it is not a regular writable
  // file or the new file cannot be written (full disk, read-only folder),
  // 6 when the new file would pass 4 GiB.
  bool WriteTag(const std::string& path) const;

  // The bytes WriteTag puts in front of the audio: this object's tag, or
  // nothing when Valide is false. Errors as WriteTag's before it opens the
  // file (13 or 6 for Genre, 5 for the size).
  std::string TagBytes() const;

  // For a file that its writer alone can see (a part under a private
  // temporary name), written as TagBytes() followed by the audio, so that
  // the audio is never copied again: sets the byte count of a Xing or VBRI
  // header in the first frame to the file's length, as WriteTag does.
  // Returns true when the file then holds exactly what WriteTag makes of
  // the audio alone; false, the file unchanged, when it does not begin with
  // TagBytes() right in front of the first frame (other leading data, no
  // audio) or passes 4 GiB: WriteTag on the audio alone then decides.
  // Errors: 75 when the file cannot be read or written.
  bool CompleteTaggedFile(int fd) const;

  // Appends the frame of the ID (one of the twelve above) built from this
  // object's properties to frames, the tag's bytes built so far: the ID,
  // the data length + 1 as a 32-bit big-endian number, two flag bytes 00,
  // the encoding byte (00 ISO-8859-1, 01 UCS-2: see above), the data. COMM
  // data is three 00 bytes (language), an empty description (00; in UCS-2
  // FF FE 00 00) and Commentaire; WXXX data is 00 and Url (percent-encoded
  // where ISO-8859-1 cannot hold it, see above); TCON data is "(",
  // Genre trimmed, ")" and GenreName of Genre ("(28)Vocal").
  // Any other ID appends a frame of that ID with empty data.
  // Errors: TCON raises 13 (Genre is no number) or 6 (no 16-bit number).
  void AppendFrame(std::string& frames, const std::string& frameId) const;

  // The text of a frame's data (windows-1252 bytes, the encoding byte
  // removed) as UTF-8: only what follows the last NUL byte, without the
  // bytes below 32, 127 to 129 and 141, except a CR directly followed by an
  // LF, which is kept with its LF.
  static std::string CleanTagText(std::string_view frameData);

  // The genre number of a TCON text: a genre name (any case, whole text)
  // gives its number; a text beginning with a digit whose number is 0 to 147
  // gives that number (an empty text gives 0); "(n..." gives n unchecked
  // ("(28)Vocal" gives 28); "((..." and everything else give 255.
  // Errors: 6 when the n of "(n" does not fit 16 bits.
  static int16_t GenreIndexFromText(const std::string& text);

  // The text followed by NUL characters up to width characters.
  // Errors: 5 when the text is longer than width.
  static std::string PadWithNul(const std::string& text, int16_t width);

  // The ID3v1 genre name of a number (0 to 147, with the Winamp extensions
  // and this system's spellings); "" for every other number.
  static std::string GenreName(int16_t number);

  // Numbers of the genre table, and the number that means "no genre".
  static constexpr int16_t kGenreCount = 148;
  static constexpr int16_t kNoGenre = 255;

 private:
  void Reset();

  bool valide_ = false;
  std::string artiste_, album_, piste_, titre_, genre_, annee_, commentaire_, compositeur_, original_, copyright_, url_,
      encode_;
};

}  // namespace lumo::id3
