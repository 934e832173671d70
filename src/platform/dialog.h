// The open and save file dialogs: a modal native dialog shown by zenity.
//
// The program was designed around the common file dialogs, which run a modal
// loop inside the call: the caller gets a path back, the main window stays
// painted, and the user cannot click or type into it meanwhile. Here the
// dialog is a separate process (zenity, started without a shell, attached to
// our window as its parent), and ShowFileDialog is that modal loop:
//  - while the dialog is open, the main window keeps being pumped (the window
//    front end re-shows its last frame whenever it is uncovered);
//  - keyboard and mouse messages that arrive meanwhile are dropped, as the
//    disabled owner of a modal dialog never sees them; every other message
//    (WM_CLOSE, socket notifications, WM_QUIT, one frame tick for all the
//    ticks that came) is queued again, in order, for after the dialog;
//  - paths are the file system's bytes (UTF-8), passed and returned as they
//    are, never converted as CP932;
//  - without zenity or without a display the call returns at once with
//    kUnavailable and says why on stderr; it never waits for a dialog that
//    cannot appear.
//
// Tests put a scripted dialog in zenity's place: SetFileDialogHandler for
// headless tests, or the environment variable PELU_DIALOG_COMMAND naming a
// program that is run instead of zenity with the same arguments (it prints
// the chosen path and exits 0, or exits 1 for a cancel).
//
// Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

enum class FileDialogMode {
  kOpen,  // only an existing file can be chosen
  kSave,  // a new name may be typed; choosing an existing file asks first
};

struct FileDialogOptions {
  FileDialogMode mode = FileDialogMode::kOpen;
  std::string filterName;             // shown for the filter: "Behavior Block(*.bhb)"
  std::vector<std::string> patterns;  // the filter's patterns: "*.bhb", "*.BHB"
  // Without its dot ("bhb"). A save whose chosen name does not end in it gets
  // it added; the dialog comes back when the name with it names an existing
  // file, so that the dialog's own overwrite question covers the file that
  // will really be written.
  std::string defaultExtension;
  // The folder the dialog starts in; ignored when it is not a folder.
  std::string startFolder;
  // A file name the dialog starts with (save only); it wins over startFolder.
  std::string fileName;
};

enum class FileDialogStatus {
  kChosen,       // path holds the chosen file
  kCancelled,    // the user closed the dialog without choosing
  kUnavailable,  // no dialog could be shown; error says why
};

struct FileDialogResult {
  FileDialogStatus status = FileDialogStatus::kCancelled;
  std::string path;
  std::string error;  // English, for stderr
};

// Shows the dialog and waits for the user, pumping the main window meanwhile
// as described above. An empty answer counts as a cancel.
FileDialogResult ShowFileDialog(const FileDialogOptions& options);

// Replaces the dialog: while a handler is set it answers every ShowFileDialog
// (once per round of the default-extension rule) and no program is started.
// Messages that the handler posts are treated as if they had arrived while a
// real dialog was open. Pass nullptr to go back to zenity.
using FileDialogHandler = std::function<FileDialogResult(const FileDialogOptions&)>;
void SetFileDialogHandler(FileDialogHandler handler);

// The program that shows the dialogs: $PELU_DIALOG_COMMAND when it is set and
// not empty, else "zenity" (looked up in PATH).
std::string DialogProgram();

// The argument vector the dialog program is started with, argv[0] included.
// attachTo is the X11 window to attach the dialog to, 0 for none.
std::vector<std::string> DialogArguments(const FileDialogOptions& options,
                                         const std::string& program, std::uint64_t attachTo);

// True for the keyboard and mouse messages that a modal dialog keeps from the
// main window.
bool IsUserInputMessage(unsigned message);

}  // namespace platform
