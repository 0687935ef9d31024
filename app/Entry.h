// The program entry: refuses a second running copy, attaches the built-in
// text and checks its marker, then creates the main window and runs the
// message loop. Returns the exit code, 0 on every path.
#pragma once

int FlashMain();
