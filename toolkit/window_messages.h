// Window messages and keys that portable window code names: the system's own numbers, so
// that the same code reads real messages on Windows and the headless platform's alike.
#pragma once

namespace SkinUI {

inline constexpr unsigned kMessageClose = 0x0010;    // a close request; wParam carries its value
inline constexpr unsigned kMessageKeyDown = 0x0100;  // wParam: the virtual key
inline constexpr unsigned kMessageUser = 0x0400;     // the first message a program may define
inline constexpr unsigned kKeyEscape = 0x1B;

}  // namespace SkinUI
