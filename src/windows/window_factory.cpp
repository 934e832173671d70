// The overlay windows of the editor.
#include "windows/window_factory.h"

#include <utility>

#include "windows/confirmation_window.h"
#include "windows/menu_window.h"
#include "windows/palette_window.h"
#include "windows/property_window.h"
#include "windows/transfer_window.h"

std::unique_ptr<CScene> CWindowFactory::MakePalette(CEditorHost& host, Cell cell, int x, int y) {
  return std::make_unique<CPaletteWindow>(host, cell.x, cell.y, x, y);
}

std::unique_ptr<CScene> CWindowFactory::MakePropertyWindow(CEditorHost& host, int x, int y) {
  return std::make_unique<CPropertyWindow>(host, x, y);
}

std::unique_ptr<CScene> CWindowFactory::MakeMenu(CEditorHost& host, int x, int y,
                                                 std::function<void(MenuCommand)> onCommand) {
  return std::make_unique<CMenuWindow>(host, x, y, std::move(onCommand));
}

std::unique_ptr<CScene> CWindowFactory::MakeConfirmation(
    CEditorHost& host, std::function<void(ConfirmAnswer)> onAnswer) {
  return std::make_unique<CConfirmationWindow>(host, std::move(onAnswer));
}

std::unique_ptr<CScene> CWindowFactory::MakeTransferWindow(CEditorHost& host) {
  return std::make_unique<CTransferWindow>(host);
}

std::unique_ptr<CScene> CWindowFactory::MakeQuestion(CEditorHost& host, const char* question,
                                                     std::function<void(ConfirmAnswer)> onAnswer) {
  return std::make_unique<CConfirmationWindow>(host, std::move(onAnswer), question);
}
