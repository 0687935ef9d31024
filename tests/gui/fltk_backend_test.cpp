// The FLTK backend on a real (virtual) display: the glue between the
// toolkit's model and the widgets that FLTK draws.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/winapi.h"
#include "toolkit/Classes.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/Timer.h"

// FLTK last: its drawing headers bring Xlib's macros, and Xlib's type
// "Screen" goes by another name beside the toolkit's Screen object.
#define Screen XlibScreen
#include <FL/Fl.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>
#include <FL/Fl_Window.H>
#undef Screen

namespace {

// Serves the loop until `done` holds, at most `rounds` times.
template <class Pred>
bool ServeUntil(Pred done, int rounds = 2000) {
  for (int i = 0; i < rounds && !done(); ++i) {
    Fl::wait(0.01);
    Application->ProcessMessages();
  }
  return done();
}

void Settle() {
  for (int i = 0; i < 20; ++i) Fl::wait(0.001);
}

Fl_Window* WindowTitled(const std::string& title) {
  for (Fl_Window* w = Fl::first_window(); w != nullptr; w = Fl::next_window(w)) {
    if (w->label() != nullptr && title == w->label()) return w;
  }
  return nullptr;
}

template <class W>
W* FindWidget(Fl_Group* group) {
  for (int i = 0; i < group->children(); ++i) {
    if (auto* w = dynamic_cast<W*>(group->child(i))) return w;
    if (Fl_Group* inner = group->child(i)->as_group()) {
      if (W* w = FindWidget<W>(inner)) return w;
    }
  }
  return nullptr;
}

// The lines a text display draws, as UTF-8 text, found as it finds them:
// each from the previous line's break.
std::vector<std::string> DrawnLines(Fl_Text_Display* display) {
  std::vector<std::string> lines;
  Fl_Text_Buffer* buffer = display->buffer();
  const int length = buffer->length();
  int pos = 0;
  for (;;) {
    const int next = display->skip_lines(pos, 1, true);
    char* text = buffer->text_range(pos, next);
    std::string line = text;
    free(text);
    const bool broken = !line.empty() && line.back() == '\n';
    if (broken) line.pop_back();
    lines.push_back(line);
    // The last line: the end of the text, after a final line break too.
    if (next >= length) {
      if (broken) lines.push_back("");
      break;
    }
    pos = next;
  }
  return lines;
}

// The memo's displayed lines in the same terms (blanks at a break stay on
// the upper line in both).
std::vector<std::string> ModelLines(TMemo* memo) {
  std::vector<std::string> lines;
  for (const TMemo::Segment& s : memo->Segments()) {
    std::string line;
    for (char ch : memo->Text().substr(static_cast<size_t>(s.start), static_cast<size_t>(s.length))) {
      const unsigned char b = static_cast<unsigned char>(ch);
      if (b < 0x80) {
        line.push_back(ch);
      } else {
        line.push_back(static_cast<char>(0xC0 | (b >> 6)));
        line.push_back(static_cast<char>(0x80 | (b & 0x3F)));
      }
    }
    lines.push_back(line);
  }
  return lines;
}

// A key as it reaches the window when no widget took it.
void Key(Fl_Window* window, int key, int event = FL_SHORTCUT, int state = 0) {
  Fl::e_keysym = key;
  Fl::e_state = state;
  Fl::e_number = event;
  window->handle(event);
}

class Backend : public ::testing::Test {
 protected:
  void TearDown() override {
    delete form;
    Settle();
  }

  // A form with a panel, as the program builds its main window.
  void MakeForm(const std::string& title) {
    form = new TForm(nullptr);
    form->SetCaption(title);
    form->SetBorderStyle(bsSingle);
    form->SetBounds(100, 80, 400, 300);
    panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(3, 3, 380, 240);
    panel->SetBevelOuter(bvLowered);
    panel->SetBevelWidth(3);
  }

  TButton* AddButton(const std::string& caption, int left, int* clicks) {
    auto* b = new TButton(form);
    b->SetParent(panel);
    b->SetBounds(left, 190, 80, 30);
    b->SetCaption(caption);
    b->SetTabStop(true);
    b->OnClick = [clicks](TObject*) { ++*clicks; };
    return b;
  }

  TForm* form = nullptr;
  TPanel* panel = nullptr;
};

// The model counts the memo's lines with the backend's wrapping; the display
// must show exactly those lines, whatever the width and the text.
TEST_F(Backend, MemoShowsTheLinesTheModelCounts) {
  MakeForm("memo");
  auto* memo = new TMemo(form);
  memo->SetParent(panel);
  memo->SetScrollBars(ssVertical);
  memo->SetReadOnly(true);
  memo->Font->SetName("Arial");
  memo->Font->SetSize(10);
  form->Show();
  Fl_Window* window = WindowTitled("memo");
  ASSERT_NE(window, nullptr);
  auto* display = FindWidget<Fl_Text_Display>(window);
  ASSERT_NE(display, nullptr);

  const std::string words = "Connecting to the transceiver and writing ROM data in blocks of 128 bytes";
  const std::string unbroken(90, 'W');
  const std::string latin1 = "Caf\xE9 na\xEFve r\xF4le \xC5ngstr\xF6m " + words;
  struct Case {
    int width;
    std::string text;
  };
  const std::vector<Case> cases = {
      {200, words + "\r\n" + words + "\r\n"},
      {120, unbroken + "\r\n\r\n" + words},
      {61, words},
      {300, latin1 + "\r\n" + unbroken + " " + words + "\r\n"},
      {150, "short\r\n\r\n\r\nlines\r\n"},
  };
  for (const Case& c : cases) {
    memo->SetBounds(10, 10, c.width, 200);
    memo->SetText(c.text);
    Settle();
    EXPECT_EQ(ModelLines(memo), DrawnLines(display)) << "width " << c.width << ": " << c.text;
    // Deleting the first displayed line keeps both in step.
    const int before = memo->Lines->Count();
    memo->Lines->Delete(0);
    Settle();
    EXPECT_EQ(memo->Lines->Count(), before - 1);
    EXPECT_EQ(ModelLines(memo), DrawnLines(display)) << "width " << c.width << ", first line deleted";
  }
}

TEST_F(Backend, EnterAndEscapePressTheButtonsAndEscapeNeverCloses) {
  MakeForm("keys");
  int ok = 0, cancel = 0, other = 0;
  TButton* okButton = AddButton("OK", 10, &ok);
  okButton->SetDefault(true);
  TButton* cancelButton = AddButton("Cancel", 100, &cancel);
  cancelButton->SetCancel(true);
  AddButton("Exit", 190, &other);
  form->Show();
  Fl_Window* window = WindowTitled("keys");
  ASSERT_NE(window, nullptr);

  Key(window, FL_Enter);
  Key(window, FL_KP_Enter);
  Key(window, FL_Escape);
  EXPECT_EQ(ok, 2);
  EXPECT_EQ(cancel, 1);

  // A disabled cancel button: Escape does nothing, and the window stays.
  cancelButton->SetEnabled(false);
  Key(window, FL_Escape);
  Fl::handle(FL_SHORTCUT, window);  // as FLTK passes on a key nobody took
  Settle();
  EXPECT_EQ(cancel, 1);
  EXPECT_TRUE(window->shown());
  EXPECT_TRUE(form->Visible());

  // The close button closes it.
  Fl::e_number = FL_CLOSE;
  window->do_callback();
  Settle();
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(window->shown());
  EXPECT_EQ(other, 0);
}

TEST_F(Backend, TabFollowsTheToolkitsTabOrder) {
  MakeForm("tabs");
  int n = 0;
  TButton* a = AddButton("A", 10, &n);
  TButton* b = AddButton("B", 100, &n);
  TButton* c = AddButton("C", 190, &n);
  c->SetTabOrder(0);  // C, A, B
  form->Show();
  Fl_Window* window = WindowTitled("tabs");
  ASSERT_NE(window, nullptr);
  c->SetFocus();
  std::vector<TWinControl*> seen;
  for (int i = 0; i < 4; ++i) {
    Key(window, FL_Tab, FL_KEYBOARD);
    seen.push_back(form->ActiveControl());
  }
  EXPECT_EQ(seen, (std::vector<TWinControl*>{a, b, c, a}));
  Key(window, FL_Tab, FL_KEYBOARD, FL_SHIFT);
  EXPECT_EQ(form->ActiveControl(), c);
}

TEST_F(Backend, MenuShowsVisibleEntriesWithTheirMarksAndClicks) {
  MakeForm("menu");
  auto* menu = new TMainMenu(form);
  form->SetMenu(menu);
  auto add = [&](TMenuItem* parent, const std::string& caption) {
    auto* item = new TMenuItem(form);
    item->SetCaption(caption);
    parent->Add(item);
    return item;
  };
  TMenuItem* file = add(menu->Items, "&File");
  add(file, "E&xit");
  TMenuItem* port = add(menu->Items, "&COM Port");
  TMenuItem* com1 = add(port, "COM &1");
  TMenuItem* com2 = add(port, "COM &2");
  int picked = 0;
  com2->OnClick = [&](TObject*) { ++picked; };
  file->SetVisible(false);
  com1->SetChecked(true);
  form->Show();
  Fl_Window* window = WindowTitled("menu");
  ASSERT_NE(window, nullptr);
  auto* bar = FindWidget<Fl_Menu_Bar>(window);
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(ServeUntil([&] { return bar->menu() != nullptr && bar->menu()->text != nullptr; }));

  // The hidden menu is not there at all: neither a click nor Alt+F reaches it.
  std::vector<std::string> labels;
  for (const Fl_Menu_Item* m = bar->menu(); m->text != nullptr; m = m->next()) labels.push_back(m->text);
  EXPECT_EQ(labels, (std::vector<std::string>{"&COM Port"}));
  const Fl_Menu_Item* first = bar->menu()->first() + 1;
  ASSERT_STREQ(first->text, "COM &1");
  EXPECT_TRUE(first->value());
  EXPECT_FALSE(first->next()->value());

  // Moving the mark, and picking an entry.
  com1->SetChecked(false);
  com2->SetChecked(true);
  ASSERT_TRUE(ServeUntil([&] { return (bar->menu()->first() + 2)->value() != 0; }));
  EXPECT_FALSE((bar->menu()->first() + 1)->value());
  bar->picked(bar->menu()->first() + 2);
  EXPECT_EQ(picked, 1);
  // FLTK flips a picked check mark itself; the model's mark comes back.
  ASSERT_TRUE(ServeUntil([&] { return (bar->menu()->first() + 2)->value() != 0; }));
}

class CountingThread;

struct BoxSeen {
  CountingThread* thread = nullptr;
  bool centred = false;
  std::string caption;
  int ranWhileOpen = 0;
};

void AnswerBox(void* data);

class CountingThread : public TThread {
 public:
  explicit CountingThread(int calls) : TThread(false), calls_(calls) {}
  std::atomic<int> ran{0};
  std::atomic<int> offGui{0};
  std::thread::id gui = std::this_thread::get_id();

 protected:
  void Execute() override {
    for (int i = 0; i < calls_ && !Terminated(); ++i) {
      Synchronize([this] {
        if (std::this_thread::get_id() != gui) ++offGui;
        ++ran;
      });
    }
  }

 private:
  int calls_;
};

void AnswerBox(void* data) {
  auto* s = static_cast<BoxSeen*>(data);
  Fl_Window* box = Fl::modal();
  if (box == nullptr || s->thread->ran < 50) {
    Fl::repeat_timeout(0.01, AnswerBox, data);
    return;
  }
  s->ranWhileOpen = s->thread->ran;
  s->caption = box->label() != nullptr ? box->label() : "";
  Fl_Window* owner = WindowTitled("owner");
  const int cx = box->x() + box->w() / 2;
  const int ox = owner->x() + owner->w() / 2;
  s->centred = cx >= ox - 1 && cx <= ox + 1;
  Key(box, FL_Enter);
}

// Calls a thread hands over run on the GUI thread, also while a message box
// waits for the user; the box is centred over its owner and OK closes it.
TEST_F(Backend, SynchronisedCallsRunOnTheGuiThreadAlsoDuringAMessageBox) {
  MakeForm("owner");
  form->Show();
  auto* thread = new CountingThread(50);
  BoxSeen seen;
  seen.thread = thread;
  // Checked and answered from inside the box's own loop.
  Fl::add_timeout(0.01, AnswerBox, &seen);
  const int answer = MessageBoxA(form->Handle(), "Invalid COM Port number.", "QZ", MB_OK | MB_ICONERROR);
  EXPECT_EQ(answer, IDOK);
  EXPECT_EQ(seen.ranWhileOpen, 50);
  EXPECT_EQ(seen.caption, "QZ");
  EXPECT_TRUE(seen.centred);
  EXPECT_EQ(thread->offGui, 0);
  thread->WaitFor();
  delete thread;
}

TEST_F(Backend, WindowTimersRunOnTheLoopAndStopFromTheirHandler) {
  TTimer timer;
  timer.SetInterval(1);
  int fired = 0;
  timer.OnTimer = [&](TTimer* t) {
    if (++fired == 3) t->SetEnabled(false);
  };
  EXPECT_TRUE(ServeUntil([&] { return fired >= 3; }));
  Settle();
  EXPECT_EQ(fired, 3);
  // Destroyed while armed: it never fires again.
  auto* other = new TTimer;
  other->SetInterval(1);
  int otherFired = 0;
  other->OnTimer = [&](TTimer*) { ++otherFired; };
  delete other;
  Settle();
  EXPECT_EQ(otherFired, 0);
}

}  // namespace
