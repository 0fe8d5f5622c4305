// Durable whole-file writes on Windows: a temporary file beside the target,
// flushed, then put in its place by ReplaceFile (which keeps the target's
// attributes and security) or, for a new file, by MoveFileEx without
// replacing. The lock readers and writers share is LockFileEx on the whole
// file; files are opened with FILE_SHARE_DELETE so that a writer may replace
// the file others hold.
#include "AtomicFile.hpp"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "SysUtils.hpp"

namespace vcl {
namespace {

AnsiString ErrorText(DWORD err)
{
    const AnsiString sentence = SysErrorMessage(static_cast<int>(err));
    return sentence.empty() ? "System error " + std::to_string(err) : sentence;
}

[[noreturn]] void Fail(const AnsiString& what, const AnsiString& fileName, DWORD err)
{
    throw EIniFileException(what + " \"" + fileName + "\". " + ErrorText(err));
}

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool WriteAll(HANDLE h, const char* data, std::size_t size)
{
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(h, data, chunk, &written, nullptr))
            return false;
        data += written;
        size -= written;
    }
    return true;
}

AnsiString FolderOf(const AnsiString& path)
{
    const AnsiString folder = ExtractFilePath(path);
    return folder.empty() ? AnsiString(".\\") : folder;
}

// A new temporary file beside target, open for writing; INVALID_HANDLE_VALUE
// with the error set when it cannot be made.
HANDLE CreateTempBeside(const AnsiString& target, AnsiString& temp)
{
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temp = FolderOf(target) + "." + ExtractFileName(target) + "." + std::to_string(::GetCurrentProcessId()) +
               "-" + std::to_string(::GetTickCount64() + attempt) + ".tmp";
        const HANDLE h = ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS)
            return h;
    }
    return INVALID_HANDLE_VALUE;
}

// Writes the bytes into the temporary file, flushes and closes it; on
// failure the temporary file is gone and the error names the target.
void FillTemp(HANDLE h, const AnsiString& temp, const AnsiString& target, const AnsiString& contents)
{
    if (!WriteAll(h, contents.data(), contents.size()) || !::FlushFileBuffers(h)) {
        const DWORD err = ::GetLastError();
        ::CloseHandle(h);
        ::DeleteFileA(temp.c_str());
        Fail("Cannot write file", target, err);
    }
    ::CloseHandle(h);
}

// Puts the temporary file in the target's place: over an existing file
// with ReplaceFile, else as a new file, never over one made meanwhile.
bool PutInPlace(const AnsiString& temp, const AnsiString& target, bool create)
{
    if (create)
        return ::MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    if (::ReplaceFileA(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return true;
    // The target may have gone meanwhile, or its file system cannot replace.
    return ::MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

bool SameFile(HANDLE a, HANDLE b)
{
    BY_HANDLE_FILE_INFORMATION x, y;
    return ::GetFileInformationByHandle(a, &x) && ::GetFileInformationByHandle(b, &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

}  // namespace

void AtomicReplaceFile(const AnsiString& fileName, const AnsiString& contents)
{
    AnsiString temp;
    const HANDLE h = CreateTempBeside(fileName, temp);
    if (h == INVALID_HANDLE_VALUE)
        Fail("Cannot create a temporary file for", fileName, ::GetLastError());
    FillTemp(h, temp, fileName, contents);
    if (!PutInPlace(temp, fileName, !FileExists(fileName))) {
        const DWORD err = ::GetLastError();
        ::DeleteFileA(temp.c_str());
        Fail("Cannot write file", fileName, err);
    }
}

bool ReadWholeFile(const AnsiString& fileName, AnsiString& contents)
{
    const HANDLE h = ::CreateFileA(fileName.c_str(), GENERIC_READ, ShareAll, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = ::GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND)
            return false;
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + ErrorText(err));
    }
    contents.clear();
    char buf[65536];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(h, buf, sizeof buf, &n, nullptr)) {
            const DWORD err = ::GetLastError();
            ::CloseHandle(h);
            throw EReadError("Cannot read file \"" + fileName + "\". " + ErrorText(err));
        }
        if (n == 0)
            break;
        contents.append(buf, n);
    }
    ::CloseHandle(h);
    return true;
}

// ---- TLockedFile ------------------------------------------------------------
// FHandle is a C runtime descriptor over the file's HANDLE, so that the
// class's layout is the same on every platform.

namespace {

// A name the lock refuses to open, as the error of the mode's caller.
[[noreturn]] void Refuse(const AnsiString& fileName, TFileLockMode mode, const AnsiString& reason)
{
    if (mode == TFileLockMode::Exclusive)
        throw EIniFileException("Cannot write file \"" + fileName + "\". " + reason);
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
}

// Why the opened handle may not be used as the file, or "": a reparse point
// (a symbolic link or junction, opened as itself), anything but a file on a
// disk (a pipe, a device such as NUL or CON, a folder), a file too large.
AnsiString Refusal(HANDLE h, BY_HANDLE_FILE_INFORMATION& info)
{
    if (::GetFileType(h) != FILE_TYPE_DISK)
        return NotRegularRefusal;
    if (!::GetFileInformationByHandle(h, &info))
        return ErrorText(::GetLastError());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return LinkRefusal;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return NotRegularRefusal;
    if ((static_cast<ULONGLONG>(info.nFileSizeHigh) << 32 | info.nFileSizeLow) > MaxLockedFileSize)
        return TooLargeRefusal;
    return AnsiString();
}

}  // namespace

TLockedFile::TLockedFile(const AnsiString& fileName, TFileLockMode mode) : FFileName(fileName), FMode(mode)
{
    Open();
}

TLockedFile::~TLockedFile()
{
    if (FHandle >= 0)
        ::_close(FHandle);
}

void TLockedFile::Open()
{
    const bool exclusive = FMode == TFileLockMode::Exclusive;
    // As on POSIX: a writer must hold the file that is there once its lock
    // is granted; a reader may keep the version just replaced. A reparse
    // point is opened as itself, so that it can be refused.
    for (;;) {
        const HANDLE h = ::CreateFileA(FFileName.c_str(), GENERIC_READ | (exclusive ? GENERIC_WRITE : 0), ShareAll,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                       nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD err = ::GetLastError();
            if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND)
                return;
            Refuse(FFileName, FMode, ErrorText(err));
        }
        BY_HANDLE_FILE_INFORMATION info{};
        if (const AnsiString why = Refusal(h, info); !why.empty()) {
            ::CloseHandle(h);
            Refuse(FFileName, FMode, why);
        }
        OVERLAPPED whole{};
        if (!::LockFileEx(h, exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0, 0, MAXDWORD, MAXDWORD, &whole)) {
            const DWORD err = ::GetLastError();
            ::CloseHandle(h);
            Fail("Cannot lock file", FFileName, err);
        }
        bool current = !exclusive;
        if (exclusive) {
            const HANDLE named = ::CreateFileA(FFileName.c_str(), 0, ShareAll, nullptr, OPEN_EXISTING,
                                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
            current = named != INVALID_HANDLE_VALUE && SameFile(h, named);
            if (named != INVALID_HANDLE_VALUE)
                ::CloseHandle(named);
        }
        if (current) {
            FHandle = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), exclusive ? _O_RDWR : _O_RDONLY);
            if (FHandle < 0) {
                ::CloseHandle(h);
                throw EFOpenError("Cannot open file \"" + FFileName + "\". Too many open files");
            }
            return;
        }
        ::CloseHandle(h);
    }
}

AnsiString TLockedFile::Read() const
{
    AnsiString contents;
    if (FHandle < 0)
        return contents;
    const HANDLE h = HandleOf(FHandle);
    // A file that grows while it is read still stops at the limit: one byte
    // more than allowed is enough to know.
    char buf[65536];
    ULONGLONG at = 0;
    for (;;) {
        OVERLAPPED from{};
        from.Offset = static_cast<DWORD>(at);
        from.OffsetHigh = static_cast<DWORD>(at >> 32);
        const std::size_t room = MaxLockedFileSize + 1 - contents.size();
        DWORD n = 0;
        if (!::ReadFile(h, buf, static_cast<DWORD>(room < sizeof buf ? room : sizeof buf), &n, &from)) {
            const DWORD err = ::GetLastError();
            if (err == ERROR_HANDLE_EOF)
                return contents;
            throw EReadError("Cannot read file \"" + FFileName + "\". " + ErrorText(err));
        }
        if (n == 0)
            return contents;
        contents.append(buf, n);
        if (contents.size() > MaxLockedFileSize)
            throw EReadError("Cannot read file \"" + FFileName + "\". " + TooLargeRefusal);
        at += n;
    }
}

void TLockedFile::Replace(const AnsiString& contents)
{
    if (FMode != TFileLockMode::Exclusive)
        throw EIniFileException("File is not locked for writing: \"" + FFileName + "\"");

    AnsiString temp;
    const HANDLE h = CreateTempBeside(FFileName, temp);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = ::GetLastError();
        // A writable file in a folder we may not write is still ours to change.
        if (FHandle >= 0 && err == ERROR_ACCESS_DENIED) {
            RewriteInPlace(contents);
            return;
        }
        Fail("Cannot write file", FFileName, err);
    }
    FillTemp(h, temp, FFileName, contents);
    if (!PutInPlace(temp, FFileName, FHandle < 0)) {
        const DWORD err = ::GetLastError();
        ::DeleteFileA(temp.c_str());
        if (FHandle >= 0 && err == ERROR_ACCESS_DENIED) {
            RewriteInPlace(contents);
            return;
        }
        Fail("Cannot write file", FFileName, err == ERROR_ALREADY_EXISTS ? ERROR_FILE_EXISTS : err);
    }
}

bool TLockedFile::Install(const AnsiString& temp, bool create) const { return PutInPlace(temp, FFileName, create); }

void TLockedFile::RewriteInPlace(const AnsiString& contents)
{
    const HANDLE h = HandleOf(FHandle);
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(h, start, nullptr, FILE_BEGIN) || !WriteAll(h, contents.data(), contents.size()) ||
        !::SetEndOfFile(h) || !::FlushFileBuffers(h))
        Fail("Cannot write file", FFileName, ::GetLastError());
}

}  // namespace vcl
