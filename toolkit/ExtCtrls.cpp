#include "toolkit/ExtCtrls.h"

TPanel::TPanel(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 185, 41); }

void TPanel::SetBevelOuter(TBevelCut value) {
  if (bevelOuter_ == value) return;
  bevelOuter_ = value;
  Changed(toolkit::Change::Style);
}

void TPanel::SetBevelInner(TBevelCut value) {
  if (bevelInner_ == value) return;
  bevelInner_ = value;
  Changed(toolkit::Change::Style);
}

void TPanel::SetBevelWidth(int value) {
  if (value < 1) value = 1;
  if (bevelWidth_ == value) return;
  bevelWidth_ = value;
  Changed(toolkit::Change::Style);
}

void TPanel::SetBorderWidth(int value) {
  if (value < 0) value = 0;
  if (borderWidth_ == value) return;
  borderWidth_ = value;
  Changed(toolkit::Change::Style);
}
