// frontend.cpp - holds the process's one front end.
#include "core/frontend.h"

#include <cstdio>
#include <cstdlib>

#include "core/trace.h"

namespace winhost {
namespace {
std::unique_ptr<Frontend>& Slot() {
  static std::unique_ptr<Frontend> frontend;
  return frontend;
}
}  // namespace

Frontend& CurrentFrontend() {
  auto& slot = Slot();
  if (!slot) slot = MakeFrontendFromEnvironment();
  if (!slot) {
    Trace("exit 3");
    std::exit(3);
  }
  return *slot;
}

void SetFrontend(std::unique_ptr<Frontend> frontend) { Slot() = std::move(frontend); }

std::string ActionText(const UserAction& action) {
  static const char* const keys[] = {"tab", "shift+tab", "enter", "space", "esc"};
  static const struct {
    UINT command;
    const char* name;
  } commands[] = {{SC_RESTORE, "restore"}, {SC_MOVE, "move"},         {SC_SIZE, "size"},
                  {SC_MINIMIZE, "minimize"}, {SC_MAXIMIZE, "maximize"}, {SC_CLOSE, "close"}};
  switch (action.kind) {
    case UserAction::Kind::Click:
      return "click " + std::to_string(action.control);
    case UserAction::Kind::Key:
      return std::string("key ") + keys[static_cast<int>(action.key)];
    case UserAction::Kind::AltLetter:
      return std::string("alt ") + action.letter;
    case UserAction::Kind::SystemMenu:
      for (const auto& c : commands)
        if (c.command == action.command) return std::string("menu ") + c.name;
      return "menu " + std::to_string(action.command);
  }
  return "?";
}

void StopForUser(const std::string& why) {
  std::fprintf(stderr, "winhost: %s\n", why.c_str());
  Trace("stopped: " + TraceEscape(why));
  Trace("exit 3");
  if (Slot()) Slot()->Shutdown();
  std::exit(3);
}

int ShutdownFrontend(int exitCode) {
  auto& slot = Slot();
  if (!slot) return exitCode;
  std::string left = slot->Unfinished();
  slot->Shutdown();
  if (left.empty()) return exitCode;
  std::fprintf(stderr, "winhost: %s\n", left.c_str());
  Trace("stopped: " + TraceEscape(left));
  return 3;
}

}  // namespace winhost
