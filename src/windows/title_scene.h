// The title screen: the product picture on black. Enter or a click opens the
// editor, S the settings screen, Escape ends the application.
#pragma once

#include "foundation/scene.h"

class CTitleScene final : public CScene {
 public:
  int Enter(int argument) override;
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  void Update() override;
};
