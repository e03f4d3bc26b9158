// namespace.h - the shell namespace that the folder picker browses: Desktop, My Computer,
// the mapped drives and their folders. Items are interned and live until the process ends,
// so an item list handed to the program never needs freeing.
#ifndef PLATFORM_SHELL_NAMESPACE_H
#define PLATFORM_SHELL_NAMESPACE_H

#include <shlobj.h>

#include <string>
#include <string_view>
#include <vector>

namespace winhost {

// The root ("Desktop") and its one child, "My Computer".
const ITEMIDLIST* ShellDesktop();
const ITEMIDLIST* ShellMyComputer();

// The item's children as the tree browser lists them: My Computer under the Desktop, the
// mapped drives under My Computer, the host subfolders of a drive or folder (on-disk case,
// sorted case-insensitively). Read afresh on every call.
std::vector<const ITEMIDLIST*> ShellChildren(const ITEMIDLIST* item);
// "Desktop", "My Computer", "(C:)" for a drive, the folder's own name otherwise.
std::string ShellDisplayName(const ITEMIDLIST* item);
// True for drives and folders, false for the Desktop and My Computer.
bool ShellIsFileSystemFolder(const ITEMIDLIST* item);
// The Windows path of a file-system item ("C:\", "C:\Tools"); empty for the others.
std::string ShellPath(const ITEMIDLIST* item);
// The item of an existing folder named by a Windows path in any case, with '\' or '/' and
// an optional closing separator ("c:/tools/" gives C:\Tools); nullptr when there is none.
const ITEMIDLIST* ShellFolderFromPath(std::string_view windowsPath);

}  // namespace winhost

#endif
