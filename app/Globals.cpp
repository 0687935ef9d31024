#include "app/Globals.h"

#include "profiles/profile.h"
#include "settings/clsEnviron.h"
#include "text/clsGTex.h"

clsEnviron& AppEnviron() {
  static clsEnviron settings(Profile().guardName);
  return settings;
}

clsGTex& AppText() {
  static clsGTex text;
  return text;
}
