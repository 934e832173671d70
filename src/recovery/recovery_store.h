// Unsaved work kept through a crash: one recovery file per program in the
// data directory's recovery/ folder, written through the file layer's safe
// replace, offered back at the next start.
//
// What the editor does with it (the store never acts on its own):
//  - every frame: DecideAutosave (autosave.h) with TimeGetTime(), the
//    document's revision count and the revision last saved; on kWrite,
//    Write(path, program) and AfterWrite; on kRemove, Remove(path) and
//    AfterRemove;
//  - on WM_ENDSESSION (SIGTERM, SIGHUP, the window destroyed from outside)
//    and in the display-lost handler (platform::SetDisplayLostHandler):
//    DecideAutosave with AutosaveUrgency::kNow and the write it asks for,
//    before the program ends;
//  - after a successful save, after "いいえ" to the save question, and on a
//    clean exit: Remove(path) for the program's path as it was before the save
//    (a "save as" leaves the old name's file behind otherwise), then
//    AfterRemove;
//  - at start, once the editor can show a question: FindOffers(), and for
//    each offer the question (text::kAskRestore). "はい": Restore(offer), then
//    parse offer.bytes (ParseBlockProgram) as the program at
//    offer.programPath (empty: untitled), shown as modified, its saved
//    revision unlike its revision. "いいえ": Decline(offer).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CBlockProgram;

namespace recovery {

// The folder of the data directory that holds the recovery files.
inline constexpr const char* kRecoveryFolder = "recovery";

// A recovery file found at start, newer than its program.
struct RecoveryOffer {
  std::string file;         // the recovery file
  std::string programPath;  // the program's path; empty for an untitled one
  int declined = 0;         // how often the user said no to it before
  std::string bytes;        // the program's .bhb bytes, as a save writes them
};

class CRecoveryStore {
 public:
  // dataDirectory is where setting.ini lives ("." for the current one).
  explicit CRecoveryStore(std::string dataDirectory);

  // The recovery file of a program: for a path, named after the path (one
  // file per program, whoever writes it); for an untitled program (empty
  // path), one name for this store's lifetime, so that two editors running
  // at once never share one.
  std::string FileFor(const std::string& programPath) const;

  // Writes the program's bytes (as a save would write them) to its recovery
  // file; false when the folder or the file could not be written, in which
  // case an older recovery file is left whole.
  bool Write(const std::string& programPath, const CBlockProgram& program);
  bool WriteBytes(const std::string& programPath, std::string_view bhb);

  // Removes the program's recovery file; true when none is left.
  bool Remove(const std::string& programPath);

  // The recovery files to offer, oldest name first: those of untitled
  // programs, of programs that are gone, and of programs older than their
  // recovery file. A recovery file older than its program (the program was
  // saved since) is removed; a file that is not a recovery file is left
  // alone and not offered.
  std::vector<RecoveryOffer> FindOffers();

  // The user took the offer: from now on the program's recovery file is the
  // offer's (an untitled program keeps its old name).
  void Restore(const RecoveryOffer& offer);

  // The user said no. The first time the file is kept for the next start;
  // the second time it is removed. True when it was removed.
  bool Decline(const RecoveryOffer& offer);

 private:
  std::string Folder() const;
  std::string m_dataDirectory;
  std::string m_untitledName;
};

// The text of a recovery file and its reading, for the store and its tests.
// Every length in it is checked against what is there before it is used.
std::string FormatRecoveryFile(const std::string& programPath, int declined, std::string_view bhb);
bool ParseRecoveryFile(std::string_view text, RecoveryOffer* offer);

}  // namespace recovery
