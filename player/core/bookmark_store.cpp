#include "player/core/bookmark_store.h"

#include "common/text/text.h"
#include "platform/registry/registry.h"

namespace lumo::player::core {

std::string nomeName(std::string_view number) { return std::string(number) + "NOME"; }
std::string nomeAudioName(std::string_view number) { return std::string(number) + "NOMEAUDIO"; }
std::string nomeName(int n) { return nomeName(std::to_string(n)); }
std::string nomeAudioName(int n) { return nomeAudioName(std::to_string(n)); }
std::string olderSection(const std::string& section) { return section + "#"; }

std::string audioFileName(std::string_view path) {
  const size_t cut = path.find_last_of("/\\");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

SectionValues::SectionValues(const std::string& app, const std::string& section) {
  for (auto& [name, value] : registry::GetAllSettings(app, section))
    values_.emplace(text::toUpperAscii(name), std::move(value));
}

std::string SectionValues::get(const std::string& name, std::string_view defaultValue) const {
  const auto it = values_.find(text::toUpperAscii(name));
  return it == values_.end() ? std::string(defaultValue) : it->second;
}

bool SectionValues::has(const std::string& name) const { return values_.count(text::toUpperAscii(name)) > 0; }

int SectionValues::lastNumber() const {
  int last = 0;
  for (int n = 1; n <= kMaxMarkers; ++n)
    if (description(n) != kMissing) last = n;
  return last;
}

int16_t SectionValues::find(const std::string& text) const {
  for (int n = 1; n <= kMaxMarkers; ++n)
    if (description(n) == text) return static_cast<int16_t>(n);
  return 0;
}

int16_t BookmarkStore::find(const std::string& section, const std::string& description) const {
  return SectionValues(app_, section).find(description);
}

void BookmarkStore::add(const std::string& section, int number, const std::string& position,
                        const std::string& description, const std::string& audio) const {
  registry::SettingsTransaction([&] {
    registry::SaveSetting(app_, section, std::to_string(number), text::trim(position));
    registry::SaveSetting(app_, section, nomeName(number), text::trim(description));
    registry::SaveSetting(app_, section, nomeAudioName(number), text::trim(audio));
  });
}

LoadPlan BookmarkStore::readForLoad(const std::string& section) const {
  const std::string older = olderSection(section);
  LoadPlan plan;
  for (const std::string& from : {section, older}) {
    const SectionValues values(app_, from);
    for (int n = 1; n <= kMaxMarkers; ++n) {
      std::string d = values.description(n);
      std::string p = values.position(n);
      if (d == kMissing || p == kMissing) continue;
      if (from == older) {
        if (static_cast<int>(plan.markers.size()) >= kMaxMarkers) {
          plan.olderAllMoved = false;  // no number left: it stays where it is
          continue;
        }
        plan.migrated = true;
      }
      plan.markers.push_back({from, n, values.has(nomeAudioName(n)), std::move(p), std::move(d), values.audio(n, {}),
                              static_cast<int>(plan.markers.size()) + 1});
    }
  }
  return plan;
}

void BookmarkStore::renumber(const std::string& section, const LoadPlan& plan, std::string& step) const {
  step = "Cancellazione Markers per riordino";
  registry::SettingsTransaction([&] {
    for (const LoadedMarker& m : plan.markers) {
      if (m.keepsItsNumber(section)) continue;
      registry::DeleteSetting(app_, m.section, std::to_string(m.number));
      registry::DeleteSetting(app_, m.section, nomeName(m.number));
      if (m.hasAudio) registry::DeleteSetting(app_, m.section, nomeAudioName(m.number));
    }
    for (const LoadedMarker& m : plan.markers) {
      const bool keeps = m.keepsItsNumber(section);
      if (!keeps) {
        step = "Salvataggio Markers per riordino";
        registry::SaveSetting(app_, section, std::to_string(m.newNumber), m.position);
        step = "Salvataggio Markers2 per riordino";
        registry::SaveSetting(app_, section, nomeName(m.newNumber), m.description);
      }
      if (keeps && m.hasAudio) continue;
      step = "Salvataggio Markers3 per riordino";
      registry::SaveSetting(app_, section, nomeAudioName(m.newNumber), m.audio);
    }
    if (plan.migrated && plan.olderAllMoved) registry::DeleteSetting(app_, olderSection(section));
  });
}

void BookmarkStore::deleteAll(const std::string& section) const {
  registry::SettingsTransaction([&] {
    for (const std::string& from : {section, olderSection(section)})
      if (SectionValues(app_, from).lastNumber() > 0) registry::DeleteSetting(app_, from);
  });
}

void BookmarkStore::deleteNumber(const std::string& section, int n) const {
  const SectionValues values(app_, section);
  if (values.description(n) == kMissing) return;
  registry::SettingsTransaction([&] {
    if (values.has(std::to_string(n))) registry::DeleteSetting(app_, section, std::to_string(n));
    registry::DeleteSetting(app_, section, nomeName(n));
    if (values.has(nomeAudioName(n))) registry::DeleteSetting(app_, section, nomeAudioName(n));
  });
}

void BookmarkStore::deleteEntry(const std::string& section, const std::string& number) const {
  const bool hasAudio = SectionValues(app_, section).get(nomeAudioName(number)) != kMissing;
  registry::SettingsTransaction([&] {
    registry::DeleteSetting(app_, section, number);
    registry::DeleteSetting(app_, section, nomeName(number));
    if (hasAudio) registry::DeleteSetting(app_, section, nomeAudioName(number));
  });
}

}  // namespace lumo::player::core
