// The window handle of the toolkit's application object, for code that must
// own a message box by the application window without depending on the
// toolkit's form classes (the byte queue's fatal index check, for example).
#pragma once

#include "platform/winapi.h"

// The application window's handle; null until the toolkit has set it.
HWND ToolkitApplicationHandle();

// Called by the toolkit's application object once its window exists (and
// with null when it goes away).
void SetToolkitApplicationHandle(HWND handle);
