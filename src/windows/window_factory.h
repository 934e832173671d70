// The overlay windows that the editor opens, made for it by the shell's
// choice: the palette, the property window, the menu, the confirmation and
// the transfer window.
#pragma once

#include "editor/editor_host.h"

class CWindowFactory final : public COverlayFactory {
 public:
  std::unique_ptr<CScene> MakePalette(CEditorHost& host, Cell cell, int x, int y) override;
  std::unique_ptr<CScene> MakePropertyWindow(CEditorHost& host, int x, int y) override;
  std::unique_ptr<CScene> MakeMenu(CEditorHost& host, int x, int y,
                                   std::function<void(MenuCommand)> onCommand) override;
  std::unique_ptr<CScene> MakeConfirmation(CEditorHost& host,
                                           std::function<void(ConfirmAnswer)> onAnswer) override;
  std::unique_ptr<CScene> MakeTransferWindow(CEditorHost& host) override;
  std::unique_ptr<CScene> MakeQuestion(CEditorHost& host, const char* question,
                                       std::function<void(ConfirmAnswer)> onAnswer) override;
};
