// environment.cpp - the front end that WINHOST_UI names.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/frontend.h"
#include "core/script.h"
#include "term/terminal.h"

namespace winhost {

std::unique_ptr<Frontend> MakeFrontendFromEnvironment() {
  const char* value = std::getenv("WINHOST_UI");
  std::string ui = value ? value : "";
  if (ui.empty()) {
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
      std::fprintf(stderr, "winhost: no user interface: not on a terminal; set WINHOST_UI=script:FILE to run a "
                           "script of user actions\n");
      return nullptr;
    }
    ui = "terminal";
  }
  if (ui.rfind("script:", 0) == 0) return LoadScriptFrontend(ui.substr(7));
  if (ui == "terminal") return MakeTerminalFrontend();
  std::fprintf(stderr, "winhost: WINHOST_UI is \"%s\": expected script:FILE or terminal\n", ui.c_str());
  return nullptr;
}

}  // namespace winhost
