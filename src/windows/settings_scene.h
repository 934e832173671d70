// The settings screen: switches the FullScreen setting on and off (it takes
// effect at the next start) and leads back to the title screen.
#pragma once

#include <optional>

#include "foundation/scene.h"

class CSettingsScene final : public CScene {
 public:
  int Enter(int argument) override;
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  void Update() override;

 private:
  void DrawGround();
  void Click(POINT point);

  // Where the left button went down, until it comes up again.
  std::optional<POINT> m_pressed;
};
