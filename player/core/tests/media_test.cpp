// The media file a page means: its start position, where it is looked
// for, and which names are completed by probing or are videos.

#include <gtest/gtest.h>

#include <map>

#include "player/core/media.h"

namespace lumo::player::core {
namespace {

TEST(StartPosition, AKeptFragmentThenTheAddressThenThePageMetaOfTheMedium) {
  const std::map<std::string, std::string> metas = {{"QENPLAYER_AUDIO_POS", "12"}, {"QENPLAYER_AUDIO_POS_2", "34"}};
  const PageMeta meta = [&](const std::string& name) {
    const auto it = metas.find(name);
    return it == metas.end() ? std::string() : it->second;
  };
  struct Case {
    const char* what;
    const char* url;
    const char* fragment;
    bool moving;
    int32_t audioIndex;
    const char* position;
  } const cases[] = {
      {"the address's keyword", "file:///l/A.htm#QENPLAYER_AUDIO_POS=95", "", false, 0, "95"},
      {"the kept fragment wins", "file:///l/A.htm#QENPLAYER_AUDIO_POS=95", "QENPLAYER_AUDIO_POS=60", false, 0, "60"},
      {"a kept fragment without the keyword", "file:///l/A.htm", "subito", false, 0, "12"},
      {"the page's meta", "file:///l/A.htm", "", false, 0, "12"},
      {"moving on: the meta of that medium", "", "QENPLAYER_AUDIO_POS=60", true, 2, "34"},
      {"moving back to the first medium", "", "", true, 0, "12"},
      {"a medium without a meta starts at 0", "", "", true, 3, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(startPosition(c.url, c.fragment, c.moving, c.audioIndex, meta), c.position) << c.what;
}

TEST(MediaNames, HaveAnExtensionOnlyAfterTheirLastFolder) {
  EXPECT_TRUE(hasExtension("/libri/A.mp3"));
  EXPECT_TRUE(hasExtension("A.mp3"));
  EXPECT_FALSE(hasExtension("/libri/vol.1/A"));
  EXPECT_FALSE(hasExtension("A"));
  EXPECT_TRUE(isVideoName("/x/film.WMV"));
  EXPECT_TRUE(isVideoName("x.m1v"));
  EXPECT_FALSE(isVideoName("/x/A.mp3"));
  EXPECT_FALSE(isVideoName("avi"));
  EXPECT_EQ(probedExtensions(), (std::vector<std::string>{".wma", ".wmv", ".mp3", ".wav", ".m1v", ".avi"}));
}

TEST(MediaNames, AreLookedForAsNamedBesideThePageThenInTheProgramFolder) {
  const auto candidates = mediaCandidates("Libro\\A.mp3", "/l/LB01/", "/l");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Libro/A.mp3", "Controllo esistenza file Libro/A.mp3"},
      {"/l/LB01/Libro/A.mp3", "Controllo esistenza file1"},
      {"/l/Libro/A.mp3", "Controllo esistenza file2"},
      {"/l/Libro/Libro/A.mp3", "Controllo esistenza file2"}};
  EXPECT_EQ(candidates, expected);
}

}  // namespace
}  // namespace lumo::player::core
