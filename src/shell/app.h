// The application shell: start-up, the main window's message loop and its
// window procedure, and shut-down.
#pragma once

#include <string>

#include "platform/win_types.h"
#include "shell/scene_manager.h"

// The main window's title, as the title screen shows it, and the title of a
// program that has no file yet.
inline constexpr char kAppTitle[] = "PELU BLOCK";
inline constexpr char kNewFileTitle[] = "PELU BLOCK - [newfile]";

// Starts the editor application: settings, window, AppInit, message loop.
// programPath, when not empty, is a .bhb file for the editor to open when it
// is first entered (see TakeStartupProgramPath). Returns the process exit
// status: 0 after a normal end, 1 when no window or display could be made.
int RunEditor(const std::string& programPath);

// What RunEditor does once the main window exists, on whichever front end
// runs: the window procedure, the title, the active flag, AppInit and the
// message loop; AppTerm at the end if WM_DESTROY has not run it. Returns the
// quit code, or 1 when AppInit fails. Tests run it headless.
int RunApplication();

// The message loop of the pacing mode Settings.LoopMode: 0 blocks for
// messages and draws on WM_APP_TICK; any other value runs a frame whenever
// no message waits and then sleeps Settings.SleepTime ms, and blocks while
// the application is inactive. Ends on WM_QUIT (headless: also when the
// queue runs dry while it would block) and returns the quit code.
int RunMessageLoop();

// Starts the frame timer (LoopMode 0), creates and initialises the display,
// creates the object registry and starts the scene manager on the title
// scene; in LoopMode 0 it also posts one WM_APP_TICK at once, so that the
// first frame does not wait a timer period. Returns 1, or 0 when the display
// cannot be initialised.
int AppInit();
// Destroys the scene, stops the frame timer, destroys the registry and the
// display. Safe to call when AppInit did not finish, and more than once.
void AppTerm();

// The main window's procedure: routes messages to the current scene.
LRESULT WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The .bhb file named on the command line. The editor scene takes it when it
// is entered: the first call returns the path (empty when none was named)
// and every later call returns an empty string, so that returning to the
// editor from the title screen does not open the file again.
std::string TakeStartupProgramPath();
// Sets the path that TakeStartupProgramPath hands out (RunEditor does this).
void SetStartupProgramPath(const std::string& path);

// The factory that the next AppInit gives the scene manager; the
// application's own (CreateApplicationScene) unless a test put another in
// place. Passing an empty factory restores the application's own.
void SetAppSceneFactory(SceneFactory factory);
