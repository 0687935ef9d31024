#include "toolkit/fltk/FltkBackend.h"

#include "toolkit/fltk/FltkHeaders.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/hooks.h"
#include "toolkit/Backend.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/fltk/FltkInternal.h"
#include "toolkit/fltk/FltkWidgets.h"

namespace toolkit {
namespace fltk {

namespace {

// Frame sizes of the window: the border and title bar that the window
// manager draws around a window, and the menu bar inside it.
const int kFormBorder = 3;
const int kCaptionHeight = 19;
const int kMenuBarHeight = 20;
// Edit boxes and the memo: the sunken box (2) plus the text margin of the
// text display (3) on each side, so that a memo's inner width is exactly the
// width its text is wrapped at.
const int kEditBorder = 5;
const int kScrollBarWidth = 16;

enum class Kind { Form, Panel, Memo, Progress, Button, Label, Edit, Group, Other };

// One generation of a form's menu entries as FLTK reads them.
struct MenuArrays {
  std::vector<Fl_Menu_Item> items;
  std::deque<std::string> labels;
};

struct Node {
  Kind kind;
  Fl_Widget* widget;
  MenuBar* bar = nullptr;                    // forms with a main menu
  std::unique_ptr<MenuArrays> menu;          // what the bar shows
};

void AwakeCallback(void*) { RunSynchronizedCalls(); }

class FltkBackend : public Backend {
 public:
  // ---- notifications
  void ControlChanged(TControl* control, Change what) override {
    Claim();
    auto it = nodes_.find(control);
    if (it == nodes_.end()) {
      NotBuilt(control, what);
      return;
    }
    Apply(control, it->second, what);
  }

  void ControlDestroying(TControl* control) override {
    auto it = nodes_.find(control);
    if (it == nodes_.end()) return;
    Fl_Widget* widget = it->second.widget;
    const bool form = it->second.kind == Kind::Form;
    nodes_.erase(it);
    controls_.erase(widget);
    if (exiting_) return;  // the process is ending; its windows go with it
    if (Fl::focus() != nullptr && widget->contains(Fl::focus())) Fl::focus(nullptr);
    if (Fl_Group* group = widget->as_group()) {
      // Children the model still knows are not ours to delete here.
      for (int i = group->children() - 1; i >= 0; --i) {
        Fl_Widget* child = group->child(i);
        if (controls_.count(child) != 0) group->remove(child);
      }
    }
    if (!form && widget->parent() != nullptr) widget->parent()->remove(widget);
    // Deferred: the widget may be the one whose callback is running.
    widget->hide();
    Fl::delete_widget(widget);
  }

  void MenuChanged(TMenuItem* /*item*/, Change /*what*/) override {
    Claim();
    ScheduleMenus();
  }

  void MenuDestroying(TMenuItem* item) override {
    liveItems_.erase(item);
    for (auto& entry : nodes_) {
      if (!entry.second.menu) continue;
      for (Fl_Menu_Item& m : entry.second.menu->items) {
        if (m.user_data_ == item) m.user_data_ = nullptr;
      }
    }
    ScheduleMenus();
  }

  // ---- metrics
  int TextWidth(const TFont& font, const std::string& text) override {
    Claim();
    return MeasureWidth(font, text);
  }
  int TextHeight(const TFont& font, const std::string& /*text*/) override {
    Claim();
    return MeasureHeight(font);
  }
  FrameMetrics Frame() const override {
    FrameMetrics frame;
    frame.formBorder = kFormBorder;
    frame.captionHeight = kCaptionHeight;
    frame.menuBarHeight = kMenuBarHeight;
    frame.editBorder = kEditBorder;
    frame.scrollBarWidth = kScrollBarWidth;
    return frame;
  }
  std::vector<int> WrapLine(const TFont& font, int width, const std::string& line) override {
    return fltk::WrapLine(font, width, line);
  }
  int ScreenWidth() override {
    int x, y, w, h;
    EnsureDisplay();
    Fl::screen_xywh(x, y, w, h, 0);
    return w;
  }
  int ScreenHeight() override {
    int x, y, w, h;
    EnsureDisplay();
    Fl::screen_xywh(x, y, w, h, 0);
    return h;
  }

  // ---- the event loop
  void RunLoop() override {
    Claim();
    ArmExitGuard();
    ServeUntil([] { return false; });
  }

  void RunModal(TForm* form) override {
    Claim();
    ArmExitGuard();
    ServeUntil([&] {
      if (form->ModalResult() != mrNone) return true;
      auto it = nodes_.find(form);
      return it == nodes_.end() || !it->second.widget->visible();
    });
    if (form->ModalResult() == mrNone) form->SetModalResult(mrCancel);
  }

  void ProcessMessages() override {
    Claim();
    Fl::check();
    if (HasSynchronizedCalls()) RunSynchronizedCalls();
  }

  void WakeUp() override { Fl::awake(&AwakeCallback, nullptr); }

  // The thread that installed the backend at static initialisation is the
  // GUI thread, but static objects initialised after the installer may have
  // forgotten that. Every call that only the GUI thread makes says so again;
  // the main window's construction makes such calls long before the tick
  // thread exists.
  void Claim() {
    if (!IsGuiThread()) SetBackend(this);
  }

  // ---- input from the widgets
  void Focused(Fl_Widget* widget) {
    if (syncingFocus_) return;
    auto it = controls_.find(widget);
    if (it == controls_.end()) return;
    if (auto* win = dynamic_cast<TWinControl*>(it->second)) win->SetFocus();
  }

  bool DialogKey(Fl_Window* window, int key) {
    auto it = controls_.find(window);
    if (it == controls_.end()) return false;
    auto* form = static_cast<TForm*>(it->second);
    return form->DialogKey(key == FL_Escape ? TDialogKey::Escape : TDialogKey::Enter);
  }

  // The focus moves through the focusable tab stops of the form in the
  // toolkit's tab order, as on the platform the program was written for.
  bool Navigate(Fl_Window* window, bool backwards) {
    auto it = controls_.find(window);
    if (it == controls_.end()) return false;
    auto* form = static_cast<TForm*>(it->second);
    std::vector<TWinControl*> order;
    TabStops(form, order);
    if (order.empty()) return false;
    const int n = static_cast<int>(order.size());
    auto at = std::find(order.begin(), order.end(), form->ActiveControl());
    int index = at == order.end() ? (backwards ? 0 : n - 1) : static_cast<int>(at - order.begin());
    index = backwards ? (index + n - 1) % n : (index + 1) % n;
    order[static_cast<size_t>(index)]->SetFocus();
    return true;
  }

  bool ChooseFocus(Fl_Window* window) {
    auto it = controls_.find(window);
    if (it == controls_.end()) return false;
    auto* form = static_cast<TForm*>(it->second);
    if (form->ActiveControl() == nullptr) form->SelectFirst();
    auto target = form->ActiveControl() != nullptr ? nodes_.find(form->ActiveControl()) : nodes_.end();
    if (target == nodes_.end()) return false;
    syncingFocus_ = true;
    if (!target->second.widget->take_focus()) Fl::focus(target->second.widget);
    syncingFocus_ = false;
    return true;
  }

  void ButtonClicked(Fl_Widget* widget) {
    auto it = controls_.find(widget);
    if (it != controls_.end()) it->second->Click();
  }

  void EditChanged(Fl_Widget* widget) {
    auto it = controls_.find(widget);
    if (it == controls_.end()) return;
    auto* edit = static_cast<TEdit*>(it->second);
    std::string typed = FromDisplay(static_cast<Fl_Input*>(widget)->value());
    if (typed == edit->Text()) return;
    syncingText_ = true;
    edit->SetText(typed);
    syncingText_ = false;
    // Keep the model's caret where the user's is.
    auto* input = static_cast<Fl_Input*>(widget);
    edit->SetSelStart(static_cast<int>(FromDisplay(std::string(input->value(), static_cast<size_t>(input->position())).c_str()).size()));
    edit->SetSelLength(0);
  }

  void WindowClosing(Fl_Widget* window) {
    // FLTK also calls this for an Escape no widget took; only the close
    // button closes a window.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    auto it = controls_.find(window);
    if (it == controls_.end()) return;
    static_cast<TForm*>(it->second)->Close();
  }

  void MenuPicked(void* data) {
    auto* item = static_cast<TMenuItem*>(data);
    // FLTK flips a check mark itself; the model's marks are shown again.
    ScheduleMenus();
    if (item == nullptr || liveItems_.count(item) == 0) return;
    item->Click();
  }

  bool BoundsOf(HWND handle, int& x, int& y, int& w, int& h) {
    if (handle == nullptr) return false;
    TForm* target = nullptr;
    if (handle == Application->Handle()) {
      target = Application->MainForm();
    } else {
      for (auto& entry : nodes_) {
        auto* win = dynamic_cast<TWinControl*>(entry.first);
        if (win != nullptr && win->Handle() == handle) {
          target = win->ParentForm();
          break;
        }
      }
    }
    if (target == nullptr) return false;
    auto it = nodes_.find(target);
    if (it != nodes_.end() && static_cast<Fl_Window*>(it->second.widget)->shown()) {
      const int border = BorderOf(target);
      const int caption = CaptionOf(target);
      Fl_Widget* window = it->second.widget;
      x = window->x() - border;
      y = window->y() - border - caption;
      w = window->w() + 2 * border;
      h = window->h() + 2 * border + caption;
    } else {
      x = target->Left();
      y = target->Top();
      w = target->Width();
      h = target->Height();
    }
    return true;
  }

 private:
  static int BorderOf(const TForm* form) { return form->BorderStyle() == bsNone ? 0 : kFormBorder; }
  static int CaptionOf(const TForm* form) { return form->BorderStyle() == bsNone ? 0 : kCaptionHeight; }
  static int MenuHeightOf(const TForm* form) { return form->Menu() != nullptr ? kMenuBarHeight : 0; }

  static TForm* TopForm(TControl* control) {
    auto* form = dynamic_cast<TForm*>(control);
    return form != nullptr && form->Parent() == nullptr ? form : nullptr;
  }

  // A change of a control that has no widget yet: a form that is shown gets
  // its window; a control that joins a parent with a widget gets its own.
  void NotBuilt(TControl* control, Change what) {
    if (TForm* form = TopForm(control)) {
      if (what == Change::Visible && form->Visible()) ShowForm(form);
      return;
    }
    TWinControl* parent = control->Parent();
    if (parent != nullptr && nodes_.count(parent) != 0 && GroupOf(parent) != nullptr) Build(control);
  }

  Fl_Group* GroupOf(TControl* control) {
    auto it = nodes_.find(control);
    if (it == nodes_.end()) return nullptr;
    switch (it->second.kind) {
      case Kind::Form:
      case Kind::Panel:
      case Kind::Group:
        return it->second.widget->as_group();
      default:
        return nullptr;
    }
  }

  // ---- building
  FormWindow* EnsureWindow(TForm* form) {
    auto it = nodes_.find(form);
    if (it != nodes_.end()) return static_cast<FormWindow*>(it->second.widget);
    EnsureDisplay();
    Fl_Group* saved = Fl_Group::current();
    Fl_Group::current(nullptr);
    auto* window = new FormWindow(std::max(1, form->ClientWidth()), std::max(1, form->ClientHeight()));
    window->end();
    Fl_Group::current(saved);
    window->resizable(nullptr);
    window->callback([](Fl_Widget* w, void* self) { static_cast<FltkBackend*>(self)->WindowClosing(w); }, this);
    Node node;
    node.kind = Kind::Form;
    node.widget = window;
    nodes_[form] = std::move(node);
    controls_[window] = form;
    SetUpMenuBar(form);
    for (int i = 0; i < form->ControlCount(); ++i) Build(form->Controls(i));
    ApplyCaption(form, nodes_[form]);
    ApplyColor(form, nodes_[form]);
    PlaceForm(form);
    return window;
  }

  Fl_Widget* Create(TControl* control, Kind& kind) {
    if (dynamic_cast<TPanel*>(control) != nullptr) {
      kind = Kind::Panel;
      auto* panel = new PanelGroup(0, 0, 1, 1);
      panel->end();
      panel->resizable(nullptr);
      panel->box(FL_FLAT_BOX);
      panel->align(FL_ALIGN_CENTER | FL_ALIGN_INSIDE);
      return panel;
    }
    if (dynamic_cast<TMemo*>(control) != nullptr) {
      kind = Kind::Memo;
      auto* memo = new MemoDisplay(0, 0, 1, 1);
      memo->box(FL_DOWN_BOX);
      memo->scrollbar_width(kScrollBarWidth);
      memo->scrollbar_align(FL_ALIGN_RIGHT);
      memo->cursor_style(Fl_Text_Display::CARET_CURSOR);
      memo->hide_cursor();
      return memo;
    }
    if (dynamic_cast<TProgressBar*>(control) != nullptr) {
      kind = Kind::Progress;
      auto* bar = new Fl_Progress(0, 0, 1, 1);
      bar->box(FL_THIN_DOWN_BOX);
      bar->selection_color(fl_rgb_color(0, 0, 128));
      return bar;
    }
    if (dynamic_cast<TButton*>(control) != nullptr) {
      kind = Kind::Button;
      auto* button = new PushButton(0, 0, 1, 1);
      button->box(FL_UP_BOX);
      button->down_box(FL_DOWN_BOX);
      button->callback([](Fl_Widget* w, void* self) { static_cast<FltkBackend*>(self)->ButtonClicked(w); }, this);
      return button;
    }
    if (dynamic_cast<TLabel*>(control) != nullptr) {
      kind = Kind::Label;
      auto* label = new LabelBox(0, 0, 1, 1);
      label->box(FL_NO_BOX);
      return label;
    }
    if (dynamic_cast<TEdit*>(control) != nullptr) {
      kind = Kind::Edit;
      auto* edit = new EditInput(0, 0, 1, 1);
      edit->box(FL_DOWN_BOX);
      edit->when(FL_WHEN_CHANGED);
      edit->callback([](Fl_Widget* w, void* self) { static_cast<FltkBackend*>(self)->EditChanged(w); }, this);
      return edit;
    }
    if (dynamic_cast<TWinControl*>(control) != nullptr) {
      kind = Kind::Group;
      auto* group = new ContainerGroup(0, 0, 1, 1);
      group->end();
      group->resizable(nullptr);
      return group;
    }
    kind = Kind::Other;
    return new Fl_Box(0, 0, 1, 1);
  }

  void Build(TControl* control) {
    if (nodes_.count(control) != 0) return;
    Fl_Group* parent = GroupOf(control->Parent());
    if (parent == nullptr) return;
    Fl_Group* saved = Fl_Group::current();
    Fl_Group::current(nullptr);
    Kind kind = Kind::Other;
    Fl_Widget* widget = Create(control, kind);
    Fl_Group::current(saved);
    parent->add(widget);
    Node node;
    node.kind = kind;
    node.widget = widget;
    nodes_[control] = std::move(node);
    controls_[widget] = control;
    Node& n = nodes_[control];
    ApplyFont(control, n);
    ApplyColor(control, n);
    ApplyCaption(control, n);
    ApplyStyle(control, n);
    ApplyEnabled(control, n);
    ApplyText(control, n);
    ApplyPosition(control, n);
    if (control->Visible()) {
      widget->show();
    } else {
      widget->hide();
    }
    Place(control);
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
      for (int i = 0; i < win->ControlCount(); ++i) Build(win->Controls(i));
    }
  }

  static void TabStops(TWinControl* parent, std::vector<TWinControl*>& out) {
    std::vector<TWinControl*> ordered;
    for (int i = 0; i < parent->ControlCount(); ++i) {
      if (auto* win = dynamic_cast<TWinControl*>(parent->Controls(i))) ordered.push_back(win);
    }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const TWinControl* a, const TWinControl* b) { return a->TabOrder() < b->TabOrder(); });
    for (TWinControl* win : ordered) {
      const bool focusable = dynamic_cast<TButton*>(win) != nullptr || dynamic_cast<TEdit*>(win) != nullptr ||
                             dynamic_cast<TMemo*>(win) != nullptr;
      if (focusable && win->TabStop() && win->CanFocus()) out.push_back(win);
      TabStops(win, out);
    }
  }

  // ---- geometry
  void PlaceForm(TForm* form) {
    auto it = nodes_.find(form);
    if (it == nodes_.end()) return;
    auto* window = static_cast<FormWindow*>(it->second.widget);
    const int w = std::max(1, form->ClientWidth());
    const int h = std::max(1, form->ClientHeight() + MenuHeightOf(form));
    window->resize(form->Left() + BorderOf(form), form->Top() + BorderOf(form) + CaptionOf(form), w, h);
    const bool sizeable = form->BorderStyle() == bsSizeable || form->BorderStyle() == bsSizeToolWin;
    if (sizeable) {
      window->size_range(1, 1);
    } else {
      window->size_range(w, h, w, h);
    }
    window->ForcePosition();
    if (it->second.bar != nullptr) it->second.bar->resize(0, 0, w, kMenuBarHeight);
    for (int i = 0; i < form->ControlCount(); ++i) Place(form->Controls(i));
    window->redraw();
  }

  // Window coordinates of a control's top left corner.
  void Origin(TControl* control, int& x, int& y) {
    x = 0;
    y = 0;
    TControl* c = control;
    for (; c != nullptr && TopForm(c) == nullptr; c = c->Parent()) {
      x += c->Left();
      y += c->Top();
    }
    if (TForm* form = c != nullptr ? TopForm(c) : nullptr) y += MenuHeightOf(form);
  }

  void Place(TControl* control) {
    auto it = nodes_.find(control);
    if (it == nodes_.end()) return;
    int x, y;
    Origin(control, x, y);
    Fl_Widget* widget = it->second.widget;
    widget->resize(x, y, std::max(0, control->Width()), std::max(0, control->Height()));
    if (it->second.kind == Kind::Memo) ApplyWrap(static_cast<TMemo*>(control), it->second);
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
      for (int i = 0; i < win->ControlCount(); ++i) Place(win->Controls(i));
    }
    widget->redraw();
    if (widget->parent() != nullptr) widget->parent()->redraw();
  }

  // ---- showing
  void ShowForm(TForm* form) {
    FormWindow* window = EnsureWindow(form);
    if (form->Modal()) {
      window->set_modal();
    } else {
      window->clear_modal_states();
    }
    window->show();
    SyncFocus(form);
  }

  void SyncFocus(TForm* form) {
    auto it = nodes_.find(form);
    if (it == nodes_.end() || !static_cast<Fl_Window*>(it->second.widget)->shown()) return;
    TWinControl* active = form->ActiveControl();
    auto target = active != nullptr ? nodes_.find(active) : nodes_.end();
    if (target == nodes_.end()) return;
    Fl_Widget* widget = target->second.widget;
    if (Fl::focus() == widget) return;
    syncingFocus_ = true;
    if (!widget->take_focus()) Fl::focus(widget);
    syncingFocus_ = false;
  }

  // ---- properties
  void Apply(TControl* control, Node& node, Change what) {
    switch (what) {
      case Change::Bounds:
        if (node.kind == Kind::Form) {
          PlaceForm(static_cast<TForm*>(control));
        } else {
          Place(control);
        }
        break;
      case Change::Visible:
        ApplyVisible(control, node);
        break;
      case Change::Enabled:
        ApplyEnabled(control, node);
        break;
      case Change::Caption:
        ApplyCaption(control, node);
        break;
      case Change::Text:
        ApplyText(control, node);
        break;
      case Change::Font:
        ApplyFont(control, node);
        break;
      case Change::Color:
        ApplyColor(control, node);
        break;
      case Change::Parent:
        Reparent(control, node);
        break;
      case Change::Style:
        ApplyStyle(control, node);
        break;
      case Change::Focus:
        if (node.kind == Kind::Form) SyncFocus(static_cast<TForm*>(control));
        break;
      case Change::Selection:
      case Change::Scroll:
        ApplySelection(control, node);
        break;
      case Change::Position:
        ApplyPosition(control, node);
        break;
      case Change::Items:
        if (node.kind == Kind::Form) {
          SetUpMenuBar(static_cast<TForm*>(control));
          PlaceForm(static_cast<TForm*>(control));
        }
        break;
    }
  }

  void ApplyVisible(TControl* control, Node& node) {
    if (node.kind == Kind::Form) {
      if (control->Visible()) {
        ShowForm(static_cast<TForm*>(control));
      } else {
        node.widget->hide();
      }
      return;
    }
    if (control->Visible()) {
      node.widget->show();
    } else {
      node.widget->hide();
    }
    if (node.widget->parent() != nullptr) node.widget->parent()->redraw();
  }

  void ApplyEnabled(TControl* control, Node& node) {
    if (control->Enabled()) {
      node.widget->activate();
    } else {
      node.widget->deactivate();
    }
  }

  void ApplyCaption(TControl* control, Node& node) {
    switch (node.kind) {
      case Kind::Form: {
        const std::string caption = ToDisplay(control->Caption());
        auto* window = static_cast<Fl_Window*>(node.widget);
        if (window->label() == nullptr || caption != window->label()) window->copy_label(caption.c_str());
        break;
      }
      case Kind::Button:
      case Kind::Panel:
        node.widget->copy_label(LabelText(ToDisplay(control->Caption())).c_str());
        break;
      case Kind::Label: {
        auto* label = static_cast<LabelBox*>(node.widget);
        label->text = ToDisplay(static_cast<TLabel*>(control)->DisplayText());
        label->redraw();
        if (label->parent() != nullptr) label->parent()->redraw();
        break;
      }
      default:
        break;
    }
  }

  void ApplyFont(TControl* control, Node& node) {
    const TFont& font = *control->Font;
    const Fl_Font face = FaceOf(font);
    const int size = PixelSizeOf(font);
    const Fl_Color color = ColorOf(font.Color());
    switch (node.kind) {
      case Kind::Button:
      case Kind::Panel:
        node.widget->labelfont(face);
        node.widget->labelsize(size);
        node.widget->labelcolor(color);
        break;
      case Kind::Label: {
        auto* label = static_cast<LabelBox*>(node.widget);
        label->face = face;
        label->size = size;
        label->labelcolor(color);
        break;
      }
      case Kind::Memo: {
        auto* memo = static_cast<MemoDisplay*>(node.widget);
        memo->textfont(face);
        memo->textsize(size);
        memo->textcolor(color);
        ApplyWrap(static_cast<TMemo*>(control), node);
        break;
      }
      case Kind::Edit: {
        auto* edit = static_cast<EditInput*>(node.widget);
        edit->textfont(face);
        edit->textsize(size);
        edit->textcolor(color);
        break;
      }
      default:
        break;
    }
    node.widget->redraw();
  }

  void ApplyColor(TControl* control, Node& node) {
    node.widget->color(ColorOf(control->Color()));
    node.widget->redraw();
  }

  void ApplyStyle(TControl* control, Node& node) {
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
      if (node.kind != Kind::Form && node.kind != Kind::Panel && node.kind != Kind::Group) {
        if (win->TabStop()) {
          node.widget->set_visible_focus();
        } else {
          node.widget->clear_visible_focus();
        }
      }
    }
    switch (node.kind) {
      case Kind::Form:
        PlaceForm(static_cast<TForm*>(control));
        break;
      case Kind::Panel: {
        auto* model = static_cast<TPanel*>(control);
        auto* panel = static_cast<PanelGroup*>(node.widget);
        panel->outer = model->BevelOuter();
        panel->inner = model->BevelInner();
        panel->bevelWidth = model->BevelWidth();
        panel->borderWidth = model->BorderWidth();
        panel->redraw();
        break;
      }
      case Kind::Button: {
        auto* button = static_cast<PushButton*>(node.widget);
        button->isDefault = static_cast<TButton*>(control)->Default();
        button->redraw();
        break;
      }
      case Kind::Memo: {
        auto* model = static_cast<TMemo*>(control);
        auto* memo = static_cast<MemoDisplay*>(node.widget);
        const bool vertical = model->ScrollBars() == ssVertical || model->ScrollBars() == ssBoth;
        memo->scrollbar_width(vertical ? kScrollBarWidth : 0);
        ApplyWrap(model, node);
        break;
      }
      case Kind::Edit: {
        auto* model = static_cast<TEdit*>(control);
        static_cast<EditInput*>(node.widget)->maximum_size(model->MaxLength() > 0 ? model->MaxLength() : 32767);
        break;
      }
      default:
        break;
    }
  }

  // The memo wraps exactly at the model's inner width, so that the lines the
  // model counts are the lines on the screen.
  void ApplyWrap(TMemo* model, Node& node) {
    auto* memo = static_cast<MemoDisplay*>(node.widget);
    if (model->WordWrap()) {
      memo->wrap_mode(Fl_Text_Display::WRAP_AT_PIXEL, std::max(1, model->InnerWidth()));
    } else {
      memo->wrap_mode(Fl_Text_Display::WRAP_NONE, 0);
    }
    ApplySelection(model, node);
  }

  void ApplyText(TControl* control, Node& node) {
    if (node.kind == Kind::Memo) {
      auto* model = static_cast<TMemo*>(control);
      auto* memo = static_cast<MemoDisplay*>(node.widget);
      memo->text->text(ToDisplay(model->Text()).c_str());
      ApplySelection(control, node);
    } else if (node.kind == Kind::Edit) {
      if (syncingText_) return;
      auto* model = static_cast<TEdit*>(control);
      auto* edit = static_cast<EditInput*>(node.widget);
      if (FromDisplay(edit->value()) != model->Text()) edit->value(ToDisplay(model->Text()).c_str());
      ApplySelection(control, node);
    }
  }

  void ApplySelection(TControl* control, Node& node) {
    if (node.kind == Kind::Memo) {
      auto* model = static_cast<TMemo*>(control);
      auto* memo = static_cast<MemoDisplay*>(node.widget);
      const std::string& text = model->Text();
      const int start = DisplayOffset(text, model->SelStart());
      const int end = DisplayOffset(text, model->SelStart() + model->SelLength());
      memo->insert_position(start);
      if (end > start) {
        memo->text->select(start, end);
      } else {
        memo->text->unselect();
      }
      memo->scroll(model->TopLine() + 1, 0);
    } else if (node.kind == Kind::Edit) {
      if (syncingText_) return;
      auto* model = static_cast<TEdit*>(control);
      auto* edit = static_cast<EditInput*>(node.widget);
      const std::string& text = model->Text();
      edit->position(DisplayOffset(text, model->SelStart() + model->SelLength()), DisplayOffset(text, model->SelStart()));
    }
  }

  void ApplyPosition(TControl* control, Node& node) {
    if (node.kind != Kind::Progress) return;
    auto* model = static_cast<TProgressBar*>(control);
    auto* bar = static_cast<Fl_Progress*>(node.widget);
    bar->minimum(static_cast<float>(model->Min()));
    bar->maximum(static_cast<float>(model->Max() > model->Min() ? model->Max() : model->Min() + 1));
    bar->value(static_cast<float>(model->Position()));
  }

  void Reparent(TControl* control, Node& node) {
    Fl_Widget* widget = node.widget;
    Fl_Group* target = GroupOf(control->Parent());
    if (target == nullptr) {
      // No parent with a widget: the control is not drawn until it has one.
      Forget(control);
      if (widget->parent() != nullptr) widget->parent()->remove(widget);
      widget->hide();
      Fl::delete_widget(widget);
      return;
    }
    if (widget->parent() != target) {
      if (widget->parent() != nullptr) widget->parent()->remove(widget);
      target->add(widget);
    }
    Place(control);
  }

  // Drops the widgets of a control and of everything inside it from the maps
  // (the control's own widget deletes the others with itself).
  void Forget(TControl* control) {
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
      for (int i = 0; i < win->ControlCount(); ++i) Forget(win->Controls(i));
    }
    auto it = nodes_.find(control);
    if (it == nodes_.end()) return;
    controls_.erase(it->second.widget);
    nodes_.erase(it);
  }

  // ---- menus
  void SetUpMenuBar(TForm* form) {
    Node& node = nodes_[form];
    auto* window = static_cast<Fl_Group*>(node.widget);
    if (form->Menu() != nullptr && node.bar == nullptr) {
      Fl_Group* saved = Fl_Group::current();
      Fl_Group::current(nullptr);
      node.bar = new MenuBar(0, 0, std::max(1, form->ClientWidth()), kMenuBarHeight);
      Fl_Group::current(saved);
      node.bar->box(FL_FLAT_BOX);
      node.bar->down_box(FL_THIN_UP_BOX);
      node.bar->color(ColorOf(clBtnFace));
      node.bar->textfont(SystemFace());
      node.bar->textsize(SystemSize());
      window->insert(*node.bar, 0);
    } else if (form->Menu() == nullptr && node.bar != nullptr) {
      window->remove(node.bar);
      node.bar->menu(nullptr);
      Fl::delete_widget(node.bar);
      node.bar = nullptr;
      Retire(std::move(node.menu));
    }
    ScheduleMenus();
  }

  void ScheduleMenus() {
    if (menusPending_ || exiting_) return;
    menusPending_ = true;
    Fl::add_timeout(0.0, [](void* self) { static_cast<FltkBackend*>(self)->RebuildMenus(); }, this);
  }

  void RebuildMenus() {
    menusPending_ = false;
    for (auto& entry : nodes_) {
      if (entry.second.kind != Kind::Form || entry.second.bar == nullptr) continue;
      TMainMenu* menu = static_cast<TForm*>(entry.first)->Menu();
      if (menu == nullptr) continue;
      auto arrays = std::make_unique<MenuArrays>();
      Collect(menu->Items, *arrays);
      arrays->items.push_back(Fl_Menu_Item());
      entry.second.bar->menu(arrays->items.data());
      entry.second.bar->redraw();
      Retire(std::move(entry.second.menu));
      entry.second.menu = std::move(arrays);
    }
    if (MenuBar::openMenus == 0) retired_.clear();
  }

  // The entries a menu shows; hidden entries (and what lies in them) are
  // left out, so that neither a click nor an accelerator can reach them.
  void Collect(TMenuItem* parent, MenuArrays& out) {
    // When one entry of a menu carries a check mark, every plain entry of it
    // gets the check column, so that the captions stay in line.
    bool anyChecked = false;
    for (int i = 0; i < parent->Count(); ++i) {
      anyChecked = anyChecked || (parent->Items(i)->Visible() && parent->Items(i)->Checked());
    }
    for (int i = 0; i < parent->Count(); ++i) {
      TMenuItem* item = parent->Items(i);
      if (!item->Visible()) continue;
      if (item->IsLine()) {
        if (!out.items.empty()) out.items.back().flags |= FL_MENU_DIVIDER;
        continue;
      }
      liveItems_.insert(item);
      out.labels.push_back(LabelText(ToDisplay(item->Caption())));
      Fl_Menu_Item entry = Fl_Menu_Item();
      entry.text = out.labels.back().c_str();
      entry.callback_ = [](Fl_Widget*, void* data) { Self().MenuPicked(data); };
      entry.user_data_ = item;
      entry.labelfont_ = SystemFace();
      entry.labelsize_ = SystemSize();
      if (!item->Enabled()) entry.flags |= FL_MENU_INACTIVE;
      bool hasVisibleChild = false;
      for (int k = 0; k < item->Count(); ++k) hasVisibleChild = hasVisibleChild || item->Items(k)->Visible();
      if (hasVisibleChild) {
        entry.flags |= FL_SUBMENU;
        out.items.push_back(entry);
        Collect(item, out);
        out.items.push_back(Fl_Menu_Item());
      } else {
        if (anyChecked) entry.flags |= FL_MENU_TOGGLE;
        if (item->Checked()) entry.flags |= FL_MENU_TOGGLE | FL_MENU_VALUE;
        out.items.push_back(entry);
      }
    }
  }

  void Retire(std::unique_ptr<MenuArrays> arrays) {
    if (arrays) retired_.push_back(std::move(arrays));
  }

  // ---- exit
  void ArmExitGuard() {
    if (exitGuardArmed_) return;
    exitGuardArmed_ = true;
    // Registered after the toolkit's own clean-up, so it runs before it:
    // the forms destroyed at process exit leave their windows to the end of
    // the process instead of tearing them down one by one.
    std::atexit([] { Self().exiting_ = true; });
  }

 public:
  static FltkBackend& Self();

 private:
  std::unordered_map<TControl*, Node> nodes_;
  std::unordered_map<Fl_Widget*, TControl*> controls_;
  std::unordered_set<TMenuItem*> liveItems_;
  std::vector<std::unique_ptr<MenuArrays>> retired_;
  bool menusPending_ = false;
  bool syncingFocus_ = false;
  bool syncingText_ = false;
  bool exitGuardArmed_ = false;
  bool exiting_ = false;
};

FltkBackend& FltkBackend::Self() {
  // Never destroyed: forms destroyed at process exit still report to it.
  static FltkBackend* backend = new FltkBackend;
  return *backend;
}

}  // namespace

void ServeOnce() {
  Fl::wait(1.0);
  if (HasSynchronizedCalls()) RunSynchronizedCalls();
}

bool ApplicationEnding() { return Application->Terminated(); }

bool WindowBoundsOf(HWND handle, int& x, int& y, int& w, int& h) {
  return FltkBackend::Self().BoundsOf(handle, x, y, w, h);
}

void Install() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  FltkBackend& backend = FltkBackend::Self();
  // Makes Fl::awake usable from the tick thread.
  Fl::lock();
  SetBackend(&backend);
  SetTimerService(&FltkTimers());
  platform::SetMessageBoxHandler(
      [](HWND owner, const char* text, const char* caption, UINT type) { return MessageBox(owner, text, caption, type); });
  platform::SetWorkAreaHandler([] {
    int x, y, w, h;
    EnsureDisplay();
    Fl::screen_work_area(x, y, w, h, 0);
    RECT area;
    area.left = x;
    area.top = y;
    area.right = x + w;
    area.bottom = y + h;
    return area;
  });
  Events().focused = [](Fl_Widget* widget) { FltkBackend::Self().Focused(widget); };
  Events().dialogKey = [](Fl_Window* window, int key) { return FltkBackend::Self().DialogKey(window, key); };
  Events().navigate = [](Fl_Window* window, bool backwards) { return FltkBackend::Self().Navigate(window, backwards); };
  Events().chooseFocus = [](Fl_Window* window) { return FltkBackend::Self().ChooseFocus(window); };
}

}  // namespace fltk
}  // namespace toolkit

extern "C" void flash_toolkit_fltk_installer() { toolkit::fltk::Install(); }

namespace {
// The program's backend is in place before any static object of the program
// or its entry can ask for it.
struct AutoInstall {
  AutoInstall() { toolkit::fltk::Install(); }
} g_autoInstall;
}  // namespace
