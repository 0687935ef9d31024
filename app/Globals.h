// The two process-wide objects of the program: the settings object (instance
// guard and COM port) and the text table.
//
// Each is built on its first use and lives until the normal process exit,
// which destroys them in the reverse order of their construction. The entry
// asks for the settings object first and the text table second, before it
// does anything else, so the settings are saved last, after the text table is
// gone. Destroying the settings object writes the port back (first instance
// only).
#pragma once

class clsEnviron;
class clsGTex;

// The settings object, created with the variant's instance-guard name.
clsEnviron& AppEnviron();
// The text table; empty until the entry attaches the built-in line table.
clsGTex& AppText();
