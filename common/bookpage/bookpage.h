#pragma once
// The book page protocol that Zivuvu writes and the player reads. A page
// names its media files and its neighbours in meta tags; its links carry
// the player's keywords: a start position in seconds, a keyboard command,
// a stop, pause or play, or a media file to play. Both programs spell these
// keywords only through this header, so that what the writer makes is what
// the reader understands.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumo::bookpage {

// ---- Meta tags -----------------------------------------------------------

// The page's media file n: "QENPLAYER_AUDIO" for 0, "QENPLAYER_AUDIO_" n
// after it.
inline constexpr std::string_view kAudioMeta = "QENPLAYER_AUDIO";
std::string audioMeta(int32_t n);
// The start position of media file n: "QENPLAYER_AUDIO_POS", then "_" n.
std::string positionMeta(int32_t n);
// The page to open when media file n is not on the page.
std::string nextPageMeta(int32_t n);
// The previous page.
inline constexpr std::string_view kPreviousPageMeta = "QENPLAYER_AUDIO_PREVHTML";
// A message text that the summary page replaces ("USCITA").
std::string messageMeta(std::string_view key);

// What a meta name asks for.
enum class MetaKind { Audio, Position, NextPage, PreviousPage, Message };
struct Meta {
  MetaKind kind;
  int32_t number = 0;  // the media file's number (Audio, Position, NextPage)
  std::string key;     // the message key (Message)
};
// The meta that a name is, or none for a name that is no player keyword.
std::optional<Meta> parseMetaName(std::string_view name);

// ---- The position keyword --------------------------------------------------

// "QENPLAYER_AUDIO_POS" followed by "=" and seconds, anywhere in an address:
// the start position of the page's first media file.
inline constexpr std::string_view kPositionKeyword = "QENPLAYER_AUDIO_POS";
// "#QENPLAYER_AUDIO_POS=" and the seconds, the fragment of an index link.
std::string positionFragment(int64_t seconds);
// The text after the keyword and the one character that follows it ("="),
// to the end; "" when the text holds no keyword.
std::string positionText(std::string_view text);

// The index anchors of a file page: "LumoIndex_" n, n from 1, each with a
// link to its position.
std::string indexAnchorName(int32_t n);
// The whole seconds an index link names (the digits after
// "QENPLAYER_AUDIO_POS="); none when it names none or a text that is no
// whole number of seconds.
std::optional<int64_t> indexLinkSeconds(std::string_view link);

// ---- Link keywords -----------------------------------------------------------

// Tested in any case: the player plays its file again from the start.
inline constexpr std::string_view kReload = "LOCATION.RELOAD";
// Tested as written.
inline constexpr std::string_view kStop = "#QENP_STOP#";
inline constexpr std::string_view kPause = "#QENP_PAUSE#";
inline constexpr std::string_view kPlay = "#QENP_PLAY#";
// "#QENP_KEYCMD#", the modifiers held, and the virtual-key code.
inline constexpr std::string_view kKeyCommand = "#QENP_KEYCMD#";
inline constexpr std::string_view kKeyCtrl = "#KEYCTRL#";
inline constexpr std::string_view kKeyShift = "#KEYSHIFT#";
inline constexpr std::string_view kKeyAlt = "#KEYALT#";
// A media file that the link names, between "@" or "#" delimiters.
inline constexpr std::string_view kNamedMediaAt = "@VIDEO_PERS@";
inline constexpr std::string_view kNamedMediaHash = "#VIDEO_PERS#";
inline constexpr std::string_view kNamedMedia = "VIDEO_PERS";
// Video links, tested in any case; the dictionary video is the file that
// the page's element "VideoNomeFile" names.
inline constexpr std::string_view kVideoExtensions[] = {".WMV", ".M1V", ".AVI"};
inline constexpr std::string_view kDictionaryVideo = "#PLAYVIDEODIZIONARIO";
inline constexpr std::string_view kDictionaryVideoElement = "VideoNomeFile";
// In a media or video link: the video in a window, not full screen.
inline constexpr std::string_view kNoFullScreen = "@NOFULL@";

// The shift state bits of a keyboard command, and the virtual-key codes of
// the main keyboard's plus and minus keys (digits and letters are their
// characters' codes: '3' is 51, 'I' 73).
inline constexpr int16_t kShiftBit = 1, kCtrlBit = 2, kAltBit = 4;
inline constexpr int kPlusKey = 187, kMinusKey = 189;

// "#QENP_KEYCMD#" with the modifiers of the shift state and the key code:
// "#QENP_KEYCMD##KEYCTRL#51" is Ctrl and key code 51.
std::string keyCommandLink(int keyCode, int16_t shift);

// A keyboard command link as the player reads it.
struct KeyCommand {
  int16_t shift = 0;     // the sum of the modifiers the link names, each once
  std::string codeText;  // what stands for the key code: the text from the
                         // first "#QENP_KEYCMD#" on, without the keywords
};
// Every address holding "#QENP_KEYCMD#" is one; none for any other.
std::optional<KeyCommand> parseKeyCommand(std::string_view address);

// The link rules in the order the player tests them; the first that
// matches is the address's command.
enum class LinkKind { None, Reload, Stop, Pause, Play, KeyCommand, NamedMedia, Video };
LinkKind linkKind(std::string_view address);

// Every occurrence of what in text replaced by with.
std::string replaceAll(std::string text, std::string_view what, std::string_view with);

}  // namespace lumo::bookpage
