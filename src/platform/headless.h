// The headless front end's controls: a clock the caller advances, input the
// caller sets, messages the caller feeds, and the frames that were presented.
//
// Tests (and command-line tools that need no window) call
// platform::StartHeadless(width, height) and then drive everything from here;
// nothing ever sleeps or waits on a real clock, except after FollowRealClock
// (below), which only command-line tools use.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace platform::headless {

// The clock. It starts at a non-zero time, as a real millisecond clock does.
void SetTime(DWORD milliseconds);
// Moves the clock forward; while the periodic timer runs, one WM_APP_TICK is
// posted for every period that ends within the step.
void AdvanceTime(DWORD milliseconds);
bool TimerRunning();

// Input state, as the window would keep it.
void SetCursor(int x, int y);
void SetKeyDown(int vk, bool down);

// Input as the window delivers it: the state is updated and the message
// posted (not yet dispatched).
void MouseMove(int x, int y);
void LeftDown(int x, int y);
void LeftUp(int x, int y);
void RightDown(int x, int y);
void RightUp(int x, int y);
void KeyDown(int vk);  // WM_KEYDOWN; the key's state is down until KeyUp
void KeyUp(int vk);
void Activate(bool active);  // WM_ACTIVATEAPP as it is, whatever the window's state
// What the desktop reports of the window (shown, minimised, focus), turned
// into WM_ACTIVATEAPP as the window's are; SetFullScreen says whether the
// virtual window is a full-screen one (it starts as a window).
void ChangeWindow(WindowChange change);
void SetFullScreen(bool fullScreen);
void Close();  // WM_CLOSE, as the window's close button

// Dispatches queued messages through the window procedure until the queue is
// empty (messages posted meanwhile included) or WM_QUIT is met. Returns the
// number dispatched.
int PumpMessages();

// Sockets.
// PumpMessages and PeekMessage poll the sockets without waiting, so what the
// network delivered by then is in the queue. Tests of real loopback traffic
// wait for it here: this polls until at least one socket notification was
// posted or timeoutMs of real time have passed (nothing can come when no
// socket waits for anything). Returns true when one was posted. It does not
// dispatch. A connect timeout still follows the headless clock.
inline constexpr std::uint32_t kSocketWaitMs = 2000;
bool WaitForSocketNotification(std::uint32_t timeoutMs = kSocketWaitMs);

// ---- Real time, for command-line tools ---------------------------------------
// A command without a window (pelublock send) still needs the editor's
// pacing: frames on a 100 ms tick and socket notifications as the network
// delivers them. FollowRealClock switches the front end to that for the rest
// of its run: the clock follows the machine's monotonic clock from its
// current value on, the periodic timer posts WM_APP_TICK as real time passes
// (a tick that came late is not made up for), and GetMessage and WaitMessage
// wait for the next tick or socket notification instead of giving up. They
// still give up, as WM_QUIT would, once nothing can ever arrive: no timer
// running and no socket waiting for anything. AdvanceTime and SetTime must
// not be used in this mode; Sleep really sleeps. Tests never switch to it.
void FollowRealClock();

// True once WM_QUIT was met by PumpMessages.
bool QuitReceived();

// The frames given to Present.
int PresentCount();
// A copy of the last presented frame (its pixels stay valid until the next
// Present); an empty view before the first.
SurfaceView LastPresented();

}  // namespace platform::headless
