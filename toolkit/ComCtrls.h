// Progress bar.
#pragma once

#include "toolkit/Controls.h"

// Shows Position within Min..Max (defaults 0..100). Position is kept inside
// the range; narrowing the range moves it in. No tab stop.
class TProgressBar : public TWinControl {
 public:
  explicit TProgressBar(TComponent* owner);

  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetMin(int value);
  void SetMax(int value);
  void SetRange(int min, int max);
  void SetPosition(int value);

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};
