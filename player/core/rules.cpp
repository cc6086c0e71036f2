#include "player/core/rules.h"

#include <cstdio>

#include "common/text/text.h"

namespace lumo::player::core {

double RateChange(double rate, bool up) {
  if (up) return rate < 2 ? rate + 0.1 : 0.5;
  return rate > 0.6 ? rate - 0.1 : 2;
}

SpeedStep threeSpeedCycle(float rate) {
  if (rate == 1.0f) return {1.4f, "Lettura veloce - Rate "};
  if (rate == 1.4f) return {0.7f, "Lettura lenta - Rate "};
  return {1.0f, "Lettura normale - Rate "};
}

VolumeLimits volumeLimitsOf(int16_t version) {
  if (version == 1) return {100, 0, 10};
  return {0, -4000, 100};
}

int16_t steppedVolume(long long volume, bool up, const VolumeLimits& limits) {
  const int16_t v = text::toInt16(volume + (up ? limits.step : -limits.step));
  if (up) return v <= limits.max ? v : limits.max;
  return v >= limits.min ? v : limits.min;
}

Skip skipBack(double position, double step, int32_t audioIndex) {
  if (position - step > 0) return {SkipMove::Seek, position - step};
  if (audioIndex > 0) return {SkipMove::PreviousAudio, 0};
  return {SkipMove::Restart, 0};
}

Skip skipForward(double position, double step, double duration) {
  if (duration < position + step) return {SkipMove::NextAudio, duration - 3};
  return {SkipMove::Seek, position + step};
}

std::optional<std::string> skipStepRefill(const std::string& typed, const std::function<std::string()>& stored,
                                          const std::function<bool(const std::string&)>& isNumber) {
  if (isNumber(typed)) return std::nullopt;
  const std::string step = stored();
  return isNumber(step) ? step : std::string(kFirstSkipStep);
}

std::string strtempo(int32_t seconds) {
  const int32_t w = seconds % 3600;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", int(w / 60), int(w % 60));
  return text;
}

}  // namespace lumo::player::core
