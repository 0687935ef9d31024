// Panels.
#pragma once

#include "toolkit/Controls.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// A bevelled frame that holds other controls. Children are placed relative to
// the panel's top left corner; the bevels are drawn inside its bounds.
// Defaults: outer bevel raised, inner bevel none, bevel width 1, border 0, no
// tab stop.
class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* owner);

  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut value);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut value);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int value);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int value);

 private:
  TBevelCut bevelOuter_ = bvRaised;
  TBevelCut bevelInner_ = bvNone;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
};
