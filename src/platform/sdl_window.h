// The window front end's internals that its own tests reach: the key
// translation table and the SDL objects behind the main window. Only
// src/platform and tests/platform include this file; the rest of the program
// uses platform.h and never sees an SDL type.
#pragma once

#include <SDL.h>

namespace platform::sdl {

// The virtual-key code of an SDL key, or 0 for a key the program has no use
// for (such keys are not delivered). Both Shift keys give VK_SHIFT, both
// Ctrl keys VK_CONTROL, both Alt keys VK_MENU, the keypad's Enter VK_RETURN.
int VirtualKeyOf(SDL_Keycode key);

// The left- or right-hand virtual key of a modifier key (VK_LSHIFT ...
// VK_RMENU), or 0 for any other key.
int SideKeyOf(SDL_Keycode key);

// The SDL window and renderer while the window front end runs; null
// otherwise, and after the window was destroyed.
SDL_Window* Window();
SDL_Renderer* Renderer();

}  // namespace platform::sdl
