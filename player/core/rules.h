#pragma once
// The reading rules of the player's commands: speed steps and the
// three-speed cycle, the volume scale of each player version, the skip
// back and forward at the edges of a file, the skip step that the panel's
// box keeps, and the "MM:SS" time of the messages.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace lumo::player::core {

// The next reading speed up or down: up to 2 by 0.1, then 0.5; down to
// 0.6 by 0.1, then 2. Formed in double precision from the player's
// single-precision rate; the caller stores a single, so the value reached
// near 0.6 lies just below it and the next step down wraps.
double RateChange(double rate, bool up);

// Ctrl+9: 1 gives 1.4, 1.4 (the single) gives 0.7, any other speed 1.
struct SpeedStep {
  float rate;
  std::string_view message;  // "Lettura veloce - Rate " and so on
};
SpeedStep threeSpeedCycle(float rate);

// The volume scale of a player version: version 1 moves by 10 between 0
// and 100, the older version 0 by 100 between -4000 and 0.
struct VolumeLimits {
  int16_t max, min, step;
  bool operator==(const VolumeLimits&) const = default;
};
VolumeLimits volumeLimitsOf(int16_t version);
// The volume after one step up or down, kept within the limits; run-time
// error 6 when the step leaves the 16-bit range.
int16_t steppedVolume(long long volume, bool up, const VolumeLimits& limits);

// What a skip command does while the player plays.
enum class SkipMove {
  Seek,           // to the position given
  PreviousAudio,  // the page's previous audio, at its duration less the step;
                  // when there is none, back to the start of this one, playing
  Restart,        // the page's first audio: back to its start, playing
  NextAudio,      // the page's next audio or the next page; when there is
                  // none, the position given (the last three seconds), playing
};
struct Skip {
  SkipMove move;
  double position = 0;
};
// Ctrl+1 at a position with a step; audioIndex is the number of the page's
// media file playing (0 for its first).
Skip skipBack(double position, double step, int32_t audioIndex);
// Ctrl+2 at a position with a step, in a medium of this duration.
Skip skipForward(double position, double step, double duration);

// The skip-step box: a typed text that is a number stays (and is stored);
// otherwise the box is refilled with the stored step, or with "10" when
// the stored step is no number either. None when the typed text stays
// (the stored step is then not read).
std::optional<std::string> skipStepRefill(const std::string& typed, const std::function<std::string()>& stored,
                                          const std::function<bool(const std::string&)>& isNumber);
inline constexpr std::string_view kFirstSkipStep = "10";

// Whole seconds within the hour as "MM:SS" (3725 s give "02:05").
std::string strtempo(int32_t seconds);

}  // namespace lumo::player::core
