// The registry files on POSIX: the prefix from the environment, the lock
// file, reading with a parse cache, atomic replacement, and the report of
// damaged files.
#include "RegistryStore.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <pwd.h>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "AtomicFile.hpp"
#include "RegistryText.h"
#include "SysUtils.hpp"
#include "winerror.h"

namespace twsregistry {

namespace {

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v != nullptr ? std::string(v) : std::string();
}

std::string HomeFolder()
{
    std::string home = Env("HOME");
    if (!home.empty())
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    return "/";
}

// The last text read of each root file and its tree: parsing is skipped
// when the bytes are the same.
struct CachedRoot {
    std::string bytes;
    std::shared_ptr<const RegKey> tree;
};
std::mutex gCacheMutex;
std::map<std::string, CachedRoot> gCache;
constexpr std::size_t kCacheLimit = 16;  // roots of a few prefixes

void Remember(const std::string& path, CachedRoot entry)
{
    std::lock_guard<std::mutex> lock(gCacheMutex);
    if (gCache.size() >= kCacheLimit && gCache.find(path) == gCache.end())
        gCache.clear();
    gCache[path] = std::move(entry);
}

std::mutex gReportedMutex;
std::set<std::size_t> gReported;

[[noreturn]] void Damaged(const std::string& path, const std::string& bytes, const RegTextError& e)
{
    const std::string where = e.Line() > 0 ? ", line " + std::to_string(e.Line()) : std::string();
    const std::string message = "Damaged registry file \"" + path + "\"" + where + ": " +
                                e.what() + ". The file is left unchanged; repair or remove it.";
    {
        std::lock_guard<std::mutex> lock(gReportedMutex);
        if (gReported.insert(std::hash<std::string>{}(path + '\n' + bytes)).second)
            std::fprintf(stderr, "twsregistry: %s\n", message.c_str());
    }
    throw RegStoreError(ERROR_BADDB, message);
}

// The file's bytes, or false when it does not exist.
bool ReadBytes(const std::string& path, std::string& bytes)
{
    try {
        return vcl::ReadWholeFile(path, bytes);
    } catch (const Exception& e) {
        throw RegStoreError(ERROR_CANTREAD, std::string("Cannot read the registry: ") + e.what());
    }
}

std::shared_ptr<const RegKey> Parse(Root root, const std::string& path, const std::string& bytes)
{
    {
        std::lock_guard<std::mutex> lock(gCacheMutex);
        const auto it = gCache.find(path);
        if (it != gCache.end() && it->second.bytes == bytes)
            return it->second.tree;
    }
    std::shared_ptr<const RegKey> tree;
    try {
        tree = ParseRegistryText(bytes, RootName(root));
    } catch (const RegTextError& e) {
        Damaged(path, bytes, e);
    }
    Remember(path, CachedRoot{bytes, tree});
    return tree;
}

LONG FromErrno(int err)
{
    return err == EACCES || err == EPERM || err == EROFS ? ERROR_ACCESS_DENIED : ERROR_CANTWRITE;
}

void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Creates the prefix and its missing parents so that they, too, survive a
// crash once a change has returned.
void CreateFolder(const std::string& prefix)
{
    std::vector<std::string> missing;
    for (std::string f = prefix; !f.empty() && f != "/" && !DirectoryExists(f);) {
        missing.push_back(f);
        const std::size_t slash = f.find_last_of('/');
        f = slash == std::string::npos ? std::string() : slash == 0 ? "/" : f.substr(0, slash);
    }
    if (missing.empty())
        return;
    if (!ForceDirectories(prefix)) {
        const int err = errno;
        throw RegStoreError(FromErrno(err), "Cannot create the registry folder \"" + prefix +
                                                "\". " + std::strerror(err));
    }
    for (const auto& folder : missing) {
        const std::size_t slash = folder.find_last_of('/');
        SyncFolder(slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash));
    }
}

// Holds the registry's exclusive lock for the life of the object.
class ExclusiveLock {
public:
    explicit ExclusiveLock(const std::string& prefix)
    {
        CreateFolder(prefix);
        const std::string path = prefix + "/.lock";
        FFd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (FFd < 0) {
            const int err = errno;
            throw RegStoreError(FromErrno(err), "Cannot open the registry lock file \"" + path +
                                                    "\". " + std::strerror(err));
        }
        while (::flock(FFd, LOCK_EX) != 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(FFd);
            throw RegStoreError(ERROR_CANTWRITE, "Cannot lock the registry lock file \"" + path +
                                                     "\". " + std::strerror(err));
        }
    }
    ~ExclusiveLock() { ::close(FFd); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    int FFd = -1;
};

// A writer killed between creating its temporary file and the rename leaves
// the temporary file behind. While the lock is held no other writer is
// between those steps, so every such file of this root is stale. The names
// are those vcl::AtomicReplaceFile gives: "." + file name + "." + 6 chars.
void RemoveStaleTemporaries(const std::string& prefix, const std::string& fileName)
{
    DIR* dir = ::opendir(prefix.c_str());
    if (dir == nullptr)
        return;
    const std::string start = "." + fileName + ".";
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() == start.size() + 6 && name.compare(0, start.size(), start) == 0)
            ::unlink((prefix + "/" + name).c_str());
    }
    ::closedir(dir);
}

}  // namespace

const char* RootName(Root root)
{
    switch (root) {
    case Root::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case Root::CurrentUser: return "HKEY_CURRENT_USER";
    case Root::LocalMachine: return "HKEY_LOCAL_MACHINE";
    }
    return "";
}

std::string RegistryPrefix()
{
    std::string prefix = Env("TIDEWASH_REGISTRY");
    if (prefix.empty()) {
        std::string data = Env("XDG_DATA_HOME");
        // XDG base directories ignore relative paths.
        if (data.empty() || data[0] != '/')
            data = HomeFolder() + "/.local/share";
        prefix = data + "/tidewash/registry";
    }
    while (prefix.size() > 1 && prefix.back() == '/')
        prefix.pop_back();
    return prefix;
}

std::string RootFilePath(Root root) { return RegistryPrefix() + "/" + RootName(root) + ".reg"; }

std::string SystemRegistryFolder()
{
    std::string prefix = Env("TIDEWASH_SYSTEM_REGISTRY");
    if (prefix.empty())
        prefix = "/var/lib/tidewash/registry";
    while (prefix.size() > 1 && prefix.back() == '/')
        prefix.pop_back();
    return prefix;
}

std::string SystemRegistryPrefix()
{
    if (Env("TIDEWASH_SYSTEM_REGISTRY").empty() && !Env("TIDEWASH_REGISTRY").empty())
        return std::string();
    const std::string prefix = SystemRegistryFolder();
    return prefix == RegistryPrefix() ? std::string() : prefix;
}

namespace {

// The root file at prefix as it is now, or null when there is none.
std::shared_ptr<const RegKey> ReadRootAt(Root root, const std::string& prefix)
{
    const std::string path = prefix + "/" + RootName(root) + ".reg";
    std::string bytes;
    if (!ReadBytes(path, bytes))
        return nullptr;
    return Parse(root, path, bytes);
}

// A file or folder of the system registry: root's (or this user's, for a
// registry of one's own), of the kind expected, written by nobody else.
// False when it is not there.
bool TrustedSystemEntry(const std::string& path, bool folder)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return false;
        throw RegStoreError(ERROR_CANTREAD, "Cannot read the system registry \"" + path + "\": " +
                                                std::strerror(errno));
    }
    const bool kind = folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode);
    const bool owner = st.st_uid == 0 || st.st_uid == ::geteuid();
    if (!kind || !owner || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        throw RegStoreError(ERROR_BADDB, "The system registry \"" + path + "\" is refused: " +
                                             (!kind ? (folder ? "it is not a folder" : "it is not a regular file")
                                              : !owner ? "it belongs to another user"
                                                       : "other users may write it"));
    return true;
}

void Overlay(RegKey& base, const RegKey& top)
{
    for (const RegValue& v : top.Values())
        base.SetValue(v.name, v.type, v.data);
    for (const auto& child : top.Children())
        Overlay(base.AddChild(child->Name()), *child);
}

}  // namespace

std::shared_ptr<const RegKey> ReadRoot(Root root)
{
    std::shared_ptr<const RegKey> own = ReadRootAt(root, RegistryPrefix());
    const std::string system = root == Root::CurrentUser ? std::string() : SystemRegistryPrefix();
    if (system.empty() || !TrustedSystemEntry(system, true) ||
        !TrustedSystemEntry(system + "/" + RootName(root) + ".reg", false))
        return own != nullptr ? own : std::make_shared<const RegKey>(RootName(root));
    const std::shared_ptr<const RegKey> shared = ReadRootAt(root, system);
    if (own == nullptr)
        return shared;
    auto merged = std::make_shared<RegKey>(RootName(root));
    Overlay(*merged, *shared);
    Overlay(*merged, *own);
    return merged;
}

bool RootWritable(Root root)
{
    struct stat st;
    return ::stat(RootFilePath(root).c_str(), &st) != 0 || (st.st_mode & S_IWUSR) != 0;
}

LONG ModifyRoot(Root root, const std::function<LONG(RegKey& tree, Change& change)>& change)
{
    const std::string prefix = RegistryPrefix();
    const std::string fileName = std::string(RootName(root)) + ".reg";
    const std::string path = prefix + "/" + fileName;

    ExclusiveLock lock(prefix);
    if (!RootWritable(root))
        throw RegStoreError(ERROR_ACCESS_DENIED,
                            "The registry file \"" + path + "\" is read-only.");
    RemoveStaleTemporaries(prefix, fileName);

    std::string bytes;
    std::unique_ptr<RegKey> tree;
    if (ReadBytes(path, bytes)) {
        try {
            tree = ParseRegistryText(bytes, RootName(root));
        } catch (const RegTextError& e) {
            Damaged(path, bytes, e);
        }
    } else {
        tree = std::make_unique<RegKey>(RootName(root));
    }

    Change made = Change::None;
    const LONG rc = change(*tree, made);
    if (rc != ERROR_SUCCESS || made == Change::None)
        return rc;

    std::string text = FormatRegistryText(*tree, RootName(root));
    try {
        vcl::AtomicReplaceFile(path, text);
    } catch (const Exception& e) {
        const LONG code = ::access(prefix.c_str(), W_OK) != 0 ? ERROR_ACCESS_DENIED : ERROR_CANTWRITE;
        throw RegStoreError(code, std::string("Cannot write the registry: ") + e.what());
    }
    Remember(path, CachedRoot{std::move(text), std::shared_ptr<const RegKey>(std::move(tree))});
    return rc;
}

}  // namespace twsregistry
