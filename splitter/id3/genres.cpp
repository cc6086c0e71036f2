// The genre table, the TCON text reader, the frame text cleaner and the NUL
// padding of TypeTagV2.

#include <array>
#include <cstdlib>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "splitter/id3/decimal.h"
#include "splitter/id3/tag_v2.h"

namespace lumo::id3 {

namespace {

// The ID3v1 genres (0 to 79) and the Winamp extensions (80 to 147).
constexpr std::array<const char*, TypeTagV2::kGenreCount> kGenres = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal", "New Age",
    "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno", "Industrial", "Alternative", "Ska",
    "Death Metal", "Pranks", "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion",
    "Trance", "Classical", "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "Alternative Rock",
    "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic",
    "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy", "Cult",
    "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native US", "Cabaret", "New Wave", "Psychadelic",
    "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical",
    "Rock & Roll", "Hard Rock",
    // 80
    "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival", "Celtic", "Bluegrass",
    "Avantgarde", "Gothic Rock", "Progressive Rock", "Psychedelic Rock", "Symphonic Rock", "Slow Rock", "Big Band",
    "Chorus", "Easy Listening", "Acoustic", "Humour", "Speech", "Chanson", "Opera", "Chamber Music", "Sonata",
    "Symphony", "Booty Bass", "Primus", "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore",
    "Ballad", "Power Ballad", "Rhytmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "Acapella", "Euro-House",
    "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror", "Indie", "BritPop", "Afro-Punk",
    "Polsk Punk", "Beat", "Christian Gangsta", "Heavy Metal", "Black Metal", "Crossover", "Contemporary C",
    "Christian Rock", "Merengue", "Salsa", "Thrash Metal", "Anime", "JPop", "SynthPop"};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// VB's Val: the number at the start of a text, read as far as it goes
// (blanks, tabs and line ends are skipped anywhere; "." is the decimal
// separator; an exponent E or D may follow); 0 when there is none.
double leadingNumber(std::string_view s) {
  std::string digits;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < s.size() && isBlank(s[i])) ++i;
  };
  skipBlanks();
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) digits += s[i++];
  bool any = false, point = false;
  for (;; ++i) {
    skipBlanks();
    if (i >= s.size()) break;
    if (isDigit(s[i])) {
      digits += s[i];
      any = true;
    } else if (s[i] == '.' && !point) {
      digits += '.';
      point = true;
    } else {
      break;
    }
  }
  if (!any) return 0;
  skipBlanks();
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    size_t j = i + 1;
    std::string exponent = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
    bool expDigits = false;
    while (j < s.size() && isDigit(s[j])) exponent += s[j++], expDigits = true;
    if (expDigits) digits += exponent;
  }
  // A number too large for a double reads as infinite, which the 16-bit
  // conversion reports as an overflow.
  return parseDecimal(digits);
}

size_t utf8Length(std::string_view s) {
  size_t n = 0;
  for (char c : s)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

}  // namespace

std::string TypeTagV2::GenreName(int16_t number) {
  if (number < 0 || number >= kGenreCount) return {};
  return kGenres[static_cast<size_t>(number)];
}

int16_t TypeTagV2::GenreIndexFromText(const std::string& text) {
  if (text.empty() || text[0] != '(') {
    const std::string upper = text::toUpperAscii(text);
    for (int16_t n = 0; n < kGenreCount; ++n)
      if (upper == text::toUpperAscii(kGenres[static_cast<size_t>(n)])) return n;
    if (text.empty() || isDigit(text[0])) {
      const double value = leadingNumber(text);
      if (value >= 0 && value <= kGenreCount - 1) return text::toInt16(value);
    }
    return kNoGenre;
  }
  if (text.size() >= 2 && text[1] == '(') return kNoGenre;  // "((" escapes a parenthesis
  return text::toInt16(leadingNumber(std::string_view(text).substr(1)));
}

std::string TypeTagV2::CleanTagText(std::string_view data) {
  const size_t nul = data.rfind('\0');
  if (nul != std::string_view::npos) data = data.substr(nul + 1);
  std::string kept;
  kept.reserve(data.size());
  for (size_t i = 0; i < data.size(); ++i) {
    const auto c = static_cast<unsigned char>(data[i]);
    if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n') {
      kept += "\r\n";
      ++i;
      continue;
    }
    if (c < 32 || (c >= 127 && c <= 129) || c == 141) continue;
    kept += static_cast<char>(c);
  }
  return text::cp1252ToUtf8(kept);
}

std::string TypeTagV2::PadWithNul(const std::string& text, int16_t width) {
  const size_t length = utf8Length(text);
  if (width < 0 || static_cast<size_t>(width) < length) throw RuntimeError(err::InvalidCall);
  return text + std::string(static_cast<size_t>(width) - length, '\0');
}

}  // namespace lumo::id3
