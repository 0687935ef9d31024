// The Windows functions and types the program is written against.
//
// On Windows this header only includes the system headers. On Linux it
// declares the same names (our own declarations, with the documented field
// order and sizes) and platform/posix_*.cpp implements them over POSIX.
// Logic classes include this header and nothing else of the platform.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <mmsystem.h>
#else
#include <cstdint>

#define WINAPI

typedef void* HANDLE;
typedef void* HWND;
typedef void* HMODULE;
typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef UINT MMRESULT;
typedef const char* LPCSTR;
typedef char* LPSTR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define MAXDWORD 0xFFFFFFFFu

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define OPEN_EXISTING 3u

#define PURGE_TXABORT 0x0001u
#define PURGE_RXABORT 0x0002u
#define PURGE_TXCLEAR 0x0004u
#define PURGE_RXCLEAR 0x0008u

#define DTR_CONTROL_DISABLE 0x00
#define DTR_CONTROL_ENABLE 0x01
#define DTR_CONTROL_HANDSHAKE 0x02
#define RTS_CONTROL_DISABLE 0x00
#define RTS_CONTROL_ENABLE 0x01
#define RTS_CONTROL_HANDSHAKE 0x02
#define RTS_CONTROL_TOGGLE 0x03

#define NOPARITY 0
#define ODDPARITY 1
#define EVENPARITY 2
#define MARKPARITY 3
#define SPACEPARITY 4
#define ONESTOPBIT 0
#define ONE5STOPBITS 1
#define TWOSTOPBITS 2

#define ERROR_SUCCESS 0u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_GEN_FAILURE 31u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_ALREADY_EXISTS 183u

#define MB_OK 0x00000000u
#define MB_ICONERROR 0x00000010u
#define IDOK 1

#define SPI_GETWORKAREA 0x0030u

#define TIMERR_NOERROR 0u
#define TIMERR_NOCANDO 97u

// Serial line settings record: 28 bytes, flag bits in the documented order.
typedef struct _DCB {
  DWORD DCBlength;
  DWORD BaudRate;
  DWORD fBinary : 1;
  DWORD fParity : 1;
  DWORD fOutxCtsFlow : 1;
  DWORD fOutxDsrFlow : 1;
  DWORD fDtrControl : 2;
  DWORD fDsrSensitivity : 1;
  DWORD fTXContinueOnXoff : 1;
  DWORD fOutX : 1;
  DWORD fInX : 1;
  DWORD fErrorChar : 1;
  DWORD fNull : 1;
  DWORD fRtsControl : 2;
  DWORD fAbortOnError : 1;
  DWORD fDummy2 : 17;
  WORD wReserved;
  WORD XonLim;
  WORD XoffLim;
  BYTE ByteSize;
  BYTE Parity;
  BYTE StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  WORD wReserved1;
} DCB;
static_assert(sizeof(DCB) == 28, "DCB must be 28 bytes");

typedef struct _COMMTIMEOUTS {
  DWORD ReadIntervalTimeout;
  DWORD ReadTotalTimeoutMultiplier;
  DWORD ReadTotalTimeoutConstant;
  DWORD WriteTotalTimeoutMultiplier;
  DWORD WriteTotalTimeoutConstant;
} COMMTIMEOUTS;

typedef struct _COMSTAT {
  DWORD fCtsHold : 1;
  DWORD fDsrHold : 1;
  DWORD fRlsdHold : 1;
  DWORD fXoffHold : 1;
  DWORD fXoffSent : 1;
  DWORD fEof : 1;
  DWORD fTxim : 1;
  DWORD fReserved : 25;
  DWORD cbInQue;
  DWORD cbOutQue;
} COMSTAT;

typedef struct _TIMECAPS {
  UINT wPeriodMin;
  UINT wPeriodMax;
} TIMECAPS;
static_assert(sizeof(TIMECAPS) == 8, "TIMECAPS must be 8 bytes");

typedef struct _RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT;

// Communications (platform/posix_comm.cpp)
HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, void* security, DWORD creation,
                          DWORD flags, HANDLE templateFile);
BOOL WINAPI SetupComm(HANDLE h, DWORD inQueue, DWORD outQueue);
BOOL WINAPI PurgeComm(HANDLE h, DWORD flags);
BOOL WINAPI GetCommState(HANDLE h, DCB* dcb);
BOOL WINAPI SetCommState(HANDLE h, DCB* dcb);
BOOL WINAPI SetCommTimeouts(HANDLE h, COMMTIMEOUTS* timeouts);
BOOL WINAPI ClearCommError(HANDLE h, DWORD* errors, COMSTAT* stat);
BOOL WINAPI ReadFile(HANDLE h, void* buffer, DWORD count, DWORD* read, void* overlapped);
BOOL WINAPI WriteFile(HANDLE h, const void* buffer, DWORD count, DWORD* written, void* overlapped);
BOOL WINAPI CloseHandle(HANDLE h);

// Multimedia timer (platform/posix_time.cpp)
MMRESULT WINAPI timeGetDevCaps(TIMECAPS* caps, UINT size);
MMRESULT WINAPI timeBeginPeriod(UINT period);
MMRESULT WINAPI timeEndPeriod(UINT period);
DWORD WINAPI timeGetTime(void);
void WINAPI Sleep(DWORD milliseconds);

// System (platform/posix_system.cpp)
HANDLE WINAPI CreateMutexA(void* security, BOOL initialOwner, LPCSTR name);
DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD error);
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
BOOL WINAPI SystemParametersInfoA(UINT action, UINT param, void* data, UINT winIni);
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
BOOL WINAPI IsDBCSLeadByte(BYTE b);

#endif
