// The directory listing on Windows: a folder is a handle opened with backup
// semantics; its entries come in bulk from
// GetFileInformationByHandleEx(FileIdBothDirectoryInfo), which gives each
// one's attributes, times, size, file ID and short name in a single call, so
// describing an entry that Next just returned costs nothing more. Folders
// and files below an open folder are opened relative to its handle
// (NtCreateFile with a root directory), never by rebuilding a path, and
// without following reparse points.
//
// What differs from POSIX: the attributes are the file system's own (hidden
// and system included; IsHiddenName is false for every name), the identity
// is the volume's serial number and the file ID, and names are given in the
// ANSI code page: an entry whose name that code page cannot spell is left
// out, since no A function could open it again, and counted (Unnamed).
#include "listing.h"
#include "ntrelative.h"

#include <algorithm>
#include <vector>
#include <windows.h>
#include <winternl.h>

#include "SysUtils.hpp"

namespace twslisting {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
// 100 ns ticks from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;

FILETIME ToFileTime(const LARGE_INTEGER& t)
{
    FILETIME f;
    f.dwLowDateTime = static_cast<DWORD>(t.QuadPart);
    f.dwHighDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(t.QuadPart) >> 32);
    return f;
}

}  // namespace

std::int64_t Nanoseconds(std::int64_t ticks) { return (ticks - kUnixEpochTicks) * 100; }

std::wstring AnsiToWide(std::string_view text)
{
    std::wstring wide;
    if (text.empty())
        return wide;
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    wide.resize(static_cast<std::size_t>(n));
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::wstring ExtendedPath(const AnsiString& path)
{
    // A drive is its root, never its current folder: "S:" opens "S:\", and
    // "S:x" (relative to that current folder) opens nothing.
    if (path.size() >= 2 && path[1] == ':' && IsDriveLetter(path[0]) && (path.size() == 2 || !IsSeparator(path[2])))
        return path.size() == 2 ? L"\\\\?\\" + AnsiToWide(path) + L"\\" : std::wstring();
    const TVolumeName canonical = CanonicalVolume(path);
    if (!canonical.Refusal.empty() || (canonical.Path != path && canonical.Path != path + "\\"))
        return AnsiToWide(path.empty() ? AnsiString("\\") : path);
    // A file's name takes no separator after it.
    std::string_view exact = canonical.Path;
    if (canonical.Path != path)
        exact.remove_suffix(1);
    if (exact.rfind("\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + AnsiToWide(exact.substr(2));
    return L"\\\\?\\" + AnsiToWide(exact);
}

namespace {

// The name in the ANSI code page; false when that code page cannot spell it.
bool Narrow(const WCHAR* name, std::size_t length, std::string& narrow)
{
    narrow.clear();
    if (length == 0)
        return true;
    BOOL lossy = FALSE;
    const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, static_cast<int>(length), nullptr, 0,
                                        nullptr, &lossy);
    if (n <= 0 || lossy)
        return false;
    narrow.resize(static_cast<std::size_t>(n));
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, static_cast<int>(length), narrow.data(), n, nullptr,
                          &lossy);
    return !lossy;
}

}  // namespace

HANDLE OpenRelative(HANDLE root, std::string_view name, ACCESS_MASK access, ULONG options, LONG* status)
{
    return CreateRelative(root, name, access, options, FILE_OPEN, 0, status);
}

HANDLE CreateRelative(HANDLE root, std::string_view name, ACCESS_MASK access, ULONG options, ULONG disposition,
                      ULONG fileAttributes, LONG* status)
{
    std::wstring wide = AnsiToWide(name);
    if (wide.empty() || wide.find_first_of(L"\\/") != std::wstring::npos) {
        if (status != nullptr)
            *status = static_cast<LONG>(0xC0000033L);  // STATUS_OBJECT_NAME_INVALID
        return INVALID_HANDLE_VALUE;
    }
    UNICODE_STRING path;
    path.Buffer = wide.data();
    path.Length = path.MaximumLength = static_cast<USHORT>(wide.size() * sizeof(WCHAR));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &path, OBJ_CASE_INSENSITIVE, root, nullptr);
    IO_STATUS_BLOCK io;
    HANDLE h = nullptr;
    const NTSTATUS result =
        ::NtCreateFile(&h, access | SYNCHRONIZE, &attributes, &io, nullptr, fileAttributes,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, disposition,
                       options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT,
                       nullptr, 0);
    if (status != nullptr)
        *status = result;
    return result >= 0 ? h : INVALID_HANDLE_VALUE;
}

bool IsNotFound(LONG status)
{
    // STATUS_OBJECT_NAME_NOT_FOUND, STATUS_OBJECT_PATH_NOT_FOUND,
    // STATUS_DELETE_PENDING (a name on its way out)
    return status == static_cast<LONG>(0xC0000034L) || status == static_cast<LONG>(0xC000003AL) ||
           status == static_cast<LONG>(0xC0000056L);
}

struct TFolderReader::TState {
    HANDLE Handle = INVALID_HANDLE_VALUE;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::vector<char> Buffer = std::vector<char>(kBufferSize);
    std::size_t Pos = 0;
    bool Filled = false;
    bool Started = false;
    bool AtEnd = false;
    std::size_t Unnamed = 0;  // entries passed over: the code page cannot spell them
    // The entry Next returned last, for Describe.
    const FILE_ID_BOTH_DIR_INFO* Current = nullptr;
    std::string CurrentName;
};

namespace {

// Takes ownership of h, an open folder; checks it is a folder, not a
// reparse point, and the one expected.
std::unique_ptr<TFolderReader::TState> Adopt(HANDLE h, const TDirEntry* expected)
{
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = ::GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    const std::uint64_t inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    if (!ok || (expected != nullptr &&
                (info.dwVolumeSerialNumber != expected->Identity.Device || inode != expected->Identity.Inode))) {
        ::CloseHandle(h);
        return nullptr;
    }
    auto state = std::make_unique<TFolderReader::TState>();
    state->Handle = h;
    state->Device = info.dwVolumeSerialNumber;
    state->Inode = inode;
    return state;
}

HANDLE OpenFolderByName(const AnsiString& path, DWORD flags)
{
    return ::CreateFileW(ExtendedPath(path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

}  // namespace

TFolderReader::TFolderReader() = default;

TFolderReader::~TFolderReader() { Close(); }

bool TFolderReader::IsOpen() const { return FState != nullptr; }

std::size_t TFolderReader::Unnamed() const { return FState ? FState->Unnamed : 0; }

void TFolderReader::Close()
{
    if (FState)
        ::CloseHandle(FState->Handle);
    FState.reset();
}

bool TFolderReader::Open(const AnsiString& path)
{
    Close();
    FState = Adopt(OpenFolderByName(path, 0), nullptr);
    return IsOpen();
}

bool TFolderReader::Open(const AnsiString& path, const TDirEntry& entry)
{
    Close();
    FState = Adopt(OpenFolderByName(path, FILE_FLAG_OPEN_REPARSE_POINT), &entry);
    if (FState) {
        BY_HANDLE_FILE_INFORMATION info;
        if (!::GetFileInformationByHandle(FState->Handle, &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            Close();
    }
    return IsOpen();
}

namespace {

constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;

// A second handle to the folder root holds, with its own listing position.
HANDLE ReopenFolder(const TRootFolder& root)
{
    return ::ReOpenFile(LongToHandle(root.Handle()), kFolderAccess,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_FLAG_BACKUP_SEMANTICS);
}

}  // namespace

bool TFolderReader::Open(const TRootFolder& root)
{
    Close();
    if (!root.IsOpen())
        return false;
    TDirEntry expected;
    expected.Identity.Device = root.Identity().first;
    expected.Identity.Inode = root.Identity().second;
    FState = Adopt(ReopenFolder(root), &expected);
    return IsOpen();
}

bool TFolderReader::OpenBelow(const TRootFolder& root, std::string_view relative, const TDirEntry& entry)
{
    Close();
    int handle = -1;
    if (root.OpenBelow(relative, handle) != TWalkResult::Opened)
        return false;
    FState = Adopt(LongToHandle(handle), &entry);
    return IsOpen();
}

bool TFolderReader::OpenSub(const TFolderReader& parent, const TDirEntry& entry)
{
    Close();
    if (!parent.IsOpen())
        return false;
    FState = Adopt(OpenRelative(parent.FState->Handle, entry.Name, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                FILE_DIRECTORY_FILE),
                   &entry);
    return IsOpen();
}

bool TFolderReader::OpenSubNamed(const TFolderReader& parent, const char* name)
{
    Close();
    if (!parent.IsOpen())
        return false;
    FState = Adopt(OpenRelative(parent.FState->Handle, name, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                FILE_DIRECTORY_FILE),
                   nullptr);
    if (FState) {
        BY_HANDLE_FILE_INFORMATION info;
        // A reparse point (a junction, a link, a mounted volume) is not entered.
        if (FState->Device != parent.FState->Device || !::GetFileInformationByHandle(FState->Handle, &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            Close();
    }
    return IsOpen();
}

bool TFolderReader::ReadHead(const char* name, std::size_t limit, std::string& bytes) const
{
    bytes.clear();
    if (!FState)
        return false;
    const HANDLE h = OpenRelative(FState->Handle, name, FILE_READ_DATA | FILE_READ_ATTRIBUTES, FILE_NON_DIRECTORY_FILE);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = ::GetFileInformationByHandle(h, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
              ::GetFileType(h) == FILE_TYPE_DISK;
    if (ok) {
        const std::uint64_t size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(limit, size)));
        std::size_t done = 0;
        while (done < bytes.size()) {
            DWORD n = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
            if (!::ReadFile(h, bytes.data() + done, chunk, &n, nullptr) || n == 0)
                break;  // shrunk meanwhile, or unreadable: keep what came
            done += n;
        }
        bytes.resize(done);
        ok = done > 0 || size == 0;
    }
    ::CloseHandle(h);
    if (!ok)
        bytes.clear();
    return ok;
}

bool TFolderReader::Next(std::string_view& name, TEntryKind& kind)
{
    if (!FState)
        return false;
    TState& s = *FState;
    for (;;) {
        if (!s.Filled) {
            if (s.AtEnd)
                return false;
            const FILE_INFO_BY_HANDLE_CLASS what = s.Started ? FileIdBothDirectoryInfo : FileIdBothDirectoryRestartInfo;
            s.Started = true;
            if (!::GetFileInformationByHandleEx(s.Handle, what, s.Buffer.data(), static_cast<DWORD>(s.Buffer.size()))) {
                s.AtEnd = true;  // ERROR_NO_MORE_FILES, or a folder that can no longer be read
                s.Current = nullptr;
                return false;
            }
            s.Pos = 0;
            s.Filled = true;
        }
        const auto* d = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(s.Buffer.data() + s.Pos);
        if (d->NextEntryOffset == 0)
            s.Filled = false;
        else
            s.Pos += d->NextEntryOffset;
        const std::size_t length = d->FileNameLength / sizeof(WCHAR);
        const WCHAR* n = d->FileName;
        if (n[0] == L'.' && (length == 1 || (length == 2 && n[1] == L'.')))
            continue;
        // Links and junctions are never followed, so never listed; nor are
        // names the ANSI code page cannot spell, which are counted.
        if (d->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            continue;
        if (!Narrow(n, length, s.CurrentName)) {
            ++s.Unnamed;
            continue;
        }
        kind = (d->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? TEntryKind::ekFolder : TEntryKind::ekFile;
        s.Current = d;
        name = s.CurrentName;
        return true;
    }
}

bool TFolderReader::Describe(const char* name, TEntryKind kind, TDirEntry& entry) const
{
    if (!FState)
        return false;
    const TState& s = *FState;
    DWORD attributes;
    LARGE_INTEGER creation, access, write, size;
    std::uint64_t inode, device = s.Device;
    if (s.Current != nullptr && s.CurrentName == name) {
        const FILE_ID_BOTH_DIR_INFO& d = *s.Current;
        attributes = d.FileAttributes;
        creation = d.CreationTime;
        access = d.LastAccessTime;
        write = d.LastWriteTime;
        size = d.EndOfFile;
        inode = static_cast<std::uint64_t>(d.FileId.QuadPart);
    } else {
        const HANDLE h = OpenRelative(s.Handle, name, FILE_READ_ATTRIBUTES, 0);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        BY_HANDLE_FILE_INFORMATION info;
        const bool ok = ::GetFileInformationByHandle(h, &info);
        ::CloseHandle(h);
        if (!ok)
            return false;
        attributes = info.dwFileAttributes;
        creation.QuadPart = (static_cast<LONGLONG>(info.ftCreationTime.dwHighDateTime) << 32) | info.ftCreationTime.dwLowDateTime;
        access.QuadPart = (static_cast<LONGLONG>(info.ftLastAccessTime.dwHighDateTime) << 32) | info.ftLastAccessTime.dwLowDateTime;
        write.QuadPart = (static_cast<LONGLONG>(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
        size.QuadPart = (static_cast<LONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        device = info.dwVolumeSerialNumber;
    }
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folder != (kind == TEntryKind::ekFolder) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        device != s.Device)
        return false;
    entry.Name = name;
    entry.Attributes = attributes;
    entry.Size = folder ? 0 : size.QuadPart;
    entry.CreationTime = ToFileTime(creation);
    entry.LastAccessTime = ToFileTime(access);
    entry.LastWriteTime = ToFileTime(write);
    entry.Identity.Device = device;
    entry.Identity.Size = entry.Size;
    entry.Identity.Inode = inode;
    entry.Identity.ModifiedNs = Nanoseconds(write.QuadPart);
    entry.Identity.HasBirthTime = true;
    entry.Identity.BornNs = Nanoseconds(creation.QuadPart);
    return true;
}

bool IsHiddenName(std::string_view) { return false; }

namespace {

AnsiString WindowsFolder()
{
    char folder[MAX_PATH + 1];
    const UINT n = ::GetWindowsDirectoryA(folder, sizeof folder);
    return n > 0 && n < sizeof folder ? ExcludeTrailingPathDelimiter(AnsiString(folder, n)) : AnsiString();
}

// The handle's path within its volume (FileNameInfo), after a drive whose
// root lies on that volume: the drive of openedAs when it does (a volume
// may have more than one), else the first that does; false when none does.
bool PathOnDrive(HANDLE h, const AnsiString& openedAs, std::wstring& path)
{
    BY_HANDLE_FILE_INFORMATION info;
    std::vector<char> buffer(sizeof(FILE_NAME_INFO) + 32768 * sizeof(WCHAR));
    auto* name = reinterpret_cast<FILE_NAME_INFO*>(buffer.data());
    if (!::GetFileInformationByHandle(h, &info) ||
        !::GetFileInformationByHandleEx(h, FileNameInfo, name, static_cast<DWORD>(buffer.size())))
        return false;
    const std::wstring within(name->FileName, name->FileNameLength / sizeof(WCHAR));
    std::vector<wchar_t> letters;
    if (openedAs.size() >= 2 && openedAs[1] == ':')
        letters.push_back(static_cast<wchar_t>(openedAs[0]));
    const DWORD drives = ::GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter)
        if (drives & (1u << letter))
            letters.push_back(static_cast<wchar_t>(L'A' + letter));
    for (const wchar_t letter : letters) {
        const std::wstring root = {letter, L':', L'\\'};
        const HANDLE r = ::CreateFileW((L"\\\\?\\" + root).c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (r == INVALID_HANDLE_VALUE)
            continue;
        BY_HANDLE_FILE_INFORMATION rootInfo;
        const bool same = ::GetFileInformationByHandle(r, &rootInfo) &&
                          rootInfo.dwVolumeSerialNumber == info.dwVolumeSerialNumber;
        ::CloseHandle(r);
        if (same) {
            path = root.substr(0, 2) + within;
            return true;
        }
    }
    return false;
}

// The full path the system gives for what the handle holds ("C:\x"), or
// the empty string.
AnsiString FinalPathOf(HANDLE h, const AnsiString& openedAs)
{
    // Asked wide: a path beyond MAX_PATH, or one the ANSI code page cannot
    // spell, is told as unknown rather than cut or altered.
    std::wstring final(32768, L'\0');
    const DWORD m = ::GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()),
                                                FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    std::string resolved;
    if (m == 0 || m >= final.size()) {
        // Wine answers only up to MAX_PATH: the path within the volume has
        // no such limit, and the drive is the one whose root has the
        // handle's volume serial number.
        if (!PathOnDrive(h, openedAs, final) || !Narrow(final.data(), final.size(), resolved))
            return AnsiString();
        return resolved;
    }
    if (!Narrow(final.data(), m, resolved))
        return AnsiString();
    if (resolved.rfind("\\\\?\\UNC\\", 0) == 0)
        resolved.replace(0, 8, "\\\\");
    else if (resolved.rfind("\\\\?\\", 0) == 0)
        resolved.erase(0, 4);
    return resolved;
}

// Whether the full path is the Windows folder or lies inside it.
bool InWindowsFolder(AnsiString path)
{
    const AnsiString windows = WindowsFolder();
    std::replace(path.begin(), path.end(), '/', '\\');
    path = ExcludeTrailingPathDelimiter(path);
    return !windows.empty() && path.size() >= windows.size() && SameText(path.substr(0, windows.size()), windows) &&
           (path.size() == windows.size() || path[windows.size()] == '\\');
}

}  // namespace

bool IsSystemFolder(std::string_view parentPath, std::string_view name)
{
    // The file system marks the rest with the system attribute; the Windows
    // folder itself carries none.
    return SameText(IncludeTrailingPathDelimiter(AnsiString(parentPath)) + AnsiString(name), WindowsFolder());
}

bool IsInSystemFolder(std::string_view path)
{
    // Wide, so that a path beyond MAX_PATH is judged rather than refused.
    std::wstring full(32768, L'\0');
    const std::wstring given = AnsiToWide(path.empty() ? std::string_view("\\") : path);
    const DWORD n = ::GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    std::string narrow;
    if (n == 0 || n >= full.size() || !Narrow(full.data(), n, narrow))
        return true;  // where the path leads is unknown: nothing is searched
    if (narrow.rfind("\\\\?\\", 0) == 0 && narrow.rfind("\\\\?\\UNC\\", 0) != 0)
        narrow.erase(0, 4);
    if (InWindowsFolder(narrow))
        return true;
    // Judged by where its links and junctions lead as well.
    const HANDLE h = OpenFolderByName(narrow, 0);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const AnsiString resolved = FinalPathOf(h, narrow);
    ::CloseHandle(h);
    return !resolved.empty() && InWindowsFolder(resolved);
}

// ---------------------------------------------------------------------------
// TRootFolder

namespace {

bool FolderIdentityOf(HANDLE h, TFolderIdentity& identity)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(h, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    identity = {info.dwVolumeSerialNumber,
                (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
}

}  // namespace

TRootFolder::TRootFolder() = default;

TRootFolder::~TRootFolder()
{
    if (FHandle != -1)
        ::CloseHandle(LongToHandle(FHandle));
}

bool TRootFolder::IsOpen() const { return FHandle != -1; }

bool TRootFolder::Open(const AnsiString& path)
{
    if (FHandle != -1)
        ::CloseHandle(LongToHandle(FHandle));
    FHandle = -1;
    FPath = path;
    // A volume root is a drive: only its last component can be a reparse
    // point, and that is opened as itself and refused.
    const HANDLE h = ::CreateFileW(ExtendedPath(path).c_str(), kFolderAccess,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    if (!FolderIdentityOf(h, FIdentity)) {
        ::CloseHandle(h);
        return false;
    }
    FHandle = HandleToLong(h);
    return true;
}

bool TRootFolder::LiesWithin(const TFolderIdentities& identities) const
{
    if (FHandle == -1)
        return false;
    if (identities.count(FIdentity) != 0)
        return true;
    // The folders above, by the path the held handle has now.
    AnsiString path = FinalPathOf(LongToHandle(FHandle), FPath);
    if (path.empty())
        return true;  // where the folder lies is unknown: taken as inside
    for (auto slash = path.find_last_of('\\'); slash != AnsiString::npos && slash > 0;
         slash = path.find_last_of('\\', slash - 1)) {
        const AnsiString above = path.substr(0, slash + 1);
        const HANDLE h = OpenFolderByName(above, FILE_FLAG_OPEN_REPARSE_POINT);
        if (h == INVALID_HANDLE_VALUE)
            continue;
        TFolderIdentity identity;
        const bool known = FolderIdentityOf(h, identity);
        ::CloseHandle(h);
        if (known && identities.count(identity) != 0)
            return true;
    }
    return false;
}

bool TRootFolder::IsInSystemFolder() const
{
    if (FHandle == -1)
        return false;
    const AnsiString path = FinalPathOf(LongToHandle(FHandle), FPath);
    return path.empty() || InWindowsFolder(path);
}

TWalkResult TRootFolder::OpenBelow(std::string_view relative, int& handle) const
{
    handle = -1;
    if (FHandle == -1)
        return TWalkResult::Missing;
    HANDLE folder = ReopenFolder(*this);
    if (folder == INVALID_HANDLE_VALUE)
        return TWalkResult::Refused;
    std::size_t start = 0;
    while (start < relative.size()) {
        auto end = relative.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = relative.size();
        const std::string_view part = relative.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == "." || part == "..") {
            ::CloseHandle(folder);
            return TWalkResult::BadPath;
        }
        LONG status = 0;
        const HANDLE next = OpenRelative(folder, part, kFolderAccess, FILE_DIRECTORY_FILE, &status);
        ::CloseHandle(folder);
        if (next == INVALID_HANDLE_VALUE)
            return IsNotFound(status) ? TWalkResult::Missing : TWalkResult::Refused;
        // A junction or link opens as itself: never walked through.
        TFolderIdentity identity;
        if (!FolderIdentityOf(next, identity)) {
            ::CloseHandle(next);
            return TWalkResult::Refused;
        }
        folder = next;
    }
    handle = HandleToLong(folder);
    return TWalkResult::Opened;
}

AnsiString ShortPathName(const AnsiString& fileName)
{
    char buffer[MAX_PATH * 4];
    const DWORD n = ::GetShortPathNameA(fileName.c_str(), buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? AnsiString(buffer, n) : AnsiString();
}

TVolumeName CanonicalVolume(const AnsiString& volume)
{
    AnsiString text = volume;
    std::replace(text.begin(), text.end(), '/', '\\');
    if (text.empty())
        return {AnsiString(), "no folder was named"};
    // The extended and the device prefixes name the same drive or share.
    AnsiString root;
    std::size_t rest = 0;
    const bool prefixed = text.rfind("\\\\?\\", 0) == 0 || text.rfind("\\\\.\\", 0) == 0;
    const std::size_t at = prefixed ? 4 : 0;
    if (prefixed && text.size() >= at + 4 && SameText(text.substr(at, 4), "UNC\\")) {
        root = "\\\\";
        rest = at + 4;
    } else if (text.size() >= at + 2 && IsDriveLetter(text[at]) && text[at + 1] == ':') {
        if (text.size() == at + 2 || text[at + 2] != '\\')
            return {AnsiString(), "\"" + volume + "\" names a drive's current folder, not a folder of its own"};
        root = text.substr(at, 3);
        rest = at + 3;
    } else if (!prefixed && text.rfind("\\\\", 0) == 0) {
        root = "\\\\";
        rest = 2;
    } else if (prefixed) {
        return {AnsiString(), "\"" + volume + "\" names a device, not a folder on a drive or a share"};
    } else {
        return {AnsiString(), "\"" + volume + "\" is not a full path (a drive or a share)"};
    }
    AnsiString path = root;
    int components = 0;
    std::size_t start = rest;
    while (start <= text.size()) {
        std::size_t end = text.find('\\', start);
        if (end == AnsiString::npos)
            end = text.size();
        const AnsiString part = text.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return {AnsiString(), "\"" + volume + "\" leaves the folder it names (\"..\")"};
        if (part.find_first_of(":*?\"<>|") != AnsiString::npos)
            return {AnsiString(), "\"" + volume + "\" holds a name no folder can have: " + part};
        path += part + "\\";
        ++components;
    }
    // A share is a server and a share name, at the least.
    if (root == "\\\\" && components < 2)
        return {AnsiString(), "\"" + volume + "\" names no share (\\\\server\\share\\)"};
    return {path, AnsiString()};
}

}  // namespace twslisting
