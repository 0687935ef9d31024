#include <string>

#include "Fixture.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"

namespace {

// Records its destruction, to check who frees menu entries.
struct TrackedItem : TMenuItem {
  TrackedItem(TComponent* owner, bool* gone) : TMenuItem(owner), gone_(gone) {}
  ~TrackedItem() override { *gone_ = true; }
  bool* gone_;
};

class MenuTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    form = new TForm(nullptr);
    menu = new TMainMenu(form);
    form->SetMenu(menu);
    file = Entry("&File", menu->Items);
    open = Entry("&Open", file);
    port = Entry("&COM Port", menu->Items);
    com3 = Entry("COM &3", port);
    form->Show();
  }
  void TearDown() override {
    delete form;
    HeadlessTest::TearDown();
  }
  TMenuItem* Entry(const std::string& caption, TMenuItem* parent) {
    auto* item = new TMenuItem(form);
    item->SetCaption(caption);
    item->OnClick = [this](TObject* sender) { clicked += static_cast<TMenuItem*>(sender)->Caption() + ";"; };
    parent->Add(item);
    return item;
  }

  TForm* form = nullptr;
  TMainMenu* menu = nullptr;
  TMenuItem *file = nullptr, *open = nullptr, *port = nullptr, *com3 = nullptr;
  std::string clicked;
};

}  // namespace

TEST_F(MenuTest, CaptionsKeepTheirAcceleratorMarks) {
  struct Case {
    const char* caption;
    const char* shown;
    char accelerator;
  } cases[] = {{"&File", "File", 'F'}, {"E&xit", "Exit", 'x'}, {"COM &1", "COM 1", '1'},
               {"---", "---", 0},      {"A && B", "A & B", 0},  {"&&x&y", "&xy", 'y'}};
  for (const Case& c : cases) {
    com3->SetCaption(c.caption);
    EXPECT_EQ(com3->Caption(), c.caption);
    EXPECT_EQ(com3->DisplayCaption(), c.shown) << c.caption;
    EXPECT_EQ(com3->Accelerator(), c.accelerator) << c.caption;
  }
}

TEST_F(MenuTest, TreeAndMenuBar) {
  ASSERT_EQ(menu->Items->Count(), 2);
  EXPECT_EQ(menu->Items->Items(0), file);
  EXPECT_EQ(open->Parent(), file);
  EXPECT_EQ(com3->Menu(), menu);
  EXPECT_EQ(menu->Form(), form);
  // Moving an entry takes it from its old parent.
  port->Add(open);
  EXPECT_EQ(file->Count(), 0);
  EXPECT_EQ(port->IndexOf(open), 1);
  // No entry can become a sub-entry of itself.
  com3->Add(port);
  EXPECT_EQ(port->Parent(), menu->Items);
}

TEST_F(MenuTest, UserReachesOnlyVisibleEnabledEntries) {
  EXPECT_TRUE(Headless::ClickMenu(com3));
  file->SetVisible(false);  // a hidden menu hides its entries
  EXPECT_FALSE(Headless::ClickMenu(open));
  EXPECT_FALSE(Headless::ClickMenu(file));
  com3->SetEnabled(false);
  EXPECT_FALSE(Headless::ClickMenu(com3));
  com3->Click();  // a disabled entry does not fire even when called
  EXPECT_EQ(clicked, "COM &3;");
  com3->SetEnabled(true);
  com3->SetChecked(true);
  EXPECT_TRUE(com3->Checked());
  EXPECT_TRUE(Headless::ClickMenu(port));
  EXPECT_TRUE(Headless::ClickMenu(com3));
  EXPECT_EQ(clicked, "COM &3;&COM Port;COM &3;");
  // Detached entries are not on any menu bar.
  auto* loose = new TMenuItem(form);
  EXPECT_FALSE(Headless::ClickMenu(loose));
}

TEST_F(MenuTest, FreeingTheMenuFreesItsEntriesAndTheFormFreesTheRest) {
  bool inTree = false, detached = false;
  port->Add(new TrackedItem(form, &inTree));
  new TrackedItem(form, &detached);
  int clientWithMenu = form->ClientHeight();
  delete menu;
  EXPECT_TRUE(inTree);
  EXPECT_FALSE(detached);
  EXPECT_EQ(form->Menu(), nullptr);
  EXPECT_EQ(form->ClientHeight(), clientWithMenu + 19);
  delete form;
  form = nullptr;
  EXPECT_TRUE(detached);
}
