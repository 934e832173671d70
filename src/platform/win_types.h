// Win32-compatible message numbers, virtual-key codes and handle types.
//
// The editor was designed as a Windows program, and its scenes are written
// against window messages and virtual keys. Keeping those numbers (and the
// way lParam packs a client point) lets the scene code read like the design
// while no scene ever sees an SDL type: the platform layer translates its
// events into these values in one place.
#pragma once

#include <cstdint>

using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using DWORD = std::uint32_t;
using COLORREF = std::uint32_t;  // 0x00BBGGRR

// The one main window. Scenes only pass it on; its value means nothing to them.
struct HWND__;
using HWND = HWND__*;

struct POINT {
  int x = 0;
  int y = 0;
  friend bool operator==(const POINT&, const POINT&) = default;
};

// Left, top, right, bottom; right and bottom are exclusive.
struct RECT {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const RECT&, const RECT&) = default;
};

// Window messages.
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
// The session ends: wParam 1, lParam the platform::EndReason.
inline constexpr UINT WM_ENDSESSION = 0x0016;
inline constexpr UINT WM_ACTIVATEAPP = 0x001C;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
// Keys pressed with Alt held, and F10, arrive as system keys, as on Windows;
// no scene handles them, so Alt+key never reaches a scene as a plain key.
inline constexpr UINT WM_SYSKEYDOWN = 0x0104;
inline constexpr UINT WM_SYSKEYUP = 0x0105;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_USER = 0x0400;

// wParam of the mouse messages: the buttons and modifiers held at the time.
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_SHIFT = 0x0004;
inline constexpr WPARAM MK_CONTROL = 0x0008;

// The program's private messages.
inline constexpr UINT WM_APP_TICK = WM_USER + 1;         // frame tick, wParam 0
inline constexpr UINT WM_APP_CHANGESCENE = WM_USER + 2;  // wParam = scene id 1, 2 or 3
inline constexpr UINT WM_APP_SOCKET = WM_USER + 3;  // wParam = socket, lParam = event | error << 16

// Virtual-key codes (wParam of WM_KEYDOWN; arguments of IsKeyDown).
inline constexpr int VK_LBUTTON = 0x01;
inline constexpr int VK_RBUTTON = 0x02;
inline constexpr int VK_BACK = 0x08;
inline constexpr int VK_TAB = 0x09;
inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_SHIFT = 0x10;
inline constexpr int VK_CONTROL = 0x11;
inline constexpr int VK_MENU = 0x12;  // Alt
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_SPACE = 0x20;
inline constexpr int VK_PRIOR = 0x21;
inline constexpr int VK_NEXT = 0x22;
inline constexpr int VK_END = 0x23;
inline constexpr int VK_HOME = 0x24;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;
inline constexpr int VK_INSERT = 0x2D;
inline constexpr int VK_DELETE = 0x2E;
// '0'..'9' are 0x30..0x39 and 'A'..'Z' are 0x41..0x5A, as their ASCII codes.
inline constexpr int VK_NUMPAD0 = 0x60;  // ..VK_NUMPAD9 = 0x69
inline constexpr int VK_F1 = 0x70;       // ..VK_F12 = 0x7B
inline constexpr int VK_F2 = 0x71;
inline constexpr int VK_F3 = 0x72;
inline constexpr int VK_F4 = 0x73;
inline constexpr int VK_F5 = 0x74;
inline constexpr int VK_F6 = 0x75;
inline constexpr int VK_F7 = 0x76;
inline constexpr int VK_F8 = 0x77;
inline constexpr int VK_F9 = 0x78;
inline constexpr int VK_F10 = 0x79;
inline constexpr int VK_F11 = 0x7A;
inline constexpr int VK_F12 = 0x7B;
// The two keys behind each modifier; VK_SHIFT, VK_CONTROL and VK_MENU are
// down while either of their pair is.
inline constexpr int VK_LSHIFT = 0xA0;
inline constexpr int VK_RSHIFT = 0xA1;
inline constexpr int VK_LCONTROL = 0xA2;
inline constexpr int VK_RCONTROL = 0xA3;
inline constexpr int VK_LMENU = 0xA4;
inline constexpr int VK_RMENU = 0xA5;

// lParam packing of a client point, as Windows does it: x in the low 16 bits,
// y in the high 16 bits, each a signed 16-bit value.
inline constexpr LPARAM MakeLParam(int x, int y) {
  return static_cast<LPARAM>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(x)) |
                             (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16));
}
inline constexpr int GetXLParam(LPARAM lParam) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(lParam & 0xFFFF));
}
inline constexpr int GetYLParam(LPARAM lParam) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>((lParam >> 16) & 0xFFFF));
}
inline constexpr unsigned LoWord(std::uintptr_t v) {
  return static_cast<unsigned>(v & 0xFFFF);
}
inline constexpr unsigned HiWord(std::uintptr_t v) {
  return static_cast<unsigned>((v >> 16) & 0xFFFF);
}
