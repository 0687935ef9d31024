// Controls: the visible model objects behind which a backend draws.
//
// Geometry is in pixels relative to the parent's client area (a form's is
// below its caption and menu bar). A control is owned by its owner and shown
// inside its parent; destroying either destroys it. Every change of a
// property that a backend draws is reported to the active backend
// (toolkit/Backend.h).
#pragma once

#include <string>
#include <vector>

#include "platform/winapi.h"
#include "toolkit/Backend.h"
#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"

class TWinControl;
class TForm;

// Input method editor mode of a windowed control.
enum TImeMode { imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata, imKata, imChinese, imSHanguel, imHanguel };

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
  void SetTop(int value) { SetBounds(left_, value, width_, height_); }
  void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
  void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
  virtual void SetBounds(int left, int top, int width, int height);

  // Size of the area children are placed in; the whole control unless a
  // derived class has a frame (a form).
  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }
  virtual void SetClientWidth(int value) { SetWidth(value); }
  virtual void SetClientHeight(int value) { SetHeight(value); }

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and every parent visible.
  bool Showing() const;

  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool value);
  // Enabled, and every parent enabled.
  bool EffectivelyEnabled() const;

  const std::string& Caption() const { return caption_; }
  virtual void SetCaption(const std::string& caption);

  TColor Color() const { return color_; }
  void SetColor(TColor color);

  // The control's font. While ParentFont is true the font follows the
  // parent's; changing the font makes ParentFont false.
  TFont* const Font;
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool value);

  // The form this control lies on (the control itself for a form).
  TForm* ParentForm() const;

  // The click event; Click() fires it.
  TNotifyEvent OnClick;
  virtual void Click();

 protected:
  // Reports a change of this control to the backend.
  void Changed(toolkit::Change what) const;
  // The parent's font changed (or the parent did).
  void ParentFontChanged();
  // Called after the font changed (whatever the reason).
  virtual void FontChanged() {}
  virtual void CaptionChanged() {}

  bool destroying_ = false;

 private:
  friend class TWinControl;
  void OwnFontChanged();

  TWinControl* parent_ = nullptr;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  std::string caption_;
  TColor color_ = clBtnFace;
  bool parentFont_ = true;
  bool followingParent_ = false;
};

// A control with a window of its own: it can hold child controls and take the
// keyboard focus.
class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }

  // The window handle (unique per control; owner of message boxes).
  HWND Handle() const { return handle_; }

  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool value);
  // Position among the parent's windowed children when Tab moves on.
  int TabOrder() const;
  void SetTabOrder(int order);

  TImeMode ImeMode() const { return imeMode_; }
  void SetImeMode(TImeMode mode);

  // Showing and effectively enabled.
  bool CanFocus() const;
  // Gives this control the keyboard focus of its form (nothing when it
  // cannot take the focus).
  virtual void SetFocus();
  bool Focused() const;

 protected:
  // Whether Enter goes to this control instead of the default button.
  virtual bool WantsReturn() const { return false; }
  // A focusable control: buttons, edit boxes, memos.
  virtual bool Focusable() const { return false; }

 private:
  friend class TControl;
  friend class TForm;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);

  HWND handle_;
  std::vector<TControl*> controls_;
  std::vector<TWinControl*> tabList_;
  bool tabStop_ = false;
  TImeMode imeMode_ = imDontCare;
};
