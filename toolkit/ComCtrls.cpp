#include "toolkit/ComCtrls.h"

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 150, 16); }

void TProgressBar::SetMin(int value) { SetRange(value, max_ < value ? value : max_); }

void TProgressBar::SetMax(int value) { SetRange(min_ > value ? value : min_, value); }

void TProgressBar::SetRange(int min, int max) {
  if (max < min) max = min;
  int position = position_ < min ? min : (position_ > max ? max : position_);
  if (min == min_ && max == max_ && position == position_) return;
  min_ = min;
  max_ = max;
  position_ = position;
  Changed(toolkit::Change::Position);
}

void TProgressBar::SetPosition(int value) {
  if (value < min_) value = min_;
  if (value > max_) value = max_;
  if (value == position_) return;
  position_ = value;
  Changed(toolkit::Change::Position);
}
