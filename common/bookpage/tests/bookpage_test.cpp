// The page keywords: what the format functions write, the parse functions
// read back, and the texts that are no keyword.

#include <gtest/gtest.h>

#include "common/bookpage/bookpage.h"

namespace lumo::bookpage {
namespace {

TEST(BookPageMetas, NamesOfNumberedMetasParseBackToTheirKindAndNumber) {
  EXPECT_EQ(audioMeta(0), "QENPLAYER_AUDIO");
  EXPECT_EQ(audioMeta(2), "QENPLAYER_AUDIO_2");
  EXPECT_EQ(positionMeta(0), "QENPLAYER_AUDIO_POS");
  EXPECT_EQ(positionMeta(3), "QENPLAYER_AUDIO_POS_3");
  EXPECT_EQ(nextPageMeta(1), "QENPLAYER_AUDIO_NEXTHTML_1");
  EXPECT_EQ(messageMeta("USCITA"), "QENPLAYER_MSG_USCITA");
  for (int32_t n : {0, 1, 12}) {
    SCOPED_TRACE(n);
    auto audio = parseMetaName(audioMeta(n));
    ASSERT_TRUE(audio);
    EXPECT_EQ(audio->kind, MetaKind::Audio);
    EXPECT_EQ(audio->number, n);
    auto position = parseMetaName(positionMeta(n));
    ASSERT_TRUE(position);
    EXPECT_EQ(position->kind, MetaKind::Position);
    EXPECT_EQ(position->number, n);
    auto next = parseMetaName(nextPageMeta(n));
    ASSERT_TRUE(next);
    EXPECT_EQ(next->kind, MetaKind::NextPage);
    EXPECT_EQ(next->number, n);
  }
  const auto previous = parseMetaName(kPreviousPageMeta);
  ASSERT_TRUE(previous);
  EXPECT_EQ(previous->kind, MetaKind::PreviousPage);
  const auto message = parseMetaName(messageMeta("MARKNONE"));
  ASSERT_TRUE(message);
  EXPECT_EQ(message->kind, MetaKind::Message);
  EXPECT_EQ(message->key, "MARKNONE");
  for (const char* other : {"GENERATOR", "qenplayer_audio", "QENPLAYER_AUDIO_", "QENPLAYER_AUDIO_x",
                            "QENPLAYER_AUDIO_NEXTHTML_", "QENPLAYER_MSG_", "QENPLAYER_AUDIO_0"})
    EXPECT_FALSE(parseMetaName(other)) << other;
}

TEST(BookPagePositions, TheKeywordNamesThePositionToTheEndOfTheAddress) {
  EXPECT_EQ(positionFragment(95), "#QENPLAYER_AUDIO_POS=95");
  EXPECT_EQ(positionText("file:///a/A.htm" + positionFragment(95)), "95");
  EXPECT_EQ(positionText("QENPLAYER_AUDIO_POS=12#QENPLAYER_AUDIO_POS=3"), "12#QENPLAYER_AUDIO_POS=3");
  EXPECT_EQ(positionText("file:///a/A.htm#subito"), "");
  EXPECT_EQ(positionText("QENPLAYER_AUDIO_POS"), "");
  EXPECT_EQ(indexAnchorName(7), "LumoIndex_7");

  const std::pair<const char*, std::optional<int64_t>> links[] = {
      {"#QENPLAYER_AUDIO_POS=0", 0},
      {"file:///a/A.htm#QENPLAYER_AUDIO_POS=32767", 32767},
      {"#QENPLAYER_AUDIO_POS=32768", 32768},  // the player decides what it can reach
      {"#QENPLAYER_AUDIO_POS= 60 ", 60},
      {"#QENPLAYER_AUDIO_POS=12.5", std::nullopt},
      {"#QENPLAYER_AUDIO_POS=-3", std::nullopt},
      {"#QENPLAYER_AUDIO_POS=", std::nullopt},
      {"#QENPLAYER_AUDIO_POS=abc", std::nullopt},
      {"#subito", std::nullopt},
  };
  for (const auto& [link, seconds] : links) EXPECT_EQ(indexLinkSeconds(link), seconds) << link;
}

TEST(BookPageLinks, KeyCommandLinksCarryTheShiftStateAndTheCode) {
  EXPECT_EQ(keyCommandLink(51, kCtrlBit), "#QENP_KEYCMD##KEYCTRL#51");
  EXPECT_EQ(keyCommandLink(187, kAltBit), "#QENP_KEYCMD##KEYALT#187");
  for (int16_t shift = 0; shift <= 7; ++shift) {
    SCOPED_TRACE(shift);
    const auto parsed = parseKeyCommand("file:///a/A.htm" + keyCommandLink(65, shift));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->shift, shift);
    EXPECT_EQ(parsed->codeText, "65");
  }
  // Each modifier counts once, wherever it stands.
  const auto twice = parseKeyCommand("#KEYALT##QENP_KEYCMD##KEYALT##KEYALT#56");
  ASSERT_TRUE(twice);
  EXPECT_EQ(twice->shift, kAltBit);
  EXPECT_EQ(twice->codeText, "56");
  const auto bad = parseKeyCommand("#QENP_KEYCMD##KEYCTRL#tre");
  ASSERT_TRUE(bad);
  EXPECT_EQ(bad->codeText, "tre");
  EXPECT_FALSE(parseKeyCommand("#qenp_keycmd##KEYCTRL#51"));
}

TEST(BookPageLinks, TheFirstMatchingRuleIsTheLinkCommand) {
  const std::pair<const char*, LinkKind> cases[] = {
      {"javascript:location.reload()", LinkKind::Reload},
      {"#QENP_STOP#LOCATION.RELOAD", LinkKind::Reload},
      {"#QENP_STOP#", LinkKind::Stop},
      {"#qenp_stop#", LinkKind::None},
      {"#QENP_PAUSE#", LinkKind::Pause},
      {"#QENP_PLAY#", LinkKind::Play},
      {"#QENP_PLAY##QENP_KEYCMD##KEYCTRL#51", LinkKind::Play},
      {"#QENP_KEYCMD##KEYCTRL#51", LinkKind::KeyCommand},
      {"#VIDEO_PERS#clip.wmv", LinkKind::NamedMedia},
      {"@VIDEO_PERS@@NOFULL@clip.wmv", LinkKind::NamedMedia},
      {"#video_pers#clip.avi", LinkKind::Video},
      {"video/film.WMV", LinkKind::Video},
      {"x.m1v", LinkKind::Video},
      {"#playvideodizionario", LinkKind::Video},
      {"file:///a/A.htm#QENPLAYER_AUDIO_POS=95", LinkKind::None},
      {"file:///a/B.htm", LinkKind::None},
  };
  for (const auto& [address, kind] : cases) EXPECT_EQ(linkKind(address), kind) << address;
}

}  // namespace
}  // namespace lumo::bookpage
