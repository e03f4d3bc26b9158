// call_log.h - tests: a record of the window calls a program makes, in the order it makes them.
// Each entry reads "CALL WHO ARGS": "ShowWindow 1032 SW_HIDE", "SetWindowTextA 1031 \"&Next\"",
// "EnableWindow 1031 FALSE", "SetWindowLongA dialog GWL_STYLE 0x90C808D1", "UpdateWindow dialog",
// "EndDialog dialog 1", "DeleteMenu dialog SC_SIZE TRUE" (WHO is the control id, "dialog" or "invalid").
#ifndef PLATFORM_USER_CALL_LOG_H
#define PLATFORM_USER_CALL_LOG_H

#include <windows.h>

#include <string>
#include <vector>

namespace winhost {

// Appends to LOG from now on; null stops recording.
void RecordUserCalls(std::vector<std::string>* log);
void LogCall(const char* call, HWND window, const std::string& arguments);

}  // namespace winhost

#endif
