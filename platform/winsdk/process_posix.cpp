// Processes and pipes on POSIX: posix_spawn, pidfds, poll.
#include "processthreadsapi.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "handlekinds.h"

extern char** environ;

namespace {

using winsdk::THandleKind;
using winsdk::TProcessRecord;

BOOL Fail(int error)
{
    SetLastError(static_cast<DWORD>(error));
    return FALSE;
}

TProcessRecord* ProcessOf(HANDLE handle)
{
    if (winsdk::KindOf(handle) != static_cast<unsigned>(THandleKind::Process))
        return nullptr;
    return static_cast<TProcessRecord*>(handle);
}

// The Windows rules: blanks separate, a double quote toggles grouping,
// 2n backslashes before a quote give n and a grouping quote, 2n+1 give n and
// a literal quote; other backslashes are literal.
std::vector<std::string> SplitCommandLine(const char* line)
{
    std::vector<std::string> args;
    if (line == nullptr)
        return args;
    const char* p = line;
    for (;;) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p == 0)
            break;
        std::string arg;
        bool quoted = false;
        while (*p != 0 && (quoted || (*p != ' ' && *p != '\t'))) {
            if (*p == '\\') {
                std::size_t n = 0;
                while (*p == '\\') {
                    ++n;
                    ++p;
                }
                if (*p == '"') {
                    arg.append(n / 2, '\\');
                    if (n % 2 == 1) {
                        arg += '"';
                        ++p;
                    }
                } else {
                    arg.append(n, '\\');
                }
            } else if (*p == '"') {
                quoted = !quoted;
                ++p;
            } else {
                arg += *p++;
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

int OpenPidfd(pid_t pid)
{
#ifdef SYS_pidfd_open
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#endif
    (void)pid;
    return -1;
}

// Collects the exit status if the process has ended; true when it has.
bool Reap(TProcessRecord* p, bool block)
{
    if (p->reaped)
        return true;
    int status = 0;
    pid_t rc;
    do {
        rc = ::waitpid(p->pid, &status, block ? 0 : WNOHANG);
    } while (rc < 0 && errno == EINTR);
    if (rc == 0)
        return false;
    p->reaped = true;
    if (rc < 0)
        p->exitCode = 0;  // collected elsewhere: the status is lost
    else if (WIFEXITED(status))
        p->exitCode = static_cast<DWORD>(WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
        p->exitCode = 128u + static_cast<DWORD>(WTERMSIG(status));
    if (p->terminated)
        p->exitCode = p->terminateCode;
    return true;
}

// The descriptor poll() watches for a handle, or -1 if it has none.
int PollFdOf(HANDLE handle)
{
    if (TProcessRecord* p = ProcessOf(handle))
        return p->reaped ? -1 : p->pidfd;
    return winsdk::FdFromHandle(handle);
}

bool Signalled(HANDLE handle)
{
    if (TProcessRecord* p = ProcessOf(handle))
        return Reap(p, false);
    const int fd = winsdk::FdFromHandle(handle);
    pollfd pfd{fd, POLLIN, 0};
    return ::poll(&pfd, 1, 0) > 0;
}

}  // namespace

extern "C" {

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL, DWORD, LPVOID, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation)
{
    if (processInformation == nullptr)
        return Fail(EINVAL);
    std::vector<std::string> args = SplitCommandLine(commandLine);
    const bool hasApplication = applicationName != nullptr && *applicationName != 0;
    if (args.empty() && hasApplication)
        args.emplace_back(applicationName);
    if (args.empty())
        return Fail(ENOENT);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (startupInfo != nullptr && (startupInfo->dwFlags & STARTF_USESTDHANDLES)) {
        const HANDLE std[3] = {startupInfo->hStdInput, startupInfo->hStdOutput, startupInfo->hStdError};
        for (int target = 0; target < 3; ++target) {
            const int fd = winsdk::FdFromHandle(std[target]);
            if (fd >= 0)
                posix_spawn_file_actions_adddup2(&actions, fd, target);
            else
                posix_spawn_file_actions_addopen(&actions, target, "/dev/null", target == 0 ? O_RDONLY : O_WRONLY, 0);
        }
    }
    if (currentDirectory != nullptr && *currentDirectory != 0)
        posix_spawn_file_actions_addchdir_np(&actions, currentDirectory);

    pid_t pid = 0;
    const int rc = hasApplication ? ::posix_spawn(&pid, applicationName, &actions, nullptr, argv.data(), environ)
                                  : ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return Fail(rc);
    processInformation->hProcess = new TProcessRecord{THandleKind::Process, pid, OpenPidfd(pid), false, 0, false, 0};
    processInformation->hThread = new winsdk::TThreadRecord{THandleKind::Thread};
    processInformation->dwProcessId = static_cast<DWORD>(pid);
    processInformation->dwThreadId = static_cast<DWORD>(pid);
    return TRUE;
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds)
{
    if (count == 0 || handles == nullptr || waitAll) {
        SetLastError(EINVAL);
        return WAIT_FAILED;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        std::vector<pollfd> fds;
        bool everyOneWatchable = true;
        for (DWORD i = 0; i < count; ++i) {
            if (winsdk::KindOf(handles[i]) == 0) {
                SetLastError(EBADF);
                return WAIT_FAILED;
            }
            if (Signalled(handles[i]))
                return WAIT_OBJECT_0 + i;
            const int fd = PollFdOf(handles[i]);
            if (fd < 0)
                everyOneWatchable = false;
            else
                fds.push_back(pollfd{fd, POLLIN, 0});
        }
        int timeout = -1;
        if (milliseconds != INFINITE) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return WAIT_TIMEOUT;
            timeout = static_cast<int>(left < INT_MAX ? left : INT_MAX);
        }
        // A process without a pidfd (old kernels) is looked at every 10 ms.
        if (!everyOneWatchable && (timeout < 0 || timeout > 10))
            timeout = 10;
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            SetLastError(static_cast<DWORD>(errno));
            return WAIT_FAILED;
        }
    }
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode)
{
    TProcessRecord* p = ProcessOf(process);
    if (p == nullptr || exitCode == nullptr)
        return Fail(EINVAL);
    *exitCode = Reap(p, false) ? p->exitCode : STILL_ACTIVE;
    return TRUE;
}

BOOL TerminateProcess(HANDLE process, UINT exitCode)
{
    TProcessRecord* p = ProcessOf(process);
    if (p == nullptr)
        return Fail(EINVAL);
    if (p->reaped)
        return Fail(ESRCH);
    p->terminated = true;
    p->terminateCode = exitCode;
    if (::kill(p->pid, SIGKILL) != 0)
        return Fail(errno);
    Reap(p, true);
    return TRUE;
}

// A connected socket pair, shut down to one direction, stands for the
// pipe: unlike a POSIX pipe it can be peeked at.
BOOL CreatePipe(HANDLE* readPipe, HANDLE* writePipe, LPSECURITY_ATTRIBUTES, DWORD)
{
    if (readPipe == nullptr || writePipe == nullptr)
        return Fail(EINVAL);
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return Fail(errno);
    ::shutdown(fds[0], SHUT_WR);
    ::shutdown(fds[1], SHUT_RD);
    *readPipe = winsdk::HandleFromFd(fds[0]);
    *writePipe = winsdk::HandleFromFd(fds[1]);
    return TRUE;
}

BOOL PeekNamedPipe(HANDLE pipe, LPVOID buffer, DWORD size, DWORD* read, DWORD* available, DWORD* leftThisMessage)
{
    const int fd = winsdk::FdFromHandle(pipe);
    if (fd < 0)
        return Fail(EBADF);
    int waiting = 0;
    if (::ioctl(fd, FIONREAD, &waiting) != 0)
        return Fail(errno);
    ssize_t copied = 0;
    if (buffer != nullptr && size > 0 && waiting > 0) {
        copied = ::recv(fd, buffer, size, MSG_PEEK | MSG_DONTWAIT);
        if (copied < 0)
            return Fail(errno);
    }
    if (read != nullptr)
        *read = static_cast<DWORD>(copied);
    if (available != nullptr)
        *available = static_cast<DWORD>(waiting);
    if (leftThisMessage != nullptr)
        *leftThisMessage = 0;
    return TRUE;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, DWORD* read, LPVOID)
{
    const int fd = winsdk::FdFromHandle(file);
    if (fd < 0)
        return Fail(EBADF);
    ssize_t n;
    do {
        n = ::read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return Fail(errno);
    if (read != nullptr)
        *read = static_cast<DWORD>(n);
    return TRUE;
}

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer)
{
    char path[PATH_MAX];
    if (::getcwd(path, sizeof path) == nullptr) {
        SetLastError(static_cast<DWORD>(errno));
        return 0;
    }
    const DWORD length = static_cast<DWORD>(std::strlen(path));
    if (buffer == nullptr || size <= length)
        return length + 1;
    std::memcpy(buffer, path, length + 1);
    return length;
}

BOOL SetCurrentDirectoryA(LPCSTR path)
{
    if (path == nullptr || ::chdir(path) != 0)
        return Fail(path == nullptr ? EINVAL : errno);
    return TRUE;
}

BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision)
{
    if (descriptor == nullptr)
        return Fail(EINVAL);
    descriptor->Revision = static_cast<BYTE>(revision);
    descriptor->Dacl = nullptr;
    return TRUE;
}

BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL, PVOID dacl, BOOL)
{
    if (descriptor == nullptr)
        return Fail(EINVAL);
    descriptor->Dacl = dacl;
    return TRUE;
}

DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size, void*)
{
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || buffer == nullptr || size == 0)
        return 0;
    const std::string text = std::strerror(static_cast<int>(messageId));
    const DWORD n = text.size() < size ? static_cast<DWORD>(text.size()) : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return n;
}
}
