// input.h - what the user's actions do to a dialog: focus, keys, mnemonics and clicks.
#ifndef PLATFORM_USER_INPUT_H
#define PLATFORM_USER_INPUT_H

#include "core/frontend.h"
#include "user/window.h"

namespace winhost {

// Carries out one action on an idle dialog, as the dialog manager's keyboard and mouse
// handling would; an action that reaches nothing is traced as ignored.
void PerformAction(Dialog& dialog, const UserAction& action);
// A click on control INDEX: buttons notify the dialog, auto check boxes toggle first.
void ClickControl(Dialog& dialog, int index);

}  // namespace winhost

#endif
