#include "toolkit/StdCtrls.h"

#include <algorithm>
#include <stdexcept>

#include "toolkit/Forms.h"
#include "toolkit/Menus.h"

namespace {

int Clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

}  // namespace

// ---- TButton -------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool value) {
  if (default_ == value) return;
  default_ = value;
  Changed(toolkit::Change::Style);
}

void TButton::SetCancel(bool value) {
  if (cancel_ == value) return;
  cancel_ = value;
  Changed(toolkit::Change::Style);
}

void TButton::Click() {
  if (TForm* form = ParentForm()) form->SetModalResult(modalResult_);
  TControl::Click();
}

// ---- TLabel --------------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TControl(owner) { Adjust(); }

void TLabel::SetAutoSize(bool value) {
  if (autoSize_ == value) return;
  autoSize_ = value;
  Adjust();
}

void TLabel::SetShowAccelChar(bool value) {
  if (showAccelChar_ == value) return;
  showAccelChar_ = value;
  Adjust();
  Changed(toolkit::Change::Caption);
}

std::string TLabel::DisplayText() const { return showAccelChar_ ? toolkit::StripHotkey(Caption()) : Caption(); }

void TLabel::Adjust() {
  if (!autoSize_) return;
  TCanvas canvas(Font);
  std::string text = DisplayText();
  SetBounds(Left(), Top(), canvas.TextWidth(text), canvas.TextHeight(text));
}

// ---- TEdit ---------------------------------------------------------------------

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetBounds(0, 0, 121, 21);
}

void TEdit::SetText(const std::string& text) {
  if (text_ == text) return;
  text_ = text;
  selStart_ = 0;
  selLength_ = 0;
  Changed(toolkit::Change::Text);
  if (OnChange) {
    TNotifyEvent handler = OnChange;
    handler(this);
  }
}

void TEdit::SetMaxLength(int value) {
  maxLength_ = value < 0 ? 0 : value;
  Changed(toolkit::Change::Style);
}

void TEdit::SetSelStart(int value) {
  selStart_ = Clamp(value, 0, static_cast<int>(text_.size()));
  selLength_ = 0;
  Changed(toolkit::Change::Selection);
}

void TEdit::SetSelLength(int value) {
  selLength_ = Clamp(value, 0, static_cast<int>(text_.size()) - selStart_);
  Changed(toolkit::Change::Selection);
}

void TEdit::SelectAll() {
  selStart_ = 0;
  selLength_ = static_cast<int>(text_.size());
  Changed(toolkit::Change::Selection);
}

void TEdit::SetFocus() {
  TWinControl::SetFocus();
  if (Focused()) SelectAll();
}

void TEdit::TypeText(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    size_t len = (i + 1 < text.size() && IsDBCSLeadByte(static_cast<BYTE>(text[i]))) ? 2 : 1;
    size_t kept = text_.size() - static_cast<size_t>(selLength_);
    if (maxLength_ > 0 && kept + len > static_cast<size_t>(maxLength_)) break;
    text_.replace(static_cast<size_t>(selStart_), static_cast<size_t>(selLength_), text, i, len);
    selStart_ += static_cast<int>(len);
    selLength_ = 0;
    i += len;
    Changed(toolkit::Change::Text);
    if (OnChange) {
      TNotifyEvent handler = OnChange;
      handler(this);
    }
  }
}

// ---- TMemo ---------------------------------------------------------------------

TMemo::TMemo(TComponent* owner) : TWinControl(owner), Lines(new TMemoLines(this)) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 185, 89);
}

TMemo::~TMemo() { delete Lines; }

void TMemo::SetText(const std::string& text) {
  text_ = text;
  selStart_ = 0;
  selLength_ = 0;
  topLine_ = 0;
  Invalidate();
  Changed(toolkit::Change::Text);
}

void TMemo::SetReadOnly(bool value) {
  if (readOnly_ == value) return;
  readOnly_ = value;
  Changed(toolkit::Change::Style);
}

void TMemo::SetWordWrap(bool value) {
  if (wordWrap_ == value) return;
  wordWrap_ = value;
  Invalidate();
  ClampView();
  Changed(toolkit::Change::Style);
}

void TMemo::SetScrollBars(TScrollStyle value) {
  if (scrollBars_ == value) return;
  scrollBars_ = value;
  Invalidate();
  ClampView();
  Changed(toolkit::Change::Style);
}

void TMemo::SetWantReturns(bool value) { wantReturns_ = value; }

void TMemo::SetSelStart(int value) {
  selStart_ = Clamp(value, 0, static_cast<int>(text_.size()));
  selLength_ = 0;
  Changed(toolkit::Change::Selection);
}

void TMemo::SetSelLength(int value) {
  selLength_ = Clamp(value, 0, static_cast<int>(text_.size()) - selStart_);
  Changed(toolkit::Change::Selection);
}

int TMemo::InnerWidth() const {
  toolkit::FrameMetrics frame = toolkit::CurrentBackend().Frame();
  int width = Width() - 2 * frame.editBorder;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) width -= frame.scrollBarWidth;
  return width;
}

int TMemo::VisibleLineCount() const {
  toolkit::FrameMetrics frame = toolkit::CurrentBackend().Frame();
  int lineHeight = toolkit::CurrentBackend().TextHeight(*Font, "W");
  int lines = lineHeight > 0 ? (Height() - 2 * frame.editBorder) / lineHeight : 1;
  return lines < 1 ? 1 : lines;
}

const std::vector<TMemo::Segment>& TMemo::Segments() const {
  int width = InnerWidth();
  if (valid_ && (!wordWrap_ || width == wrapWidth_)) return segments_;
  segments_.clear();
  wrapWidth_ = width;
  toolkit::Backend& backend = toolkit::CurrentBackend();
  const int n = static_cast<int>(text_.size());
  int pos = 0;
  for (;;) {
    size_t found = text_.find("\r\n", static_cast<size_t>(pos));
    int end = found == std::string::npos ? n : static_cast<int>(found);
    if (wordWrap_) {
      std::vector<int> lengths =
          backend.WrapLine(*Font, width, text_.substr(static_cast<size_t>(pos), static_cast<size_t>(end - pos)));
      int start = pos;
      for (int len : lengths) {
        segments_.push_back({start, len});
        start += len;
      }
    } else {
      segments_.push_back({pos, end - pos});
    }
    if (end >= n) break;
    pos = end + 2;
  }
  valid_ = true;
  return segments_;
}

int TMemo::CaretLine() const {
  const auto& segs = Segments();
  int line = 0;
  for (int i = 0; i < static_cast<int>(segs.size()); ++i) {
    if (segs[static_cast<size_t>(i)].start <= selStart_) line = i;
  }
  return line;
}

void TMemo::ScrollCaret() {
  int caret = CaretLine();
  int visible = VisibleLineCount();
  int top = topLine_;
  if (caret < top) top = caret;
  if (caret >= top + visible) top = caret - visible + 1;
  if (top != topLine_) {
    topLine_ = top;
    Changed(toolkit::Change::Scroll);
  }
}

void TMemo::Replace(int start, int length, const std::string& text) {
  text_.replace(static_cast<size_t>(start), static_cast<size_t>(length), text);
  selStart_ = start + static_cast<int>(text.size());
  selLength_ = 0;
  Invalidate();
  ClampView();
  Changed(toolkit::Change::Text);
}

void TMemo::Invalidate() { valid_ = false; }

void TMemo::ClampView() {
  int maxTop = static_cast<int>(Segments().size()) - VisibleLineCount();
  if (maxTop < 0) maxTop = 0;
  if (topLine_ > maxTop) topLine_ = maxTop;
}

// ---- TMemoLines ----------------------------------------------------------------

int TMemoLines::Count() const {
  const auto& segs = memo_->Segments();
  int n = static_cast<int>(segs.size());
  if (segs.back().length == 0) --n;
  return n;
}

std::string TMemoLines::Strings(int index) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds");
  const TMemo::Segment& s = memo_->Segments()[static_cast<size_t>(index)];
  return memo_->text_.substr(static_cast<size_t>(s.start), static_cast<size_t>(s.length));
}

void TMemoLines::Put(int index, const std::string& text) {
  if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds");
  TMemo::Segment s = memo_->Segments()[static_cast<size_t>(index)];
  memo_->Replace(s.start, s.length, text);
}

int TMemoLines::Add(const std::string& text) {
  const std::string& all = memo_->text_;
  int index = Count();
  int end = static_cast<int>(all.size());
  bool endsWithBreak = all.size() >= 2 && all.compare(all.size() - 2, 2, "\r\n") == 0;
  if (all.empty() || endsWithBreak) {
    memo_->Replace(end, 0, text + "\r\n");
  } else {
    memo_->Replace(end, 0, "\r\n" + text);
  }
  return index;
}

void TMemoLines::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds");
  const auto& segs = memo_->Segments();
  int start = segs[static_cast<size_t>(index)].start;
  int end = static_cast<size_t>(index) + 1 < segs.size() ? segs[static_cast<size_t>(index) + 1].start
                                                          : static_cast<int>(memo_->text_.size());
  memo_->Replace(start, end - start, "");
}

void TMemoLines::Clear() { memo_->SetText(""); }

void TMemoLines::SetText(const std::string& text) { memo_->SetText(text); }
