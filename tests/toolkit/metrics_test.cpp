#include <string>

#include "Fixture.h"
#include "toolkit/Forms.h"
#include "toolkit/Graphics.h"
#include "toolkit/StdCtrls.h"

using Metrics = HeadlessTest;

TEST_F(Metrics, PointsAndPixelsConvertAtNinetySixDpi) {
  struct Case {
    int points, height, byteWidth, textHeight;
  } cases[] = {{8, -11, 6, 15}, {9, -12, 6, 16}, {10, -13, 7, 17}, {12, -16, 8, 20}};
  for (const Case& c : cases) {
    TFont font;
    font.SetSize(c.points);
    EXPECT_EQ(font.Height(), c.height) << c.points << " pt";
    EXPECT_EQ(font.Size(), c.points);
    TCanvas canvas(&font);
    EXPECT_EQ(canvas.TextWidth("W"), c.byteWidth) << c.points << " pt";
    EXPECT_EQ(canvas.TextWidth("255WWWW"), 7 * c.byteWidth);
    EXPECT_EQ(canvas.TextHeight("anything"), c.textHeight);
    EXPECT_EQ(canvas.TextHeight(""), c.textHeight);
  }
  EXPECT_EQ(MulDiv(-11, 72, 96), -8);  // halves round away from zero
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);
}

TEST_F(Metrics, DoubleByteCharactersMeasureAsTwoBytes) {
  platform::SetCodePage(932);
  TCanvas canvas;  // default font: 6 px per byte
  EXPECT_EQ(canvas.TextWidth("255WW\x90\xdd\x92\xe8"), 9 * 6);
}

TEST_F(Metrics, LabelSizesItselfToItsCaption) {
  TForm form(nullptr);
  TLabel* label = new TLabel(&form);
  label->SetParent(&form);
  label->SetShowAccelChar(false);
  label->SetCaption("Enter COM Port number. (1 - 256)");
  EXPECT_EQ(label->Width(), 32 * 6);
  EXPECT_EQ(label->Height(), 15);

  // With accelerator marks shown as marks, "&" takes no room; "&&" is one "&".
  label->SetCaption("&Port && more");
  EXPECT_EQ(label->Width(), 13 * 6);
  label->SetShowAccelChar(true);
  EXPECT_EQ(label->DisplayText(), "Port & more");
  EXPECT_EQ(label->Width(), 11 * 6);

  // The label follows its form's font until given one of its own.
  form.Font->SetSize(10);
  EXPECT_EQ(label->Width(), 11 * 7);
  label->Font->SetHeight(-20);
  form.Font->SetSize(8);
  EXPECT_FALSE(label->ParentFont());
  EXPECT_EQ(label->Height(), 24);
}
