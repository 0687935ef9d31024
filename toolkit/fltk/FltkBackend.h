// The FLTK backend of the toolkit: draws the toolkit's controls in FLTK
// windows, runs FLTK's event loop, measures text with the real fonts.
//
// A program links flash_toolkit_fltk and the backend installs itself before
// main runs (the library's link options keep its installer in the program).
#pragma once

namespace toolkit {
namespace fltk {

// Installs the backend, the window timers, the message boxes and the work
// area. Done once, at static initialisation; calling it again does nothing.
void Install();

}  // namespace fltk
}  // namespace toolkit

// The symbol the link options name so that the installer is linked in.
extern "C" void flash_toolkit_fltk_installer();
