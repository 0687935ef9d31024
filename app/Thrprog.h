// The tick thread: asks the GUI thread for one tick of the main window, waits
// until it has run, sleeps 1 ms and asks again, until it is told to stop.
//
// The thread never touches the window or the sequence itself; every tick runs
// on the GUI thread. It runs at the lowest priority and frees itself when it
// ends. Terminate (from the main window's destructor) withdraws a tick that is
// waiting, so no tick runs once the window is gone.
#pragma once

#include "toolkit/Classes.h"

class TForm1;

class thrProg : public TThread {
 public:
  // Created running; the first tick runs once the GUI thread serves
  // synchronised calls (the message loop).
  explicit thrProg(TForm1* form);

 protected:
  void Execute() override;

 private:
  TForm1* form_;  // the window whose tick it requests; not owned
};
