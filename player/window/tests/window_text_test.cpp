// The text rules of the main window that need no window: media names.
// Page sections, the summary page and the position keyword are the
// core's and the page protocol's (player/core/tests, common/bookpage/tests).

#include <gtest/gtest.h>

#include "player/window/window_text.h"

namespace lumo::player {
namespace {

TEST(MediaNames, HaveAnExtensionOnlyAfterTheirLastFolder) {
  EXPECT_TRUE(hasExtension(QStringLiteral("/libri/A.mp3")));
  EXPECT_FALSE(hasExtension(QStringLiteral("/libri/vol.1/A")));
  EXPECT_FALSE(hasExtension(QStringLiteral("A")));
  EXPECT_TRUE(isVideoName(QStringLiteral("/x/film.WMV")));
  EXPECT_FALSE(isVideoName(QStringLiteral("/x/A.mp3")));
}

}  // namespace
}  // namespace lumo::player
