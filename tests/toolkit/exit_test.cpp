// The way out of the program: at process exit the toolkit destroys the main
// form, whose destructor stops its tick thread, and the process ends at once
// even while the thread is waiting for a tick. Each case runs in a child
// process.
#include <cstdio>
#include <cstdlib>

#include "Fixture.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

namespace {

class TTicker : public TThread {
 public:
  explicit TTicker(std::function<void()> tick) : TThread(false), tick_(std::move(tick)) {
    SetFreeOnTerminate(true);
    SetPriority(tpLowest);
  }

 protected:
  void Execute() override {
    while (!Terminated()) Synchronize(tick_);
  }

 private:
  std::function<void()> tick_;
};

// A main form with a tick thread that it stops in its destructor.
class TTickForm : public TForm {
 public:
  explicit TTickForm(TComponent* owner) : TForm(owner) {
    exitButton = new TButton(this);
    exitButton->SetParent(this);
    exitButton->OnClick = [](TObject*) { std::exit(0); };
    ticker_ = new TTicker([this] {
      if (onTick) onTick();
    });
  }
  ~TTickForm() override {
    ticker_->Terminate();
    std::fputs("main form destroyed\n", stderr);
  }
  std::function<void()> onTick;
  TButton* exitButton;

 private:
  TTicker* ticker_;
};

void RunProgram(std::function<void(TTickForm*)> inLoop) {
  Headless::Start();
  TTickForm* form = nullptr;
  Application->CreateForm(&form);
  int rounds = 0;
  Headless::SetRunScript([&] {
    if (++rounds == 20) inLoop(form);
    return true;
  });
  Application->Run();
}

class ExitTest : public HeadlessTest {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    HeadlessTest::SetUp();
  }
};

}  // namespace

TEST_F(ExitTest, ExitFromAButtonWhileTheThreadWaitsDestroysTheFormAndEnds) {
  EXPECT_EXIT(RunProgram([](TTickForm* form) { Headless::Click(form->exitButton); }),
              ::testing::ExitedWithCode(0), "main form destroyed");
}

TEST_F(ExitTest, ExitFromInsideATickEnds) {
  // As an error marked fatal does: the process exits in the middle of a tick.
  EXPECT_EXIT(RunProgram([](TTickForm* form) { form->onTick = [] { std::exit(0); }; }),
              ::testing::ExitedWithCode(0), "main form destroyed");
}

TEST_F(ExitTest, ClosingTheMainFormEndsTheLoopAndExitDestroysTheForm) {
  EXPECT_EXIT(
      {
        RunProgram([](TTickForm* form) { Headless::CloseByTitleBar(form); });
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "main form destroyed");
}
