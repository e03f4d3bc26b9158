// frontend.cpp - holds the process's one front end.
#include "core/frontend.h"

#include <cstdio>
#include <cstdlib>

namespace winhost {

std::unique_ptr<Frontend> MakeFrontendFromEnvironment();  // crt/ or user/: WINHOST_UI

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
    std::fprintf(stderr, "winhost: no user interface (set WINHOST_UI=script:FILE or run in a terminal)\n");
    std::exit(3);
  }
  return *slot;
}

void SetFrontend(std::unique_ptr<Frontend> frontend) { Slot() = std::move(frontend); }

}  // namespace winhost
