#include "app/Entry.h"

#include <string>

#include "app/Frmmain.h"
#include "app/Globals.h"
#include "platform/winapi.h"
#include "profiles/profile.h"
#include "settings/clsEnviron.h"
#include "text/clsGTex.h"
#include "toolkit/Forms.h"
#include "toolkit/SysUtils.h"

int FlashMain() {
  // The two process-wide objects, settings first: they are destroyed in the
  // reverse order at the normal process exit, which saves the settings.
  clsEnviron& settings = AppEnviron();
  clsGTex& text = AppText();

  // 1. A second copy ends silently.
  if (!settings.IsFirstInstance()) return 0;

  // 2. The built-in text.
  text.AttachLines(ProfileTextLines());

  // 3. The marker of the text must be exactly "OVL".
  if (text.Lookup("Sys_Ovl", 0) != "OVL") {
    const std::string caption = ExtractFileName(Application->ExeName());
    MessageBoxA(Application->Handle(), "Fatal error !\nCannot open OVL file.\nInstall this application again !",
                caption.c_str(), MB_ICONERROR | MB_OK);
    return 0;
  }

  // 4. and 5. The main window and the message loop; a toolkit error that
  // escapes them gets the toolkit's standard display.
  try {
    Application->Initialize();
    Application->CreateForm(&Form1);
    Application->Run();
  } catch (const Exception& error) {
    Application->ShowException(&error);
  }

  // 6.
  return 0;
}
