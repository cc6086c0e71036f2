#include "common/bookpage/bookpage.h"

#include <cctype>

#include "common/text/text.h"

namespace lumo::bookpage {

namespace {

constexpr std::string_view kNumbered = "_";
constexpr std::string_view kPositionMeta = "QENPLAYER_AUDIO_POS";
constexpr std::string_view kNextPageMeta = "QENPLAYER_AUDIO_NEXTHTML_";
constexpr std::string_view kMessageMeta = "QENPLAYER_MSG_";
constexpr std::string_view kIndexAnchor = "LumoIndex_";

bool contains(std::string_view text, std::string_view what) { return text.find(what) != std::string_view::npos; }

// A decimal number without sign or blanks.
std::optional<int32_t> digits(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int32_t n = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

std::string replaceAll(std::string text, std::string_view what, std::string_view with) {
  if (what.empty()) return text;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
  return text;
}

std::string audioMeta(int32_t n) {
  std::string name(kAudioMeta);
  if (n > 0) name += std::string(kNumbered) + std::to_string(n);
  return name;
}

std::string positionMeta(int32_t n) {
  std::string name(kPositionMeta);
  if (n > 0) name += std::string(kNumbered) + std::to_string(n);
  return name;
}

std::string nextPageMeta(int32_t n) { return std::string(kNextPageMeta) + std::to_string(n); }

std::string messageMeta(std::string_view key) { return std::string(kMessageMeta) + std::string(key); }

std::optional<Meta> parseMetaName(std::string_view name) {
  const auto numbered = [&](std::string_view prefix) -> std::optional<int32_t> {
    if (name.substr(0, prefix.size()) != prefix) return std::nullopt;
    return digits(name.substr(prefix.size()));
  };
  if (name == kAudioMeta) return Meta{MetaKind::Audio, 0, {}};
  if (name == kPositionMeta) return Meta{MetaKind::Position, 0, {}};
  if (name == kPreviousPageMeta) return Meta{MetaKind::PreviousPage, 0, {}};
  if (const auto n = numbered(kNextPageMeta)) return Meta{MetaKind::NextPage, *n, {}};
  if (name.substr(0, kMessageMeta.size()) == kMessageMeta && name.size() > kMessageMeta.size())
    return Meta{MetaKind::Message, 0, std::string(name.substr(kMessageMeta.size()))};
  if (const auto n = numbered(std::string(kPositionMeta) + std::string(kNumbered)); n && *n > 0)
    return Meta{MetaKind::Position, *n, {}};
  if (const auto n = numbered(std::string(kAudioMeta) + std::string(kNumbered)); n && *n > 0)
    return Meta{MetaKind::Audio, *n, {}};
  return std::nullopt;
}

std::string positionFragment(int64_t seconds) {
  return "#" + std::string(kPositionKeyword) + "=" + std::to_string(seconds);
}

std::string positionText(std::string_view text) {
  const size_t at = text.find(kPositionKeyword);
  if (at == std::string_view::npos) return {};
  const size_t from = at + kPositionKeyword.size() + 1;
  return from >= text.size() ? std::string{} : std::string(text.substr(from));
}

std::string indexAnchorName(int32_t n) { return std::string(kIndexAnchor) + std::to_string(n); }

std::optional<int64_t> indexLinkSeconds(std::string_view link) {
  const std::string keyword = std::string(kPositionKeyword) + "=";
  const size_t at = link.find(keyword);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view value = link.substr(at + keyword.size());
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!value.empty() && blank(value.front())) value.remove_prefix(1);
  while (!value.empty() && blank(value.back())) value.remove_suffix(1);
  const std::optional<int32_t> n = digits(value);
  if (!n) return std::nullopt;
  return *n;
}

std::string keyCommandLink(int keyCode, int16_t shift) {
  std::string link(kKeyCommand);
  if (shift & kCtrlBit) link += kKeyCtrl;
  if (shift & kShiftBit) link += kKeyShift;
  if (shift & kAltBit) link += kKeyAlt;
  return link + std::to_string(keyCode);
}

std::optional<KeyCommand> parseKeyCommand(std::string_view address) {
  const size_t at = address.find(kKeyCommand);
  if (at == std::string_view::npos) return std::nullopt;
  KeyCommand command;
  command.shift =
      static_cast<int16_t>((contains(address, kKeyAlt) ? kAltBit : 0) + (contains(address, kKeyShift) ? kShiftBit : 0) +
                           (contains(address, kKeyCtrl) ? kCtrlBit : 0));
  std::string code(address.substr(at));
  for (const std::string_view marker : {kKeyCtrl, kKeyShift, kKeyAlt, kKeyCommand}) code = replaceAll(code, marker, {});
  command.codeText = code;
  return command;
}

LinkKind linkKind(std::string_view address) {
  const std::string upper = text::toUpperAscii(address);
  if (contains(upper, kReload)) return LinkKind::Reload;
  if (contains(address, kStop)) return LinkKind::Stop;
  if (contains(address, kPause)) return LinkKind::Pause;
  if (contains(address, kPlay)) return LinkKind::Play;
  if (contains(address, kKeyCommand)) return LinkKind::KeyCommand;
  if (contains(address, kNamedMediaAt) || contains(address, kNamedMediaHash)) return LinkKind::NamedMedia;
  for (const std::string_view extension : kVideoExtensions)
    if (contains(upper, extension)) return LinkKind::Video;
  if (contains(upper, kDictionaryVideo)) return LinkKind::Video;
  return LinkKind::None;
}

}  // namespace lumo::bookpage
