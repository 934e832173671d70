// The command windows' common part: a window over the frozen picture of the
// editor, with a message log of its own, that closes itself when its command
// is done. The confirmation and the transfer window are the two kinds; open,
// save and save as are the editor's own operations and need no window.
#pragma once

#include <string>

#include "editor/message_log.h"
#include "foundation/scene.h"

class CDisplay;
class CEditorHost;
class CObjectRegistry;

class CCommandWindow : public CScene {
 public:
  explicit CCommandWindow(CEditorHost& host);

  // Empties the window's log, shows the frozen editor picture and starts the
  // window's command. Returns 1.
  int Enter(int argument) final;

  // Adds a line to the window's own log (drawn as it is, never as a format).
  void AddMessage(const std::string& text) { m_log.Add(text); }
  // Lets go of what the window holds, removes its objects and leaves the
  // editor. The window is destroyed once the call that reached it has
  // returned; nothing of it is touched after.
  void Close();

 protected:
  // The command itself, run by Enter over the editor's picture.
  virtual void Start() = 0;
  // What Close releases before the editor's picture is put back.
  virtual void Release() = 0;

  CEditorHost& Host() { return m_host; }
  CMessageLog& Log() { return m_log; }

 private:
  CEditorHost& m_host;

 protected:
  // What the window draws on: the editor's own display and registry.
  CDisplay& m_display;
  CObjectRegistry& m_registry;

 private:
  CMessageLog m_log;
};
