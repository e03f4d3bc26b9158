// picker.cpp - SHBrowseForFolderA and SHGetPathFromIDListA: the front end answers, the shell
// checks the answer against the namespace and reports it the way the Windows picker does.
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/frontend.h"
#include "core/trace.h"
#include "shell/namespace.h"

namespace {

void CopyText(LPSTR buffer, const std::string& text) {
  size_t length = std::min(text.size(), size_t{MAX_PATH - 1});
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

}  // namespace

PIDLIST_ABSOLUTE WINAPI SHBrowseForFolderA(LPBROWSEINFOA info) {
  if (!info) return nullptr;
  winhost::FolderPickerRequest request{info->hwndOwner, info->lpszTitle ? info->lpszTitle : ""};
  std::string traced = "picker \"" + winhost::TraceEscape(request.title) + "\"";
  winhost::Trace(traced + " opened");

  using Kind = winhost::FolderPickerAnswer::Kind;
  winhost::FolderPickerAnswer answer = winhost::CurrentFrontend().AnswerFolderPicker(request);
  const ITEMIDLIST* item = nullptr;
  std::string outcome = "cancel";
  // The Windows picker cannot return what does not exist, or a non-folder when the caller
  // asked for folders only: such an answer is taken as a cancel, never passed on.
  if (answer.kind == Kind::MyComputer) {
    if (info->ulFlags & BIF_RETURNONLYFSDIRS) {
      outcome = "cancel (My Computer is not a folder)";
    } else {
      item = winhost::ShellMyComputer();
      outcome = "My Computer";
    }
  } else if (answer.kind == Kind::Folder) {
    item = winhost::ShellFolderFromPath(answer.path);
    outcome = item ? winhost::ShellPath(item) : "cancel (no such folder: " + answer.path + ")";
  }
  winhost::Trace(traced + " -> " + outcome);
  if (item && info->pszDisplayName) CopyText(info->pszDisplayName, winhost::ShellDisplayName(item));
  info->iImage = 0;
  return const_cast<PIDLIST_ABSOLUTE>(item);
}

BOOL WINAPI SHGetPathFromIDListA(PCIDLIST_ABSOLUTE item, LPSTR path) {
  if (!path) return FALSE;
  std::string text = winhost::ShellPath(item);
  if (text.empty() || text.size() >= MAX_PATH) {
    path[0] = '\0';
    return FALSE;
  }
  CopyText(path, text);
  return TRUE;
}
