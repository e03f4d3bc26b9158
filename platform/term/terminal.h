// terminal.h - the interactive user: the dialog drawn full-screen in a terminal (ncurses).
#ifndef PLATFORM_TERM_TERMINAL_H
#define PLATFORM_TERM_TERMINAL_H

#include <memory>

#include "core/frontend.h"

namespace winhost {

// The terminal front end on standard input and output; none, after a message on stderr,
// when they are no terminal that curses can drive.
std::unique_ptr<Frontend> MakeTerminalFrontend();

}  // namespace winhost

#endif
