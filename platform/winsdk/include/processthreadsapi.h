// Processes, anonymous pipes and waiting, as the product starts and watches
// programs. On POSIX a process is started with posix_spawn and its HANDLE
// holds the process id (and a pidfd to wait on); CloseHandle forgets it,
// the process itself goes on.
#pragma once

#include "windef.h"
#include "handle.h"
#include "winuser.h"

#define STILL_ACTIVE 259
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0
#define WAIT_TIMEOUT 258
#define WAIT_FAILED 0xFFFFFFFF

#define STARTF_USESHOWWINDOW 0x00000001
#define STARTF_USESTDHANDLES 0x00000100
#define NORMAL_PRIORITY_CLASS 0x00000020

struct SECURITY_DESCRIPTOR {
    BYTE Revision;
    PVOID Dacl;
};
using PSECURITY_DESCRIPTOR = SECURITY_DESCRIPTOR*;
#define SECURITY_DESCRIPTOR_REVISION 1

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// lpDesktop names the window station and desktop on Windows; POSIX has no
// such thing and ignores it. wShowWindow is ignored as well: a program
// started here has no window the starter could hide.
struct STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
using LPSTARTUPINFOA = STARTUPINFOA*;

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

extern "C" {
// Starts a program. The command line is split into arguments by the
// Windows rules (blanks separate, double quotes group, backslashes escape a
// quote); without applicationName its first argument is the program,
// looked up in PATH. With STARTF_USESTDHANDLES the given handles become
// the child's standard streams (a null one: the null device); handles are
// otherwise never inherited. currentDirectory, if set, is the child's.
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation);
// Waits until the process ended (WAIT_OBJECT_0) or the time ran out
// (WAIT_TIMEOUT). A pipe's read end (from CreatePipe) counts as signalled
// while it has data to read or its writers are gone; Windows pipes are not
// waitable this way, so only POSIX code may rely on it.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// Waits for any of the handles (waitAll must be FALSE); the result is
// WAIT_OBJECT_0 + the index of the first signalled one, or WAIT_TIMEOUT.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);
// STILL_ACTIVE while the process runs; then its exit status (for a process
// ended by a signal: 128 + the signal; after TerminateProcess: the code
// given there).
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);
BOOL TerminateProcess(HANDLE process, UINT exitCode);

// An anonymous pipe; handles are not inheritable unless the attributes say
// so (on POSIX inheritance is decided per CreateProcessA call anyway).
BOOL CreatePipe(HANDLE* readPipe, HANDLE* writePipe, LPSECURITY_ATTRIBUTES attributes, DWORD size);
// Copies up to size bytes that are waiting in the pipe without removing
// them; *available is everything waiting. Never blocks.
BOOL PeekNamedPipe(HANDLE pipe, LPVOID buffer, DWORD size, DWORD* read, DWORD* available, DWORD* leftThisMessage);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, DWORD* read, LPVOID overlapped);

void Sleep(DWORD milliseconds);
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR path);

BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision);
BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL present, PVOID dacl, BOOL defaulted);
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
// Only FORMAT_MESSAGE_FROM_SYSTEM: the system's text for an error number
// (on POSIX an errno value) copied into buffer; returns its length.
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     void* arguments);
}
