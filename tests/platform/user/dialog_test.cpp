// dialog_test.cpp - the dialog manager over the setup's template with a test procedure: the
// messages it sends, keyboard and focus, the window services, the window menu and the icons.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "core/trace.h"
#include "dialog_fixture.h"
#include "user/icon.h"

namespace winhost::testing {
namespace {

struct Message {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// What the test procedure does: INIT runs on WM_INITDIALOG, whose result is INIT_RESULT;
// ON_COMMAND runs on every WM_COMMAND. Everything the procedure receives is recorded.
struct Procedure {
  BOOL initResult = TRUE;
  std::function<void(HWND)> init;
  std::function<void(HWND, WPARAM)> onCommand;
  std::vector<Message> received;
};
Procedure* Current;

INT_PTR CALLBACK TestProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  Current->received.push_back({message, wParam, lParam});
  if (message == WM_INITDIALOG) {
    if (Current->init) Current->init(dialog);
    return Current->initResult;
  }
  if (message == WM_COMMAND && Current->onCommand) Current->onCommand(dialog, wParam);
  return message == WM_COMMAND;
}

INT_PTR RunDialog(Procedure& procedure, const std::vector<std::string>& script, PlayFrontend** frontend = nullptr,
            LPARAM initParam = 0) {
  Current = &procedure;
  PlayFrontend* play = Play(script);
  if (frontend) *frontend = play;
  return DialogBoxParamA(SetupModule(), MAKEINTRESOURCEA(105), nullptr, TestProc, initParam);
}

std::vector<Message> Commands(const Procedure& p) {
  std::vector<Message> commands;
  for (const Message& m : p.received)
    if (m.message == WM_COMMAND) commands.push_back(m);
  return commands;
}

// Shows the listed controls and hides the Welcome page's texts: the pages of the wizard.
std::function<void(HWND)> Page(std::vector<int> shown) {
  return [shown](HWND dialog) {
    ShowWindow(GetDlgItem(dialog, 1032), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, 1034), SW_HIDE);
    for (int id : shown) ShowWindow(GetDlgItem(dialog, id), SW_SHOW);
  };
}

TEST(DialogManager, SendsSetFontThenInitDialogWithTheFirstTabStop) {
  Procedure p;
  PlayFrontend* play;
  EXPECT_EQ(RunDialog(p, {}, &play, 0x1234), 0);
  ASSERT_GE(p.received.size(), 2u);
  EXPECT_EQ(p.received[0].message, static_cast<UINT>(WM_SETFONT));
  EXPECT_NE(p.received[0].wParam, 0u);
  EXPECT_EQ(p.received[1].message, static_cast<UINT>(WM_INITDIALOG));
  ASSERT_FALSE(play->idle.empty());
  EXPECT_EQ(p.received[1].wParam, reinterpret_cast<WPARAM>(play->idle[0].Find(1031)->handle));
  EXPECT_EQ(p.received[1].lParam, 0x1234);

  // The dialog as it opens: only the four controls of the Welcome page are visible.
  std::vector<int> visible;
  for (const ControlView& c : play->idle[0].controls)
    if (c.Visible()) visible.push_back(c.id);
  EXPECT_EQ(visible, (std::vector<int>{1032, 1034, 1031, -1}));
  EXPECT_TRUE(play->idle[0].style & WS_VISIBLE);
  EXPECT_EQ(play->idle[0].fontFace, "MS Sans Serif");
}

struct KeyCase {
  const char* name;
  BOOL initResult;
  std::vector<int> page;             // controls shown besides Next and the icon; empty: Welcome
  std::vector<std::string> script;
  std::vector<WPARAM> commands;      // the wParam of each WM_COMMAND, in order
  std::vector<int> commandFrom;      // the control whose handle is each lParam (0: none)
  int focus;                         // at the end; 0: no control has the focus
  std::function<void(HWND, WPARAM)> onCommand = nullptr;
};

const WPARAM Next = MAKEWPARAM(1031, BN_CLICKED), Browse = MAKEWPARAM(1041, BN_CLICKED),
             Check = MAKEWPARAM(1027, BN_CLICKED);
const std::vector<int> Folder = {1040, 1042, 1041}, Finished = {1035, 1027, 1037};

const KeyCase KeyCases[] = {
    {"InitTrueFocusesNext", TRUE, {}, {}, {}, {}, 1031},
    {"InitFalseFocusesNothing", FALSE, {}, {}, {}, {}, 0},
    {"TabFromNothingReachesNext", FALSE, {}, {"key tab"}, {}, {}, 1031},
    {"ShiftTabFromNothingReachesTheLast", FALSE, Folder, {"key shift+tab"}, {}, {}, 1041},
    {"TabStaysOnTheOnlyStop", TRUE, {}, {"key tab", "key shift+tab"}, {}, {}, 1031},
    {"TabOnFolderPage", TRUE, Folder, {"key tab"}, {}, {}, 1041},
    {"TabWrapsOnFolderPage", TRUE, Folder, {"key tab", "key tab"}, {}, {}, 1031},
    {"ShiftTabOnFolderPage", TRUE, Folder, {"key shift+tab"}, {}, {}, 1041},
    {"TabSkipsHiddenBrowse", TRUE, Finished, {"key tab", "key tab"}, {}, {}, 1031},
    {"EnterClicksFocusedButton", TRUE, {}, {"key enter"}, {Next}, {1031}, 1031},
    {"EnterWithoutFocusIsIdok", FALSE, {}, {"key enter"}, {IDOK}, {0}, 0},
    {"EnterOnFocusedCheckBoxIsIdok", TRUE, Finished, {"key tab", "key enter"}, {IDOK}, {0}, 1027},
    {"EscIsCancel", TRUE, {}, {"key esc"}, {IDCANCEL}, {0}, 1031},
    {"CloseIsCancel", FALSE, {}, {"menu close"}, {IDCANCEL}, {0}, 0},
    {"SpaceClicksFocusedButton", TRUE, Folder, {"key tab", "key space"}, {Browse}, {1041}, 1041},
    {"SpaceTogglesFocusedCheckBox", TRUE, Finished, {"key tab", "key space"}, {Check}, {1027}, 1027},
    {"SpaceWithoutFocusDoesNothing", FALSE, {}, {"key space"}, {}, {}, 0},
    {"AltClicksAndFocuses", FALSE, {}, {"alt n"}, {Next}, {1031}, 1031},
    {"AltIsCaseless", FALSE, Folder, {"alt B"}, {Browse}, {1041}, 1041},
    {"AltReachesNoHiddenControl", TRUE, {}, {"alt b"}, {}, {}, 1031},
    {"AltWithoutMnemonic", TRUE, Finished, {"alt v"}, {}, {}, 1031},
    {"ClickFocusesButton", FALSE, Folder, {"click 1041"}, {Browse}, {1041}, 1041},
    {"ClickOnHiddenDoesNothing", TRUE, {}, {"click 1041", "click 1027"}, {}, {}, 1031},
    {"ClickOnStaticDoesNothing", TRUE, {}, {"click 1032", "click -1"}, {}, {}, 1031},
    // A control that is disabled while focused loses the focus, and nothing else gets it.
    {"DisabledFocusIsLost", TRUE, {}, {"key enter", "key enter"}, {Next, IDOK}, {1031, 0}, 0,
     [](HWND dialog, WPARAM wParam) {
       if (wParam == Next) {
         EnableWindow(GetDlgItem(dialog, 1031), FALSE);
         EnableWindow(GetDlgItem(dialog, 1031), TRUE);
       }
     }},
    {"HiddenFocusIsLost", TRUE, Folder, {"key tab", "key space", "key space"}, {Browse}, {1041}, 0,
     [](HWND dialog, WPARAM wParam) {
       if (wParam == Browse) ShowWindow(GetDlgItem(dialog, 1041), SW_HIDE);
     }},
    {"DisabledButtonGetsNoClick", TRUE, {}, {"click 1031", "alt n", "key space"}, {Next}, {1031}, 0,
     [](HWND dialog, WPARAM) { EnableWindow(GetDlgItem(dialog, 1031), FALSE); }},
};

void PrintTo(const KeyCase& c, std::ostream* out) { *out << c.name; }

class Keyboard : public ::testing::TestWithParam<KeyCase> {};

TEST_P(Keyboard, GivesCommandsAndFocus) {
  const KeyCase& c = GetParam();
  Procedure p;
  p.initResult = c.initResult;
  if (!c.page.empty()) p.init = Page(c.page);
  p.onCommand = c.onCommand;
  PlayFrontend* play;
  RunDialog(p, c.script, &play);
  const DialogView& last = play->idle.back();
  std::vector<Message> commands = Commands(p);
  ASSERT_EQ(commands.size(), c.commands.size());
  for (size_t i = 0; i < commands.size(); i++) {
    EXPECT_EQ(commands[i].wParam, c.commands[i]) << "command " << i;
    HWND from = c.commandFrom[i] ? last.Find(c.commandFrom[i])->handle : nullptr;
    EXPECT_EQ(commands[i].lParam, reinterpret_cast<LPARAM>(from)) << "command " << i;
  }
  EXPECT_EQ(FocusedId(last), c.focus);
}

INSTANTIATE_TEST_SUITE_P(Cases, Keyboard, ::testing::ValuesIn(KeyCases),
                         [](const ::testing::TestParamInfo<KeyCase>& info) { return info.param.name; });

TEST(DialogManager, AutoCheckBoxTogglesBeforeItNotifies) {
  Procedure p;
  p.init = Page(Finished);
  std::vector<LRESULT> seen;
  p.onCommand = [&](HWND dialog, WPARAM) { seen.push_back(SendDlgItemMessageA(dialog, 1027, BM_GETCHECK, 0, 0)); };
  RunDialog(p, {"click 1027", "key space", "click 1027"});
  EXPECT_EQ(seen, (std::vector<LRESULT>{BST_CHECKED, BST_UNCHECKED, BST_CHECKED}));
}

TEST(DialogManager, WindowServicesOnControls) {
  Procedure p;
  p.init = [](HWND dialog) {
    HWND next = GetDlgItem(dialog, 1031);
    char text[16];
    struct {
      int limit;
      const char* text;
      UINT copied;
    } const limits[] = {{1, "", 0}, {5, "> &N", 4}, {8, "> &Next", 7}, {100, "> &Next", 7}};
    for (const auto& l : limits) {
      std::memset(text, 'x', sizeof text);
      EXPECT_EQ(GetDlgItemTextA(dialog, 1031, text, l.limit), l.copied) << l.limit;
      EXPECT_STREQ(text, l.text) << l.limit;
    }
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(GetDlgItemTextA(dialog, 4711, text, sizeof text), 0u);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(GetDlgItemTextA(dialog, 1031, text, 0), 0u);

    EXPECT_TRUE(SetWindowTextA(next, "&Finish"));
    EXPECT_TRUE(SetDlgItemTextA(dialog, 1042, "c:\\Qelt\\"));
    EXPECT_FALSE(SetDlgItemTextA(dialog, 4711, "x"));
    EXPECT_EQ(GetDlgItemTextA(dialog, 1042, text, sizeof text), 8u);
    EXPECT_STREQ(text, "c:\\Qelt\\");

    EXPECT_EQ(ShowWindow(GetDlgItem(dialog, 1041), SW_SHOW), FALSE);  // was hidden
    EXPECT_EQ(ShowWindow(GetDlgItem(dialog, 1041), SW_SHOW), TRUE);
    EXPECT_EQ(EnableWindow(next, FALSE), FALSE);  // was enabled
    EXPECT_EQ(EnableWindow(next, TRUE), TRUE);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(next, GWL_STYLE)), 0x50010000u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(GetDlgItem(dialog, 1041), GWL_STYLE)), 0x50010000u);
    EXPECT_EQ(GetWindowLongA(next, GWL_ID), 1031);
    EXPECT_EQ(SendDlgItemMessageA(dialog, 4711, BM_GETCHECK, 0, 0), 0);
    EXPECT_EQ(GetDlgItem(next, 1031), nullptr);  // a control has no items
  };
  PlayFrontend* play;
  RunDialog(p, {}, &play);
  EXPECT_EQ(play->idle[0].Find(1031)->text, "&Finish");
}

TEST(DialogManager, DialogStylesAndIcons) {
  Procedure p;
  HICON small = static_cast<HICON>(LoadImageA(SetupModule(), MAKEINTRESOURCEA(111), IMAGE_ICON, 16, 16, 0));
  p.init = [small](HWND dialog) {
    // During WM_INITDIALOG the dialog is not shown yet.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), 0x80C808D1u);
    EXPECT_EQ(static_cast<DWORD>(SetWindowLongA(dialog, GWL_EXSTYLE, WS_EX_CONTEXTHELP)), 0u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)), WS_EX_CONTEXTHELP);
    EXPECT_EQ(SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small)), 0);
    EXPECT_EQ(SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small)),
              reinterpret_cast<LRESULT>(small));
  };
  PlayFrontend* play;
  RunDialog(p, {}, &play);
  EXPECT_EQ(play->idle[0].exStyle, WS_EX_CONTEXTHELP);
  EXPECT_EQ(play->idle[0].smallIcon, small);
  EXPECT_EQ(play->idle[0].bigIcon, nullptr);
  // The icon control carries the template's icon 111 at the system size.
  const IconImage* shown = IconFromHandle(play->idle[0].Find(-1)->icon);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->width, 32);
}

TEST(DialogManager, WindowMenu) {
  Procedure p;
  p.init = [](HWND dialog) {
    HMENU menu = GetSystemMenu(dialog, FALSE);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetSystemMenu(dialog, FALSE), menu);
    EXPECT_TRUE(DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND));
    EXPECT_FALSE(DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND));  // already gone
    EXPECT_FALSE(DeleteMenu(menu, 0x1234, MF_BYCOMMAND));
    EXPECT_TRUE(DeleteMenu(menu, 0, MF_BYPOSITION));  // Restore
    EXPECT_FALSE(DeleteMenu(reinterpret_cast<HMENU>(dialog), SC_MOVE, MF_BYCOMMAND));
    EXPECT_EQ(GetSystemMenu(GetDlgItem(dialog, 1031), FALSE), nullptr);
  };
  PlayFrontend* play;
  RunDialog(p, {}, &play);
  EXPECT_EQ(play->idle[0].systemMenu, (std::vector<UINT>{SC_MOVE, SC_MINIMIZE, SC_MAXIMIZE, 0, SC_CLOSE}));

  // Without Close in the menu, the menu command reaches nothing.
  Procedure q;
  q.init = [](HWND dialog) { DeleteMenu(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND); };
  RunDialog(q, {"menu close"});
  EXPECT_TRUE(Commands(q).empty());
}

TEST(DialogManager, HandlesOfAnEndedDialogAreDead) {
  Procedure p;
  HWND dialog = nullptr, next = nullptr;
  p.init = [&](HWND d) {
    dialog = d;
    next = GetDlgItem(d, 1031);
    EndDialog(d, 7);
  };
  PlayFrontend* play;
  EXPECT_EQ(RunDialog(p, {}, &play), 7);
  EXPECT_TRUE(play->idle.empty());  // ended before it was shown
  EXPECT_EQ(GetDlgItem(dialog, 1031), nullptr);
  EXPECT_EQ(SendMessageA(next, BM_GETCHECK, 0, 0), 0);
  EXPECT_FALSE(ShowWindow(next, SW_SHOW));
  EXPECT_FALSE(EndDialog(dialog, 1));
  EXPECT_EQ(GetSystemMenu(dialog, FALSE), nullptr);
}

TEST(DialogManager, MissingTemplateFails) {
  Procedure p;
  Current = &p;
  EXPECT_EQ(DialogBoxParamA(SetupModule(), MAKEINTRESOURCEA(999), nullptr, TestProc, 0), -1);
  HMODULE broken = LoadResModule(ResImage({{5, 105, Bytes(10, 0)}}));
  EXPECT_EQ(DialogBoxParamA(broken, MAKEINTRESOURCEA(105), nullptr, TestProc, 0), -1);
  EXPECT_TRUE(p.received.empty());
}

// The page line is written once per change of the visible set, when the dialog is idle.
TEST(DialogManager, TracesPagesWhenIdle) {
  std::string path = ::testing::TempDir() + "dialog_trace.txt";
  SetTraceFile(path);
  Procedure p;
  p.onCommand = [](HWND dialog, WPARAM wParam) {
    if (wParam != Next) return;
    Page(Folder)(dialog);
    SetDlgItemTextA(dialog, 1042, "x");
  };
  RunDialog(p, {"key enter", "key tab", "key esc"});
  SetTraceFile("");
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find(' ')));
  // Esc reaches the procedure, which ignores it; the test's front end then ends the dialog.
  EXPECT_EQ(lines, (std::vector<std::string>{"dialog", "page", "user", "page", "user", "state", "user", "enddialog",
                                             "user", "ignored:"}));
}

// The setup icon's pixels are those of its source picture, at 32 and scaled to 16.
TEST(Icons, LoadsTheSetupIcon) {
  std::ifstream source(QELT_SOURCE_DIR "/res/icon/setup_icon.txt");
  std::vector<std::string> rows;
  for (std::string line; std::getline(source, line);)
    if (!line.empty() && line[0] != '#') rows.push_back(line);
  ASSERT_EQ(rows.size(), 32u);
  const std::string letters = "KrgybmcwkRGYBMCW";
  const std::uint32_t colours[] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                                   0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  for (int size : {32, 16}) {
    auto* icon = IconFromHandle(static_cast<HICON>(LoadImageA(SetupModule(), MAKEINTRESOURCEA(111), IMAGE_ICON, size, size, 0)));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->width, size);
    EXPECT_EQ(icon->sourceWidth, 32);
    EXPECT_EQ(icon->bitCount, 4);
    int step = 32 / size;
    for (int y = 0; y < size; y++)
      for (int x = 0; x < size; x++) {
        char want = rows[y * step][x * step];
        size_t at = size_t(y) * size + x;
        SCOPED_TRACE("size " + std::to_string(size) + " pixel " + std::to_string(x) + "," + std::to_string(y));
        EXPECT_EQ(icon->transparent[at], want == '.');
        if (want != '.') EXPECT_EQ(icon->palette[icon->pixels[at]], colours[letters.find(want)]);
      }
  }
  EXPECT_EQ(LoadImageA(SetupModule(), MAKEINTRESOURCEA(112), IMAGE_ICON, 32, 32, 0), nullptr);
}

}  // namespace
}  // namespace winhost::testing
