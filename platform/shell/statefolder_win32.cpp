// TStateFolder on Windows: the POSIX walk in handles. Each folder below the
// base is opened relative to the one before (NtCreateFile with a root
// directory) with a reparse point opened as itself and refused; files are
// read only when regular and within the limit, made new (FILE_CREATE: a
// name already there, a link included, is an error) and renamed into place
// through the folder's handle, so a planted link is replaced, never written
// through; a lock is LockFileEx on a file of the folder.
#include "StateFolder.h"

#include <algorithm>
#include <cctype>
#include <ostream>
#include <random>
#include <utility>
#include <vector>
#include <windows.h>
#include <winternl.h>

#include "SysUtils.hpp"
#include "fileops_win32.h"
#include "ntrelative.h"
#include "piecebuffer.h"

namespace twsplatform {

namespace {

HANDLE AsHandle(TStateHandle handle) { return reinterpret_cast<HANDLE>(handle); }
TStateHandle FromHandle(HANDLE handle) { return reinterpret_cast<TStateHandle>(handle); }

bool IsMissing(DWORD err) { return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND; }

[[noreturn]] void Fail(const AnsiString& path, const char* what, DWORD err)
{
    const AnsiString text = path + ": " + what + ": " + SysErrorMessage(static_cast<int>(err));
    if (IsMissing(err))
        throw EStateMissing(text);
    throw std::runtime_error(text);
}

DWORD ErrorOf(LONG status) { return ::RtlNtStatusToDosError(status); }

// Closes what it holds when it goes, unless released.
class THeld {
public:
    explicit THeld(HANDLE h = INVALID_HANDLE_VALUE) : FHandle(h) {}
    ~THeld() { Reset(); }
    THeld(const THeld&) = delete;
    THeld& operator=(const THeld&) = delete;
    bool Valid() const { return FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr; }
    HANDLE Get() const { return FHandle; }
    HANDLE Release() { return std::exchange(FHandle, INVALID_HANDLE_VALUE); }
    void Reset(HANDLE h = INVALID_HANDLE_VALUE)
    {
        if (Valid())
            ::CloseHandle(FHandle);
        FHandle = h;
    }

private:
    HANDLE FHandle;
};

bool SafeName(const AnsiString& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == AnsiString::npos &&
           name.find('\0') == AnsiString::npos;
}

void RequireSafeName(const AnsiString& folder, const AnsiString& name)
{
    if (!SafeName(name))
        throw std::runtime_error(folder + ": \"" + name + "\" is not a plain name");
}

bool Attributes(HANDLE h, DWORD& attributes)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(h, &info))
        return false;
    attributes = info.dwFileAttributes;
    return true;
}

constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY |
                                      FILE_READ_ATTRIBUTES;

// A drive letter's or a share's path with a separator after it.
bool Absolute(const AnsiString& path)
{
    const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                       (path[2] == '\\' || path[2] == '/');
    const bool share = path.size() >= 3 && path[0] == '\\' && path[1] == '\\';
    return drive || share;
}

// Creates path and its missing parents, following links: the base folder
// is the user's own setting. Only the folder itself must be made: above it
// a drive's root or a share's name answers with other errors than "there",
// and opening it afterwards tells what is missing.
void MakeBase(const AnsiString& path)
{
    for (std::size_t pos = 3; pos <= path.size(); ++pos) {
        if (pos < path.size() && path[pos] != '\\' && path[pos] != '/')
            continue;
        const std::wstring wide = twslisting::ExtendedPath(path.substr(0, pos));
        if (!::CreateDirectoryW(wide.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS &&
            pos == path.size())
            Fail(path, "cannot create the folder", ::GetLastError());
    }
}

HANDLE OpenBelow(HANDLE parent, const AnsiString& parentPath, const AnsiString& name, TCreate create)
{
    RequireSafeName(parentPath, name);
    const AnsiString path = parentPath + "\\" + name;
    LONG status = 0;
    THeld folder(twslisting::OpenRelative(parent, name, kFolderAccess, FILE_DIRECTORY_FILE, &status));
    if (!folder.Valid() && twslisting::IsNotFound(status) && create == TCreate::Yes)
        folder.Reset(twslisting::CreateRelative(parent, name, kFolderAccess, FILE_DIRECTORY_FILE, FILE_OPEN_IF,
                                                FILE_ATTRIBUTE_NORMAL, &status));
    if (!folder.Valid())
        Fail(path, status == static_cast<LONG>(0xC0000103L) ? "not a folder (a file)" : "cannot open the folder",
             ErrorOf(status));  // STATUS_NOT_A_DIRECTORY
    DWORD attributes = 0;
    if (!Attributes(folder.Get(), attributes))
        Fail(path, "cannot read the folder", ::GetLastError());
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw std::runtime_error(path + ": not a folder (a link or a file)");
    return folder.Release();
}

// Reads a file opened as itself: it must be regular and within limit.
std::string ReadOpened(HANDLE h, const AnsiString& path, std::size_t limit)
{
    DWORD attributes = 0;
    if (!Attributes(h, attributes))
        Fail(path, "cannot read the file", ::GetLastError());
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        throw std::runtime_error(path + ": a link, not a file");
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        throw std::runtime_error(path + " is not a regular file");
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(h, &size))
        Fail(path, "cannot read the file", ::GetLastError());
    if (static_cast<std::uint64_t>(size.QuadPart) > limit)
        throw std::runtime_error(path + " is larger than " + std::to_string(limit) + " bytes");
    std::string text;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(h, buffer, sizeof buffer, &got, nullptr))
            Fail(path, "cannot read the file", ::GetLastError());
        if (got == 0)
            return text;
        // It may have grown since the size was read.
        if (text.size() + got > limit)
            throw std::runtime_error(path + " is larger than " + std::to_string(limit) + " bytes");
        text.append(buffer, got);
    }
}

void WriteAll(HANDLE h, std::string_view text, const AnsiString& path)
{
    while (!text.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 30));
        DWORD put = 0;
        if (!::WriteFile(h, text.data(), chunk, &put, nullptr) || put == 0)
            Fail(path, "cannot write the file", ::GetLastError());
        text.remove_prefix(put);
    }
}

AnsiString RandomTag()
{
    static std::mt19937_64 generator{std::random_device{}()};
    return std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(generator() % 1000000000);
}

// Gives what h holds the name within folder, replacing what has it: the
// rename names its target relative to the folder's handle. (Through the
// native call: the Win32 one takes the name for a path of the current
// folder's under Wine.) The Win32 error on failure.
DWORD RenameWithin(HANDLE h, HANDLE folder, const AnsiString& name)
{
    const std::wstring wide = twslisting::AnsiToWide(name);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFORMATION) + wide.size() * sizeof(WCHAR));
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = folder;
    rename->FileNameLength = static_cast<ULONG>(wide.size() * sizeof(WCHAR));
    std::copy(wide.begin(), wide.end(), rename->FileName);
    IO_STATUS_BLOCK io;
    const NTSTATUS status =
        ::NtSetInformationFile(h, &io, rename, static_cast<ULONG>(buffer.size()), FileRenameInformation);
    return status >= 0 ? ERROR_SUCCESS : ErrorOf(status);
}

void DeleteHeld(HANDLE h)
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    ::SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition);
}

bool Narrow(const WCHAR* name, std::size_t length, AnsiString& narrow)
{
    BOOL lossy = FALSE;
    const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, static_cast<int>(length), nullptr, 0,
                                        nullptr, &lossy);
    if (n <= 0 || lossy)
        return false;
    narrow.assign(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, static_cast<int>(length), narrow.data(), n, nullptr,
                          &lossy);
    return !lossy;
}

}  // namespace

TStateFolder TStateFolder::Open(const AnsiString& base, const std::vector<AnsiString>& below, TCreate create)
{
    if (!Absolute(base))
        throw std::runtime_error("\"" + base + "\" is not an absolute folder");
    if (create == TCreate::Yes)
        MakeBase(base);
    THeld folder(::CreateFileW(twslisting::ExtendedPath(base).c_str(), kFolderAccess,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder.Valid())
        Fail(base, "cannot open the folder", ::GetLastError());
    AnsiString path = base;
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    for (const AnsiString& name : below) {
        HANDLE next = OpenBelow(folder.Get(), path, name, create);
        path += "\\" + name;
        folder.Reset(next);
    }
    return TStateFolder(FromHandle(folder.Release()), path);
}

TStateFolder::~TStateFolder()
{
    if (FFd != -1)
        ::CloseHandle(AsHandle(FFd));
}

TStateFolder::TStateFolder(TStateFolder&& other) noexcept : FFd(other.FFd), FPath(std::move(other.FPath))
{
    other.FFd = -1;
}

TStateFolder& TStateFolder::operator=(TStateFolder&& other) noexcept
{
    if (this != &other) {
        if (FFd != -1)
            ::CloseHandle(AsHandle(FFd));
        FFd = std::exchange(other.FFd, -1);
        FPath = std::move(other.FPath);
    }
    return *this;
}

AnsiString TStateFolder::PathOf(const AnsiString& name) const { return FPath + "\\" + name; }

TStateFolder TStateFolder::Folder(const AnsiString& name, TCreate create) const
{
    HANDLE h = OpenBelow(AsHandle(FFd), FPath, name, create);
    return TStateFolder(FromHandle(h), PathOf(name));
}

bool TStateFolder::MakeFolder(const AnsiString& name) const
{
    RequireSafeName(FPath, name);
    LONG status = 0;
    THeld made(twslisting::CreateRelative(AsHandle(FFd), name, FILE_LIST_DIRECTORY, FILE_DIRECTORY_FILE, FILE_CREATE,
                                          FILE_ATTRIBUTE_NORMAL, &status));
    if (made.Valid())
        return true;
    if (status == static_cast<LONG>(0xC0000035L))  // STATUS_OBJECT_NAME_COLLISION
        return false;
    Fail(PathOf(name), "cannot create the folder", ErrorOf(status));
}

std::vector<AnsiString> TStateFolder::Folders() const
{
    std::vector<AnsiString> names;
    // The listing starts afresh (the restart class) on the folder's own handle.
    alignas(8) unsigned char buffer[64 * 1024];
    FILE_INFO_BY_HANDLE_CLASS what = FileIdBothDirectoryRestartInfo;
    while (::GetFileInformationByHandleEx(AsHandle(FFd), what, buffer, sizeof buffer)) {
        what = FileIdBothDirectoryInfo;
        for (std::size_t at = 0;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + at);
            AnsiString name;
            if ((entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(entry->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                Narrow(entry->FileName, entry->FileNameLength / sizeof(WCHAR), name) && SafeName(name))
                names.push_back(name);
            if (entry->NextEntryOffset == 0)
                break;
            at += entry->NextEntryOffset;
        }
    }
    if (::GetLastError() != ERROR_NO_MORE_FILES)
        Fail(FPath, "cannot list the folder", ::GetLastError());
    return names;
}

bool TStateFolder::Has(const AnsiString& name) const
{
    if (!SafeName(name))
        return false;
    LONG status = 0;
    THeld h(twslisting::OpenRelative(AsHandle(FFd), name, FILE_READ_ATTRIBUTES, 0, &status));
    // Something that is there but cannot be opened is there all the same.
    return h.Valid() || !twslisting::IsNotFound(status);
}

std::string TStateFolder::Read(const AnsiString& name, std::size_t limit) const
{
    RequireSafeName(FPath, name);
    LONG status = 0;
    THeld h(twslisting::OpenRelative(AsHandle(FFd), name, FILE_READ_DATA | FILE_READ_ATTRIBUTES, 0, &status));
    if (!h.Valid())
        Fail(PathOf(name), "cannot open the file", ErrorOf(status));
    return ReadOpened(h.Get(), PathOf(name), limit);
}

void TStateFolder::Replace(const AnsiString& name, std::string_view text) const
{
    Replace(name, [text](std::ostream& out) { out.write(text.data(), static_cast<std::streamsize>(text.size())); });
}

void TStateFolder::Replace(const AnsiString& name, const std::function<void(std::ostream&)>& write) const
{
    RequireSafeName(FPath, name);
    AnsiString temp;
    THeld h;
    LONG status = 0;
    for (int tries = 0; !h.Valid() && tries < 16; ++tries) {
        temp = "." + name + "." + RandomTag() + ".new";
        h.Reset(twslisting::CreateRelative(AsHandle(FFd), temp, FILE_WRITE_DATA | FILE_READ_ATTRIBUTES | DELETE,
                                           FILE_NON_DIRECTORY_FILE, FILE_CREATE, FILE_ATTRIBUTE_NORMAL, &status));
        if (!h.Valid() && status != static_cast<LONG>(0xC0000035L))
            Fail(PathOf(temp), "cannot create the file", ErrorOf(status));
    }
    if (!h.Valid())
        Fail(PathOf(name), "no free temporary name", ERROR_FILE_EXISTS);
    try {
        const AnsiString tempPath = PathOf(temp);
        TPieceBuffer buffer([&](std::string_view piece) { WriteAll(h.Get(), piece, tempPath); });
        std::ostream out(&buffer);
        // A failed write throws from the buffer: through the stream too.
        out.exceptions(std::ios::badbit);
        write(out);
        out.flush();
        if (!::FlushFileBuffers(h.Get()))
            Fail(PathOf(temp), "cannot write the file", ::GetLastError());
        if (const DWORD err = RenameWithin(h.Get(), AsHandle(FFd), name); err != ERROR_SUCCESS)
            Fail(PathOf(name), "cannot replace the file", err);
    } catch (...) {
        DeleteHeld(h.Get());
        throw;
    }
}

TAppendFile TStateFolder::CreateAppendFile(const AnsiString& name) const
{
    RequireSafeName(FPath, name);
    LONG status = 0;
    const HANDLE h = twslisting::CreateRelative(AsHandle(FFd), name, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                                FILE_NON_DIRECTORY_FILE, FILE_CREATE, FILE_ATTRIBUTE_NORMAL, &status);
    if (h == INVALID_HANDLE_VALUE)
        Fail(PathOf(name), "cannot create the file", ErrorOf(status));
    return TAppendFile(FromHandle(h), PathOf(name));
}

TStateLock TStateFolder::Lock(const AnsiString& name) const
{
    RequireSafeName(FPath, name);
    LONG status = 0;
    THeld h(twslisting::CreateRelative(AsHandle(FFd), name, FILE_READ_DATA | FILE_WRITE_DATA | FILE_READ_ATTRIBUTES,
                                       0, FILE_OPEN_IF, FILE_ATTRIBUTE_NORMAL, &status));
    if (!h.Valid())
        Fail(PathOf(name), "cannot open the lock file", ErrorOf(status));
    DWORD attributes = 0;
    if (!Attributes(h.Get(), attributes) || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        throw std::runtime_error(PathOf(name) + " is not a regular file");
    OVERLAPPED at{};
    if (!::LockFileEx(h.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        if (::GetLastError() == ERROR_LOCK_VIOLATION || ::GetLastError() == ERROR_IO_PENDING)
            throw EStateBusy(FPath + " is in use by another process");
        Fail(PathOf(name), "cannot lock", ::GetLastError());
    }
    return TStateLock(FromHandle(h.Release()));
}

TStateLock::~TStateLock()
{
    // Closing the handle releases its lock.
    if (FFd != -1)
        ::CloseHandle(AsHandle(FFd));
}

TAppendFile::~TAppendFile()
{
    if (FFd != -1)
        ::CloseHandle(AsHandle(FFd));
}

void TAppendFile::Append(std::string_view line)
{
    std::string text(line);
    text += '\n';
    // One WriteFile per line: append access keeps it whole at the end.
    DWORD put = 0;
    if (!::WriteFile(AsHandle(FFd), text.data(), static_cast<DWORD>(text.size()), &put, nullptr) ||
        put != text.size())
        Fail(FPath, "cannot append to the file", put == 0 ? ::GetLastError() : ERROR_WRITE_FAULT);
}

std::string ReadRegularFile(const AnsiString& path, std::size_t limit)
{
    THeld h(::CreateFileW(twslisting::ExtendedPath(path).c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!h.Valid())
        Fail(path, "cannot open the file", ::GetLastError());
    return ReadOpened(h.Get(), path, limit);
}

TFileIdentity FolderIdentityWithoutLinks(const AnsiString& path)
{
    // The drive's root ("S:\"), then each name below it.
    if (path.size() < 3 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':' ||
        (path[2] != '\\' && path[2] != '/'))
        throw std::runtime_error(path + ": not a plain absolute path");
    THeld folder(::CreateFileW(twslisting::ExtendedPath(path.substr(0, 3)).c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder.Valid())
        Fail(path, "cannot open the folder", ::GetLastError());
    std::size_t from = 3;
    while (from < path.size()) {
        const std::size_t end = std::min(path.find_first_of("\\/", from), path.size());
        const AnsiString name = path.substr(from, end - from);
        from = end + 1;
        if (name.empty())
            continue;
        if (name == "." || name == "..")
            throw std::runtime_error(path + ": not a plain absolute path");
        LONG status = 0;
        THeld next(twslisting::OpenRelative(folder.Get(), name, FILE_READ_ATTRIBUTES | FILE_TRAVERSE, FILE_DIRECTORY_FILE,
                                            &status));
        if (!next.Valid())
            Fail(path, "cannot open the folder", ErrorOf(status));
        DWORD attributes = 0;
        if (!Attributes(next.Get(), attributes) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            throw std::runtime_error(path + ": a link or a file on the way");
        folder.Reset(next.Release());
    }
    TFileIdentity identity;
    if (!IdentityOfHandle(folder.Get(), identity))
        Fail(path, "cannot read the folder", ::GetLastError());
    return identity;
}

}  // namespace twsplatform
