#include "app/Thrprog.h"

#include "app/Frmmain.h"
#include "platform/winapi.h"

thrProg::thrProg(TForm1* form) : TThread(false), form_(form) {
  SetPriority(tpLowest);
  SetFreeOnTerminate(true);
}

void thrProg::Execute() {
  while (!Terminated()) {
    Synchronize(form_, &TForm1::Timer1Timer);
    Sleep(1);
  }
}
