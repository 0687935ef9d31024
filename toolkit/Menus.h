// The main menu and its entries.
#pragma once

#include <string>
#include <vector>

#include "toolkit/Backend.h"
#include "toolkit/Classes.h"

class TForm;
class TMainMenu;

// A menu entry. An entry with sub-entries opens a menu; the entries of the
// root entry of a main menu (TMainMenu::Items) are on the menu bar. The
// caption is kept as given: an "&" marks the next character as the
// accelerator ("&&" is a literal "&"); the caption "-" is a separator line.
// An entry destroys its sub-entries with itself; an entry destroyed on its own
// leaves its parent entry.
class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);

  // Sub-entries.
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
  // Appends `item` (taking it from its previous parent entry).
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  void Remove(TMenuItem* item);
  int IndexOf(const TMenuItem* item) const;
  TMenuItem* Parent() const { return parent_; }
  // The main menu this entry belongs to, if any.
  TMainMenu* Menu() const;

  // The caption as displayed (accelerator marks removed) and the accelerator
  // character (0 if none).
  std::string DisplayCaption() const;
  char Accelerator() const;
  bool IsLine() const { return caption_ == "-"; }

  // Fires OnClick when the entry is enabled (as the toolkit does).
  TNotifyEvent OnClick;
  virtual void Click();

 private:
  friend class TMainMenu;
  void Changed(toolkit::Change what);

  TMenuItem* parent_ = nullptr;
  TMainMenu* menu_ = nullptr;  // set on the root entry only
  std::vector<TMenuItem*> items_;
  std::string caption_;
  bool checked_ = false;
  bool visible_ = true;
  bool enabled_ = true;
};

// A form's menu bar: the entries of Items are the menus on the bar.
class TMainMenu : public TComponent {
 public:
  explicit TMainMenu(TComponent* owner);
  ~TMainMenu() override;

  TMenuItem* const Items;

  // The form whose menu bar this is (null: none).
  TForm* Form() const { return form_; }

 private:
  friend class TForm;
  TForm* form_ = nullptr;
};

namespace toolkit {
// `caption` without its accelerator marks ("&&" gives "&").
std::string StripHotkey(const std::string& caption);
// The character after the first single "&", or 0.
char HotkeyOf(const std::string& caption);
}  // namespace toolkit
