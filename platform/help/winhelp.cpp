// winhelp.cpp - WinHelpA: opens a help file on its contents topic in the front end's viewer.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/frontend.h"
#include "core/trace.h"
#include "help/hlpfile.h"
#include "kernel/drive.h"

namespace {

// Larger than any help file the topic addressing can reach: refused before it is read.
constexpr std::uintmax_t MaxHelpFileSize = 64u << 20;

std::optional<std::vector<std::uint8_t>> ReadHostFile(const std::filesystem::path& path, std::string* error) {
  std::error_code code;
  if (!std::filesystem::is_regular_file(path, code)) {
    *error = "no such file";
    return std::nullopt;
  }
  std::uintmax_t size = std::filesystem::file_size(path, code);
  if (code || size > MaxHelpFileSize) {
    *error = code ? "cannot read the file size" : "file of " + std::to_string(size) + " bytes is too large";
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open the file";
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    *error = "read error";
    return std::nullopt;
  }
  return bytes;
}

BOOL OpenContents(LPCSTR file) {
  std::string traced = std::string("winhelp HELP_CONTENTS ") + (file ? file : "(null)");
  std::string error = "no file name";
  std::optional<winhost::HelpDocument> document;
  if (file) {
    if (std::optional<std::filesystem::path> host = winhost::HostPath(file); !host) {
      error = "no such file";
    } else if (auto bytes = ReadHostFile(*host, &error)) {
      document = winhost::ReadHelpFile(*bytes, &error);
    }
  }
  if (!document) {
    winhost::Trace(traced + " failed: " + error);
    winhost::CurrentFrontend().ShowHelpError(file ? file : "", "Error while reading the help file");
    return FALSE;
  }
  document->file = file;
  winhost::Trace(traced + " \"" + winhost::TraceEscape(document->title) + "\"");
  winhost::CurrentFrontend().ShowHelp(*document);
  return TRUE;
}

}  // namespace

BOOL WINAPI WinHelpA(HWND, LPCSTR file, UINT command, ULONG_PTR) {
  if (command == HELP_CONTENTS) return OpenContents(file);
  if (command == HELP_QUIT) return TRUE;  // no help window outlives a call here to be closed
  winhost::Trace("winhelp command " + std::to_string(command) + " not supported");
  return FALSE;
}
