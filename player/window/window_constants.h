#pragma once
// The names and limits that the main window (frmBrowser) and its parts
// share: the player's settings, the window's design caption and the
// bookmarks a page keeps.

#include "player/core/bookmark_store.h"

namespace lumo::player {

// The settings of the player: application "QEN MediaPlayer", section "Player".
inline constexpr const char* kAppName = "QEN MediaPlayer";
inline constexpr const char* kPlayerSection = "Player";
// The window's design caption, kept while a page has no title.
inline constexpr const char* kDesignCaption = "QEN - MediaPlayer";
// The most bookmarks a page keeps (numbers 1 to 100).
inline constexpr int kMaxMarkers = core::kMaxMarkers;
// The modes of Marcatori: 0 load, 1 delete all, 2 delete the selected row's.
using core::MarcatoriMode;
inline constexpr const char* kMarkersFull =
    "Questa pagina ha già 100 segnalibri, il numero massimo. Per inserirne uno nuovo "
    "cancellane prima qualcuno.";

}  // namespace lumo::player
