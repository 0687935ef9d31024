// Standard controls: push button, label, edit box and memo.
#pragma once

#include <string>
#include <vector>

#include "toolkit/Controls.h"

// Modal results (a button's ModalResult is given to its form when clicked).
const int mrNone = 0;
const int mrOk = 1;
const int mrCancel = 2;
const int mrAbort = 3;
const int mrRetry = 4;
const int mrIgnore = 5;
const int mrYes = 6;
const int mrNo = 7;

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);

  // Enter presses the default button of a form (unless another button has
  // the focus); Escape presses the cancel button.
  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value);

  int ModalResult() const { return modalResult_; }
  void SetModalResult(int value) { modalResult_ = value; }

  // Gives the form the button's ModalResult, then fires OnClick. Works
  // whether or not the button is enabled (as a program's call does); a user's
  // click reaches only an enabled, showing button.
  void Click() override;

 protected:
  bool Focusable() const override { return true; }

 private:
  bool default_ = false;
  bool cancel_ = false;
  int modalResult_ = mrNone;
};

// A text that sizes itself to its caption (AutoSize). With ShowAccelChar an
// "&" marks the next character as the accelerator and is not shown ("&&"
// shows one "&"); without it every "&" is shown as it is.
class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* owner);

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);

  // The text as displayed.
  std::string DisplayText() const;

 protected:
  void FontChanged() override { Adjust(); }
  void CaptionChanged() override { Adjust(); }

 private:
  void Adjust();

  bool autoSize_ = true;
  bool showAccelChar_ = true;
};

// A one-line edit box. MaxLength limits what the user types (0: no limit); a
// program's SetText is not limited.
class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* owner);

  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int value);

  int SelStart() const { return selStart_; }
  int SelLength() const { return selLength_; }
  void SetSelStart(int value);
  void SetSelLength(int value);
  void SelectAll();

  // Takes the focus and, as the toolkit does for an edit box that gains the
  // focus, selects the whole text.
  void SetFocus() override;

  // What the user types: replaces the selection character by character,
  // stopping at MaxLength (a double-byte character is typed whole or not at
  // all).
  void TypeText(const std::string& text);

  TNotifyEvent OnChange;

 protected:
  bool Focusable() const override { return true; }

 private:
  std::string text_;
  int maxLength_ = 0;
  int selStart_ = 0;
  int selLength_ = 0;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo;

// The lines of a memo as it displays them: with WordWrap a long line is
// shown, counted and deleted as the several lines it wraps into.
class TMemoLines : public TStrings {
 public:
  explicit TMemoLines(TMemo* memo) : memo_(memo) {}

  // Displayed lines; an empty last line (after a final CR LF) is not counted.
  int Count() const override;
  std::string Strings(int index) const override;
  // Replaces the characters of displayed line `index`.
  void Put(int index, const std::string& text) override;
  // Adds `text` as a new last line.
  int Add(const std::string& text) override;
  // Removes displayed line `index` with the line break after it (a wrapped
  // line loses only its displayed part).
  void Delete(int index) override;
  void Clear() override;
  // Text (inherited) is the displayed lines each followed by CR LF; SetText
  // replaces the memo's whole text.
  void SetText(const std::string& text) override;

 private:
  TMemo* memo_;
};

// A multi-line text box. Its text is kept as it is set; Lines shows it as
// displayed lines (logical lines end at CR LF; with WordWrap each is wrapped
// at InnerWidth() by the backend's metrics).
class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent* owner);
  ~TMemo() override;

  TStrings* const Lines;

  const std::string& Text() const { return text_; }
  // Replaces the whole text; the caret goes to the start and the view to the
  // first line.
  void SetText(const std::string& text);

  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle value);
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool value);

  // Caret and selection, in bytes of Text() (CR LF counts two).
  int SelStart() const { return selStart_; }
  int SelLength() const { return selLength_; }
  void SetSelStart(int value);
  void SetSelLength(int value);

  // Scrolls the view so that the caret's line is displayed.
  void ScrollCaret();

  // Width available to the text: Width - 2 x edit border - the vertical
  // scroll bar's width when there is one.
  int InnerWidth() const;
  // Lines the memo has room for: (Height - 2 x edit border) / line height,
  // at least 1.
  int VisibleLineCount() const;
  // First displayed line in view.
  int TopLine() const { return topLine_; }
  // Displayed line the caret is on (the empty line after a final CR LF
  // counts here).
  int CaretLine() const;

  // Every displayed line as (offset, length) in Text(), including the empty
  // last line after a final CR LF.
  struct Segment {
    int start;
    int length;
  };
  const std::vector<Segment>& Segments() const;

 protected:
  bool Focusable() const override { return true; }
  bool WantsReturn() const override { return wantReturns_; }
  void FontChanged() override { Invalidate(); }

 private:
  friend class TMemoLines;
  void Replace(int start, int length, const std::string& text);
  void Invalidate();
  void ClampView();

  std::string text_;
  bool readOnly_ = false;
  bool wordWrap_ = true;
  bool wantReturns_ = true;
  TScrollStyle scrollBars_ = ssNone;
  int selStart_ = 0;
  int selLength_ = 0;
  int topLine_ = 0;
  mutable bool valid_ = false;
  mutable int wrapWidth_ = 0;
  mutable std::vector<Segment> segments_;
};
