// start.cpp - the start-up code of a host program: calls WinMain and exits with its result.
#include <windows.h>

#include <string>

#include "core/frontend.h"
#include "core/trace.h"
#include "kernel/module.h"

int main(int argc, char** argv) {
  // The command-line tail, as the runtime hands it to WinMain.
  std::string tail;
  for (int i = 1; i < argc; i++) {
    if (i > 1) tail += ' ';
    tail += argv[i];
  }
  int code = WinMain(winhost::MainModule(), nullptr, tail.data(), SW_SHOWDEFAULT);
  winhost::Trace("exit " + std::to_string(code));
  // A front end left with work undone turns the exit into the platform's error code 3; the
  // program's own code is traced above all the same.
  return winhost::ShutdownFrontend(code);
}
