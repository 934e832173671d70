// The application shell: start-up, the main window's message loop and its
// window procedure, and shut-down.
#pragma once

#include <string>

#include "platform/win_types.h"

// Starts the editor application: settings, window, AppInit, message loop.
// programPath, when not empty, is a .bhb file to open in the editor at once.
// Returns the process exit status.
int RunEditor(const std::string& programPath);

// Creates the display and the object registry and starts the scene manager
// on the title scene. Returns 1, or 0 when the display cannot be made.
int AppInit();
// Destroys the scene, stops the frame timer, destroys registry and display.
void AppTerm();

// The main window's procedure: routes messages to the current scene.
LRESULT WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
