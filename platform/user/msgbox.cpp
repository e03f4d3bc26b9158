// msgbox.cpp - MessageBoxA: the box is traced when it appears, and the front end answers it.
#include <windows.h>

#include <cstdio>

#include "core/frontend.h"
#include "core/trace.h"
#include "user/call_log.h"
#include "user/window.h"

namespace winhost {
namespace {

const char* const ButtonSets[] = {"MB_OK",         "MB_OKCANCEL", "MB_ABORTRETRYIGNORE",
                                  "MB_YESNOCANCEL", "MB_YESNO",    "MB_RETRYCANCEL"};
const struct {
  UINT flag;
  const char* name;
} Icons[] = {{MB_ICONERROR, "MB_ICONERROR"},
             {MB_ICONQUESTION, "MB_ICONQUESTION"},
             {MB_ICONWARNING, "MB_ICONWARNING"},
             {MB_ICONINFORMATION, "MB_ICONINFORMATION"}};
const char* const AnswerNames[] = {"", "ok", "cancel", "abort", "retry", "ignore", "yes", "no"};

}  // namespace

// The flags in the platform's names: "MB_YESNO|MB_ICONQUESTION"; unknown bits in hex.
std::string MessageBoxFlagsText(UINT type) {
  UINT buttons = type & MB_TYPEMASK;
  std::string text = buttons < std::size(ButtonSets) ? ButtonSets[buttons] : "buttons " + std::to_string(buttons);
  UINT rest = type & ~MB_TYPEMASK;
  for (const auto& icon : Icons)
    if ((rest & MB_ICONMASK) == icon.flag) {
      text += std::string("|") + icon.name;
      rest &= ~MB_ICONMASK;
    }
  if (rest) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "|0x%X", rest);
    text += hex;
  }
  return text;
}

std::string MessageBoxAnswerText(int answer) {
  return answer > 0 && answer < int(std::size(AnswerNames)) ? AnswerNames[answer] : std::to_string(answer);
}

}  // namespace winhost

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  winhost::MessageBoxRequest request{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType};
  winhost::Window* owner = winhost::FromHandle(hWnd);
  std::string ownerText = !hWnd ? "no owner" : !owner ? "owner invalid" : owner->control < 0 ? "owner dialog" : "owner control";
  winhost::LogCall("MessageBoxA", hWnd, "\"" + winhost::TraceEscape(request.caption) + "\"");
  winhost::Trace("msgbox \"" + winhost::TraceEscape(request.caption) + "\" \"" + winhost::TraceEscape(request.text) +
                 "\" " + winhost::MessageBoxFlagsText(uType) + " " + ownerText);
  int answer = winhost::CurrentFrontend().AnswerMessageBox(request);
  winhost::Trace("msgbox -> " + winhost::MessageBoxAnswerText(answer));
  return answer;
}
