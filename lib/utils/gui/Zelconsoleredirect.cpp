#include "Zelconsoleredirect.h"

#include <algorithm>

#include "Forms.hpp"
#include "SysUtils.hpp"
#include "Zelexceptions.h"
#include "Zelhandleguard.h"

namespace zelutils {

namespace {

AnsiString SystemErrorText(DWORD error)
{
    char text[256];
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                        text, sizeof text, nullptr);
    return AnsiString(text, length);
}

AnsiString RunningProgramFolder()
{
    char path[4096];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return ExtractFilePath(AnsiString(path, length));
}

}  // namespace

void TConsoleRedirect::InitNTSecurityDescriptor(SECURITY_DESCRIPTOR& descriptor, SECURITY_ATTRIBUTES& attributes)
{
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    attributes.nLength = 12;
    attributes.bInheritHandle = TRUE;
    attributes.lpSecurityDescriptor = &descriptor;
}

bool TConsoleRedirect::Execute()
{
    SECURITY_DESCRIPTOR descriptor{};
    SECURITY_ATTRIBUTES attributes{};
    InitNTSecurityDescriptor(descriptor, attributes);

    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &attributes, 0))
        throw zelcore::ECreateAnonymousPipe();
    zelcore::THandleGuard readGuard(readEnd);
    zelcore::THandleGuard writeGuard(writeEnd);

    STARTUPINFOA startup{};
    startup.cb = 0x44;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;

    AnsiString folder = WorkingDirectory;
    if (folder.empty())
        folder = ExtractFilePath(ApplicationName);
    if (folder.empty())
        folder = RunningProgramFolder();

    PROCESS_INFORMATION process{};
    AnsiString commandLine = CommandLine;
    if (!CreateProcessA(ApplicationName.empty() ? nullptr : ApplicationName.c_str(), commandLine.data(), nullptr,
                        nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, folder.c_str(), &startup, &process))
        throw zelcore::ECreateProcess(SystemErrorText(GetLastError()));
    zelcore::THandleGuard processGuard(process.hProcess);
    zelcore::THandleGuard threadGuard(process.hThread);

    unsigned char peeked[1024];
    TConsoleBuffer pending;
    pending.reserve(1024);
    DWORD lastService = GetTickCount();
    for (;;) {
        if (ProcessMessagesInterval != 0) {
            if (GetTickCount() - lastService >= ProcessMessagesInterval) {
                lastService = GetTickCount();
                Application->ProcessMessages();
            }
            if (OnQueryAbort) {
                bool abort = false;
                unsigned long exitCode = 0;
                OnQueryAbort(this, abort, exitCode);
                if (abort) {
                    TerminateProcess(process.hProcess, static_cast<UINT>(exitCode));
                    return false;
                }
            }
        }

        DWORD got = 0;
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd, peeked, sizeof peeked, &got, &available, nullptr))
            break;
        if (got > 0) {
            const unsigned char* lastFeed = nullptr;
            for (DWORD i = got; i > 0; --i)
                if (peeked[i - 1] == 10) {
                    lastFeed = peeked + i - 1;
                    break;
                }
            const DWORD take = lastFeed == nullptr ? got : static_cast<DWORD>(lastFeed - peeked + 1);
            DWORD read = 0;
            if (!ReadFile(readEnd, peeked, take, &read, nullptr))
                break;
            pending.insert(pending.end(), peeked, peeked + read);
            if (lastFeed != nullptr && OnReadLine) {
                ProcessReadData(pending);
                pending.clear();
            }
            continue;
        }

        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
            // Output written just before the end may arrive after the check
            // above: look once more before leaving.
            if (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0)
                continue;
            break;
        }
        // Sleep until output arrives, the program ends or the messages are
        // due, instead of asking the pipe again and again.
        DWORD timeout = INFINITE;
        if (ProcessMessagesInterval != 0) {
            const DWORD since = GetTickCount() - lastService;
            timeout = since >= ProcessMessagesInterval ? 0 : ProcessMessagesInterval - since;
        }
        const HANDLE both[2] = {readEnd, process.hProcess};
        WaitForMultipleObjects(2, both, FALSE, timeout);
    }

    if (!pending.empty() && OnReadLine)
        ProcessReadData(pending);
    return true;
}

void TConsoleRedirect::ProcessReadData(const TConsoleBuffer& data)
{
    const unsigned char* p = data.data();
    const unsigned char* end = p + data.size();
    while (p != end) {
        const unsigned char* cr = std::find(p, end, static_cast<unsigned char>(13));
        if (cr == end) {
            ProcessLine(p, end);
            break;
        }
        ProcessLine(p, cr);
        p = cr + 1;
        if (p != end && *p == 10)
            ++p;
    }
}

void TConsoleRedirect::ProcessLine(const unsigned char* begin, const unsigned char* end)
{
    FLine.assign(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin));
    if (OnReadLine)
        OnReadLine(this, FLine);
}

}  // namespace zelutils
