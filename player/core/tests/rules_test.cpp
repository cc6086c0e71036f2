// The reading rules: speed steps and their wrap, the three speeds, the
// volume scales, the skips at the edges of a file, the skip step the box
// keeps and the time text.

#include <gtest/gtest.h>

#include "common/errors/errors.h"
#include "player/core/rules.h"

namespace lumo::player::core {
namespace {

TEST(ReadingSpeed, StepsWrapAtTheirLimitsInSinglePrecision) {
  EXPECT_DOUBLE_EQ(RateChange(1.0, true), 1.1);
  EXPECT_DOUBLE_EQ(RateChange(1.95, true), 2.05);
  EXPECT_DOUBLE_EQ(RateChange(2.0, true), 0.5);
  EXPECT_DOUBLE_EQ(RateChange(0.65, false), 0.55);
  EXPECT_DOUBLE_EQ(RateChange(0.6, false), 2.0);
  // Stored as singles, the steps down from 1 reach a value just below 0.6,
  // which wraps at the next step.
  float rate = 1.0f;
  for (int i = 0; i < 4; ++i) rate = static_cast<float>(RateChange(rate, false));
  EXPECT_LT(rate, 0.6f);
  EXPECT_EQ(static_cast<float>(RateChange(rate, false)), 2.0f);
  // Up from 1, ten steps reach just above 2: the next wraps to 0.5.
  rate = 1.0f;
  for (int i = 0; i < 10; ++i) rate = static_cast<float>(RateChange(rate, true));
  EXPECT_NEAR(rate, 2.0f, 1e-5);
  EXPECT_EQ(static_cast<float>(RateChange(rate, true)), 0.5f);
}

TEST(ReadingSpeed, TheThreeSpeedsCycleFromOneOnly) {
  EXPECT_EQ(threeSpeedCycle(1.0f).rate, 1.4f);
  EXPECT_EQ(threeSpeedCycle(1.0f).message, "Lettura veloce - Rate ");
  EXPECT_EQ(threeSpeedCycle(1.4f).rate, 0.7f);
  EXPECT_EQ(threeSpeedCycle(1.4f).message, "Lettura lenta - Rate ");
  EXPECT_EQ(threeSpeedCycle(0.7f).rate, 1.0f);
  EXPECT_EQ(threeSpeedCycle(0.7f).message, "Lettura normale - Rate ");
  // 1.4 reached by steps of 0.1 is not the single 1.4.
  float stepped = 1.0f;
  for (int i = 0; i < 4; ++i) stepped = static_cast<float>(RateChange(stepped, true));
  EXPECT_EQ(threeSpeedCycle(stepped).rate, 1.0f);
}

TEST(Volume, EachPlayerVersionKeepsToItsScale) {
  const VolumeLimits v1 = volumeLimitsOf(1), v0 = volumeLimitsOf(0);
  EXPECT_EQ(v1, (VolumeLimits{100, 0, 10}));
  EXPECT_EQ(v0, (VolumeLimits{0, -4000, 100}));
  struct Case {
    long long volume;
    bool up;
    VolumeLimits limits;
    int16_t result;
  } const cases[] = {
      {95, true, v1, 100}, {100, true, v1, 100},  {50, false, v1, 40},       {5, false, v1, 0},
      {0, true, v0, 0},    {-150, true, v0, -50}, {-3950, false, v0, -4000}, {-4000, false, v0, -4000},
  };
  for (const Case& c : cases)
    EXPECT_EQ(steppedVolume(c.volume, c.up, c.limits), c.result) << c.volume << (c.up ? " up" : " down");
  try {
    steppedVolume(32767, true, v1);
    ADD_FAILURE() << "no overflow";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::Overflow);
  }
}

TEST(Skip, AtTheEdgesOfAFileTheNeighbourAudioTakesOver) {
  struct Case {
    const char* what;
    bool back;
    double position, step, duration;
    int32_t audioIndex;
    SkipMove move;
    double target;
  } const cases[] = {
      {"back within the file", true, 25, 10, 60, 0, SkipMove::Seek, 15},
      {"back at the step exactly", true, 10, 10, 60, 1, SkipMove::PreviousAudio, 0},
      {"back near the start of a later audio", true, 8, 10, 60, 1, SkipMove::PreviousAudio, 0},
      {"back near the start of the first audio", true, 8, 10, 60, 0, SkipMove::Restart, 0},
      {"a step longer than the position", true, 25, 30, 60, 2, SkipMove::PreviousAudio, 0},
      {"forward within the file", false, 25, 10, 60, 0, SkipMove::Seek, 35},
      {"forward to the end exactly", false, 50, 10, 60, 0, SkipMove::Seek, 60},
      {"forward past the end", false, 55, 10, 60, 0, SkipMove::NextAudio, 57},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Skip skip = c.back ? skipBack(c.position, c.step, c.audioIndex) : skipForward(c.position, c.step, c.duration);
    EXPECT_EQ(skip.move, c.move);
    EXPECT_DOUBLE_EQ(skip.position, c.target);
  }
}

TEST(Skip, TheBoxKeepsANumberElseTheStoredStepElseTen) {
  const auto isNumber = [](const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789.") == std::string::npos;
  };
  const auto stored = [](const char* step) { return [step] { return std::string(step); }; };
  const auto unread = []() -> std::string {
    ADD_FAILURE() << "the stored step is read";
    return {};
  };
  EXPECT_EQ(skipStepRefill("15", unread, isNumber), std::nullopt);
  EXPECT_EQ(skipStepRefill("dieci", stored("20"), isNumber), "20");
  EXPECT_EQ(skipStepRefill("", stored("venti"), isNumber), "10");
}

TEST(TimeText, MinutesAndSecondsWithinTheHour) {
  const std::pair<int32_t, const char*> cases[] = {
      {0, "00:00"}, {59, "00:59"}, {61, "01:01"}, {65, "01:05"}, {3599, "59:59"}, {3600, "00:00"}, {3725, "02:05"},
  };
  for (const auto& [seconds, text] : cases) EXPECT_EQ(strtempo(seconds), text) << seconds;
}

}  // namespace
}  // namespace lumo::player::core
