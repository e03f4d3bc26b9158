// template_test.cpp - the classic dialog template, read from the setup's own resource 105.
#include "user/template.h"

#include <gtest/gtest.h>

#include "dialog_fixture.h"

namespace winhost::testing {
namespace {

Bytes SetupTemplate() { return ResourceData(SetupModule(), MAKEINTRESOURCEA(105), RT_DIALOG); }

TEST(DialogTemplate, ReadsTheSetupDialog) {
  std::string why;
  auto t = ParseDialogTemplate(SetupTemplate(), &why);
  ASSERT_TRUE(t) << why;
  EXPECT_EQ(t->style, 0x90C808D1u);
  EXPECT_EQ(t->exStyle, 0u);
  EXPECT_EQ(t->title, "Quillmere 2.13b setup");
  EXPECT_EQ(t->pointSize, 8);
  EXPECT_EQ(t->fontFace, "MS Sans Serif");
  EXPECT_EQ((std::vector<int>{t->x, t->y, t->cx, t->cy}), (std::vector<int>{0, 0, 200, 97}));
  EXPECT_FALSE(t->menu.isOrdinal || !t->menu.text.empty());

  struct Item {
    int id;
    const char* cls;
    DWORD style;
    int x, y, cx, cy;
    const char* text;  // null: the ordinal 111
  } const expected[] = {
      {1032, "static", 0x50020001, 0, 0, 199, 44,
       "Welcome to Qelt 2.13b quick setup!\nThis program would install Qelt on your computer\n\nPlease note that this "
       "is beta software, the release\nversion would be available after January 1st, 1999"},
      {1034, "static", 0x50020001, 1, 48, 199, 25, "Choose Next to continue."},
      {1031, "button", 0x50010000, 148, 81, 50, 14, "> &Next"},
      {-1, "static", 0x50000003, 5, 75, 20, 20, nullptr},
      {1035, "static", 0x40020001, 0, 0, 199, 17, "Congratulations, Qelt 2.13b setup\n has completed successfully!"},
      {1037, "static", 0x40020001, 0, 58, 199, 8, "Press Finish to quit setup"},
      {1027, "button", 0x40010003, 56, 35, 94, 10, "View help after the setup"},
      {1038, "msctls_progress32", 0x40800001, 11, 53, 177, 13, "Progress1"},
      {1039, "static", 0x40020000, 48, 24, 96, 8, "Qelt is now being installed..."},
      {1040, "static", 0x40020001, 0, 9, 199, 35,
       "Press Browse button to locate a directory\nfor Qelt 2.13b installation.\nNote that Qelt subfolder\nwould be "
       "created in this directory."},
      {1041, "button", 0x40010000, 148, 51, 50, 14, "&Browse"},
      {1042, "static", 0x40020200, 5, 53, 140, 10, ""},
  };
  ASSERT_EQ(t->items.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); i++) {
    const DialogItemTemplate& item = t->items[i];
    const Item& want = expected[i];
    SCOPED_TRACE("item " + std::to_string(i + 1));
    EXPECT_EQ(item.id, want.id);
    EXPECT_EQ(item.className.text, want.cls);
    EXPECT_EQ(item.style, want.style);
    EXPECT_EQ(item.exStyle, 0u);
    EXPECT_EQ((std::vector<int>{item.x, item.y, item.cx, item.cy}), (std::vector<int>{want.x, want.y, want.cx, want.cy}));
    if (want.text) {
      EXPECT_FALSE(item.text.isOrdinal);
      EXPECT_EQ(item.text.text, want.text);
    } else {
      EXPECT_TRUE(item.text.isOrdinal);
      EXPECT_EQ(item.text.ordinal, 111);
    }
    EXPECT_TRUE(item.creationData.empty());
  }
}

// Every cut of the template short of its end is refused with a reason, never read past.
TEST(DialogTemplate, RefusesEveryTruncation) {
  Bytes full = SetupTemplate();
  ASSERT_FALSE(full.empty());
  // The last item's creation-data count is the template's last WORD; without it the item is short.
  for (size_t size = 0; size + 1 < full.size(); size++) {
    Bytes cut(full.begin(), full.begin() + size);
    std::string why;
    EXPECT_FALSE(ParseDialogTemplate(cut, &why)) << size;
    EXPECT_NE(why.find("expected"), std::string::npos) << size;
  }
}

TEST(DialogTemplate, RefusesMalformedFields) {
  Bytes full = SetupTemplate();
  auto t = ParseDialogTemplate(full);
  ASSERT_TRUE(t);
  struct Case {
    const char* name;
    void (*mutate)(Bytes&);
    const char* why;
  } const cases[] = {
      {"extended template", [](Bytes& b) { b[0] = 1, b[1] = 0, b[2] = 0xFF, b[3] = 0xFF; }, "extended"},
      {"more items than bytes", [](Bytes& b) { b[8] = 13; }, "item 13 of 13"},
      {"creation data past the end", [](Bytes& b) { b[b.size() - 2] = 0x40; }, "creation data"},
      {"unknown class ordinal",
       [](Bytes& b) {
         // The first item's class follows its 18-byte header at the first DWORD boundary after the font.
         std::u16string face = u"MS Sans Serif";
         size_t title = 18 + 2 + 2 + (std::u16string(u"Quillmere 2.13b setup").size() + 1) * 2;
         size_t item = (title + 2 + (face.size() + 1) * 2 + 3) & ~size_t(3);
         b[item + 18 + 2] = 0x86;
       },
       "predefined class ordinal"},
  };
  for (const Case& c : cases) {
    Bytes bytes = full;
    c.mutate(bytes);
    std::string why;
    EXPECT_FALSE(ParseDialogTemplate(bytes, &why)) << c.name;
    EXPECT_NE(why.find(c.why), std::string::npos) << c.name << ": " << why;
  }
}

}  // namespace
}  // namespace winhost::testing
