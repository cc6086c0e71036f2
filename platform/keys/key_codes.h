#pragma once
// The key codes and shift states of the suite's key commands, without Qt:
// the Windows virtual-key codes that platform/keys gives for key events,
// and that the player's key table (player/core) and its pages' key command
// links name.

namespace lumo::keys {

// Virtual-key codes the suite uses.
namespace vk {
inline constexpr int Back = 8;
inline constexpr int Tab = 9;
inline constexpr int Return = 13;
inline constexpr int Escape = 27;
inline constexpr int Space = 32;
inline constexpr int Prior = 33;  // Page Up
inline constexpr int Next = 34;   // Page Down
inline constexpr int End = 35;
inline constexpr int Home = 36;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int Insert = 45;
inline constexpr int Delete = 46;
inline constexpr int Digit0 = 48;   // to 57, the digits' characters
inline constexpr int LetterA = 65;  // to 90, the capital letters' characters
inline constexpr int F1 = 112;      // to F24, 135
inline constexpr int OemPlus = 187;
inline constexpr int OemMinus = 189;
}  // namespace vk

// Shift state bits.
namespace shift {
inline constexpr int None = 0;
inline constexpr int Shift = 1;
inline constexpr int Ctrl = 2;
inline constexpr int Alt = 4;
inline constexpr int All = Shift | Ctrl | Alt;
}  // namespace shift

}  // namespace lumo::keys
