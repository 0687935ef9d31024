#include "toolkit/Menus.h"

#include <algorithm>

#include "toolkit/Forms.h"

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  toolkit::CurrentBackend().MenuDestroying(this);
  while (!items_.empty()) delete items_.back();
  if (parent_ != nullptr) parent_->Remove(this);
}

void TMenuItem::SetCaption(const std::string& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  Changed(toolkit::Change::Caption);
}

void TMenuItem::SetChecked(bool value) {
  if (checked_ == value) return;
  checked_ = value;
  Changed(toolkit::Change::Style);
}

void TMenuItem::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  Changed(toolkit::Change::Visible);
}

void TMenuItem::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  Changed(toolkit::Change::Enabled);
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (item == nullptr || item == this) return;
  // An entry cannot become a sub-entry of its own sub-entries.
  for (TMenuItem* p = this; p != nullptr; p = p->parent_) {
    if (p == item) return;
  }
  if (item->parent_ != nullptr) item->parent_->Remove(item);
  if (index < 0) index = 0;
  if (index > Count()) index = Count();
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  Changed(toolkit::Change::Items);
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
  Changed(toolkit::Change::Items);
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMainMenu* TMenuItem::Menu() const {
  const TMenuItem* root = this;
  while (root->parent_ != nullptr) root = root->parent_;
  return root->menu_;
}

std::string TMenuItem::DisplayCaption() const { return toolkit::StripHotkey(caption_); }

char TMenuItem::Accelerator() const { return toolkit::HotkeyOf(caption_); }

void TMenuItem::Click() {
  if (!enabled_ || !OnClick) return;
  TNotifyEvent handler = OnClick;
  handler(this);
}

void TMenuItem::Changed(toolkit::Change what) { toolkit::CurrentBackend().MenuChanged(this, what); }

TMainMenu::TMainMenu(TComponent* owner) : TComponent(owner), Items(new TMenuItem(nullptr)) { Items->menu_ = this; }

TMainMenu::~TMainMenu() {
  if (form_ != nullptr && form_->Menu() == this) form_->SetMenu(nullptr);
  delete Items;
}

namespace toolkit {

std::string StripHotkey(const std::string& caption) {
  std::string out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += caption[i];
  }
  return out;
}

char HotkeyOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return caption[i + 1];
  }
  return 0;
}

}  // namespace toolkit
