// progress.h - the common controls' progress bar class, msctls_progress32.
#ifndef PLATFORM_COMCTL_PROGRESS_H
#define PLATFORM_COMCTL_PROGRESS_H

#include <windows.h>

#include "user/window.h"

namespace winhost {

// Tests: make the class unregistered (false) or registered again. Without a call, the class is
// registered unless the environment sets WINHOST_NO_PROGRESS=1.
void SetProgressClassAvailable(bool available);
bool ProgressClassAvailable();

// The class's own messages (PBM_*); *handled is false for any other message.
LRESULT ProgressMessage(Window& window, UINT message, WPARAM wParam, LPARAM lParam, bool* handled);

// The trace's words for a bar: "3/8", or "3/2..8" when the range does not start at 0.
std::string ProgressText(const ProgressState& progress);

}  // namespace winhost

#endif
