#pragma once
// The bookmark store: one settings section per page (its section text),
// bookmark n holding its position in whole seconds (value n), its
// description (nNOME) and the audio file that was playing (nNOMEAUDIO).
// A missing value reads as "vuoto". An older form of the store kept a
// page's bookmarks in the section named by the page's section followed by
// "#"; a load moves them into the page's own section.
//
// Every change that belongs together is one transaction of the settings
// store: a new bookmark's three values, a load's renumbering and
// migration, a deletion.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lumo::player::core {

// The modes of Marcatori, with the numbers the window's callers use.
enum class MarcatoriMode : int32_t { Load = 0, DeleteAll = 1, DeleteSelected = 2 };

inline constexpr std::string_view kMissing = "vuoto";
// Bookmark numbers run from 1 to 100; a load reads no other.
inline constexpr int kMaxMarkers = 100;

std::string nomeName(int n);       // "7NOME"
std::string nomeAudioName(int n);  // "7NOMEAUDIO"
// The same names for a number as a summary row gives it ("12").
std::string nomeName(std::string_view number);
std::string nomeAudioName(std::string_view number);
// The section of the older store of a page.
std::string olderSection(const std::string& section);
// The file name (without folder) of the audio playing: the text after the
// last "/" or "\".
std::string audioFileName(std::string_view path);

// The values of one section, read once; names compare without regard to case.
class SectionValues {
 public:
  SectionValues(const std::string& app, const std::string& section);
  // The value, or the default when it is missing.
  std::string get(const std::string& name, std::string_view defaultValue = kMissing) const;
  bool has(const std::string& name) const;
  std::string description(int n) const { return get(nomeName(n)); }
  // Bookmark n's position (whole seconds, as text) and its audio file name.
  std::string position(int n, std::string_view defaultValue = kMissing) const {
    return get(std::to_string(n), defaultValue);
  }
  std::string audio(int n, std::string_view defaultValue = kMissing) const {
    return get(nomeAudioName(n), defaultValue);
  }
  // The first number whose description is exactly this one; 0 when none is.
  int16_t find(const std::string& text) const;
  // The highest bookmark number in use (0 for none).
  int lastNumber() const;

 private:
  std::unordered_map<std::string, std::string> values_;
};

// One bookmark found by a load, where it is and where it goes.
struct LoadedMarker {
  std::string section;  // the section it was read from
  int number = 0;       // its number there
  bool hasAudio = false;
  std::string position, description, audio;
  int newNumber = 0;  // its number after the renumbering
  // A bookmark that keeps its number keeps its values.
  bool keepsItsNumber(const std::string& pageSection) const { return section == pageSection && number == newNumber; }
};

struct LoadPlan {
  std::vector<LoadedMarker> markers;  // in list order: the page's, then the older ones
  bool migrated = false;              // bookmarks of the older section were found
  bool olderAllMoved = true;          // every one of them found a number
};

class BookmarkStore {
 public:
  explicit BookmarkStore(std::string app) : app_(std::move(app)) {}

  // The number of the first bookmark whose description is exactly this
  // one; 0 when none is.
  int16_t find(const std::string& section, const std::string& description) const;
  // Saves a new bookmark's three values (each trimmed) as one change.
  void add(const std::string& section, int number, const std::string& position, const std::string& description,
           const std::string& audio) const;

  // A load: the page's bookmarks in number order, then those of the older
  // section, numbered 1, 2, 3 ... in that order. A bookmark without a
  // description or a position is not one. Older bookmarks beyond 100 keep
  // their place.
  LoadPlan readForLoad(const std::string& section) const;
  // Stores a load's numbers as one change: a bookmark that moves is
  // deleted where it was and saved under its new number in the page's
  // section; one without an audio name gets the empty name; the older
  // section goes when all its bookmarks moved. step names the part reached
  // ("Salvataggio Markers per riordino" ...) when it fails.
  void renumber(const std::string& section, const LoadPlan& plan, std::string& step) const;

  // Deletes the page's section and the older one, each when it holds a
  // bookmark, as one change.
  void deleteAll(const std::string& section) const;
  // Deletes bookmark n of a section, its three values as one change;
  // nothing when it has no description.
  void deleteNumber(const std::string& section, int n) const;
  // Deletes the bookmark that a summary row names by section and number
  // text ("12"), as one change.
  void deleteEntry(const std::string& section, const std::string& number) const;

  const std::string& app() const { return app_; }

 private:
  std::string app_;
};

}  // namespace lumo::player::core
