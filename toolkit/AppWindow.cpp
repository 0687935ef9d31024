#include "toolkit/AppWindow.h"

#include <atomic>

namespace {
std::atomic<HWND> g_applicationHandle{nullptr};
}

HWND ToolkitApplicationHandle() { return g_applicationHandle.load(std::memory_order_acquire); }

void SetToolkitApplicationHandle(HWND handle) { g_applicationHandle.store(handle, std::memory_order_release); }
