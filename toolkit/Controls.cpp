#include "toolkit/Controls.h"

#include <algorithm>

#include "toolkit/Forms.h"

// ---- TControl ----------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner), Font(new TFont) {
  Font->OnChange = [this](TFont*) { OwnFontChanged(); };
}

TControl::~TControl() {
  destroying_ = true;
  toolkit::CurrentBackend().ControlDestroying(this);
  if (parent_ != nullptr) parent_->RemoveControl(this);
  Font->OnChange = nullptr;
  delete Font;
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_ || parent == this) return;
  if (parent_ != nullptr) parent_->RemoveControl(this);
  if (parent != nullptr) parent->InsertControl(this);
  ParentFontChanged();
  Changed(toolkit::Change::Parent);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Changed(toolkit::Change::Bounds);
}

void TControl::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  Changed(toolkit::Change::Visible);
}

bool TControl::Showing() const {
  for (const TControl* c = this; c != nullptr; c = c->parent_) {
    if (!c->visible_) return false;
  }
  return true;
}

void TControl::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  Changed(toolkit::Change::Enabled);
}

bool TControl::EffectivelyEnabled() const {
  for (const TControl* c = this; c != nullptr; c = c->parent_) {
    if (!c->enabled_) return false;
  }
  return true;
}

void TControl::SetCaption(const std::string& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  CaptionChanged();
  Changed(toolkit::Change::Caption);
}

void TControl::SetColor(TColor color) {
  if (color_ == color) return;
  color_ = color;
  Changed(toolkit::Change::Color);
}

void TControl::SetParentFont(bool value) {
  parentFont_ = value;
  if (value) ParentFontChanged();
}

TForm* TControl::ParentForm() const {
  const TControl* top = this;
  while (top->parent_ != nullptr) top = top->parent_;
  return dynamic_cast<TForm*>(const_cast<TControl*>(top));
}

void TControl::Click() {
  if (OnClick) {
    // A copy: the handler may destroy this control.
    TNotifyEvent handler = OnClick;
    handler(this);
  }
}

void TControl::Changed(toolkit::Change what) const {
  if (destroying_) return;
  toolkit::CurrentBackend().ControlChanged(const_cast<TControl*>(this), what);
}

void TControl::ParentFontChanged() {
  if (!parentFont_ || parent_ == nullptr) return;
  followingParent_ = true;
  Font->Assign(*parent_->Font);
  followingParent_ = false;
}

void TControl::OwnFontChanged() {
  if (!followingParent_) parentFont_ = false;
  FontChanged();
  Changed(toolkit::Change::Font);
  if (auto* self = dynamic_cast<TWinControl*>(this)) {
    for (TControl* child : self->controls_) child->ParentFontChanged();
  }
}

// ---- TWinControl -------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner), handle_(reinterpret_cast<HWND>(this)) {}

TWinControl::~TWinControl() {
  destroying_ = true;
  // Children go with their parent, whoever owns them.
  while (!controls_.empty()) delete controls_.back();
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  control->parent_ = this;
  if (auto* win = dynamic_cast<TWinControl*>(control)) tabList_.push_back(win);
}

void TWinControl::RemoveControl(TControl* control) {
  if (TForm* form = ParentForm()) form->ControlRemoved(control);
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it != controls_.end()) controls_.erase(it);
  auto tab = std::find(tabList_.begin(), tabList_.end(), control);
  if (tab != tabList_.end()) tabList_.erase(tab);
  control->parent_ = nullptr;
}

void TWinControl::SetTabStop(bool value) {
  if (tabStop_ == value) return;
  tabStop_ = value;
  Changed(toolkit::Change::Style);
}

int TWinControl::TabOrder() const {
  TWinControl* parent = Parent();
  if (parent == nullptr) return -1;
  auto it = std::find(parent->tabList_.begin(), parent->tabList_.end(), this);
  return it == parent->tabList_.end() ? -1 : static_cast<int>(it - parent->tabList_.begin());
}

void TWinControl::SetTabOrder(int order) {
  TWinControl* parent = Parent();
  if (parent == nullptr) return;
  auto& list = parent->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  if (order < 0) order = 0;
  if (order > static_cast<int>(list.size())) order = static_cast<int>(list.size());
  list.insert(list.begin() + order, this);
}

void TWinControl::SetImeMode(TImeMode mode) {
  if (imeMode_ == mode) return;
  imeMode_ = mode;
  Changed(toolkit::Change::Style);
}

bool TWinControl::CanFocus() const { return Showing() && EffectivelyEnabled(); }

void TWinControl::SetFocus() {
  TForm* form = ParentForm();
  if (form == nullptr || !CanFocus()) return;
  form->SetActiveControl(this);
}

bool TWinControl::Focused() const {
  TForm* form = ParentForm();
  return form != nullptr && form->ActiveControl() == this;
}
