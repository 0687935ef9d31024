// Seams of the Linux platform stand-in that only the toolkit backends and the
// tests use: where message boxes and the work area come from, which clock
// timeGetTime reads, which code page the lead-byte test follows and what the
// executable's path is. Logic classes never include this header.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/winapi.h"

namespace platform {

// Message boxes: the toolkit backend installs the handler that shows them.
// Without a handler the box is written to standard error and answered IDOK.
using MessageBoxHandler = std::function<int(HWND owner, const char* text, const char* caption, UINT type)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

// The desktop's work area (SPI_GETWORKAREA); without a handler 0,0,1024,768.
using WorkAreaHandler = std::function<RECT()>;
void SetWorkAreaHandler(WorkAreaHandler handler);

// The millisecond clock behind timeGetTime; empty restores the monotonic clock.
using ClockSource = std::function<uint32_t()>;
void SetClockSource(ClockSource clock);

// Sleep is routed here when set (tests advance their clock instead of waiting).
using SleepHandler = std::function<void(uint32_t ms)>;
void SetSleepHandler(SleepHandler handler);

// Code page of the lead-byte test: 0 (default) single-byte, 932 Shift-JIS.
void SetCodePage(unsigned codePage);

// Path reported by GetModuleFileNameA(NULL, ...); empty restores /proc/self/exe.
void SetModuleFileName(const std::string& path);

// Settings file that CreateFileA reads the port mapping from (section
// "Ports", key "COMn"); empty restores the default, the executable's path with
// the extension ".INI".
void SetSettingsFilePath(const std::string& path);

// Name of the per-user runtime folder holding instance-guard lock files.
std::string RuntimeDirectory();

}  // namespace platform
