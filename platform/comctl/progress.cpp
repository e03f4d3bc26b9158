// progress.cpp - the progress bar: a position kept within its range, repainted at each change.
#include "comctl/progress.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "core/trace.h"

namespace winhost {
namespace {

std::optional<bool>& AvailableSetting() {
  static std::optional<bool> available;
  return available;
}

int Clamp(const ProgressState& p, int pos) {
  return std::clamp(pos, std::min(p.min, p.max), std::max(p.min, p.max));
}

// Past the maximum the bar starts over from the minimum, as the control does for PBM_STEPIT.
int Wrap(const ProgressState& p, int pos) {
  int span = p.max - p.min;
  if (span <= 0) return p.min;
  if (pos > p.max) return p.min + (pos - p.min) % span;
  if (pos < p.min) return p.max - (p.min - pos) % span;
  return pos;
}

}  // namespace

void SetProgressClassAvailable(bool available) { AvailableSetting() = available; }

bool ProgressClassAvailable() {
  if (!AvailableSetting()) {
    const char* off = std::getenv("WINHOST_NO_PROGRESS");
    AvailableSetting() = !(off && std::strcmp(off, "1") == 0);
  }
  return *AvailableSetting();
}

std::string ProgressText(const ProgressState& p) {
  std::string text = std::to_string(p.pos) + "/";
  if (p.min != 0) text += std::to_string(p.min) + "..";
  return text + std::to_string(p.max);
}

LRESULT ProgressMessage(Window& window, UINT message, WPARAM wParam, LPARAM lParam, bool* handled) {
  ControlView& control = *ControlOf(&window);
  ProgressState& p = control.progress;
  const ProgressState before = p;
  LRESULT result = 0;
  *handled = true;
  switch (message) {
    case PBM_SETRANGE:
      result = MAKELONG(p.min, p.max);
      p.min = LOWORD(lParam);
      p.max = HIWORD(lParam);
      p.pos = Clamp(p, p.pos);
      break;
    case PBM_SETPOS:
      result = p.pos;
      p.pos = Clamp(p, static_cast<int>(wParam));
      break;
    case PBM_DELTAPOS:
      result = p.pos;
      p.pos = Clamp(p, p.pos + static_cast<int>(wParam));
      break;
    case PBM_SETSTEP:
      result = p.step;
      p.step = static_cast<int>(wParam);
      break;
    case PBM_STEPIT:
      result = p.pos;
      p.pos = Wrap(p, p.pos + p.step);
      break;
    case PBM_GETPOS:
      return p.pos;
    default:
      *handled = false;
      return 0;
  }
  if (p.pos != before.pos || p.min != before.min || p.max != before.max) {
    Trace("progress " + ProgressText(p));
    RepaintNow(*window.dialog);
  }
  return result;
}

}  // namespace winhost
