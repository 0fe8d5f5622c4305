// The test helpers on POSIX: mkdtemp for the temporary folder, fork and the
// set*id calls for the unprivileged user.
#include "MountNamespace.h"
#include "TempFolder.h"
#include "Unprivileged.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <grp.h>
#include <sched.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace twstesting {

namespace {

constexpr unsigned kNobody = 65534;

}  // namespace

TTempFolder::TTempFolder(const std::string& tag)
{
    std::string pattern = (fs::temp_directory_path() / (tag + ".XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp: " + std::string(std::strerror(errno)));
    FPath = pattern;
}

TTempFolder::~TTempFolder() { RemoveTree(FPath); }

void TTempFolder::GiveTo(unsigned uid, unsigned gid) const
{
    if (::geteuid() == 0 && ::chown(FPath.c_str(), uid, gid) != 0)
        throw std::runtime_error("chown: " + std::string(std::strerror(errno)));
}

void RemoveTree(const fs::path& path)
{
    std::error_code ec;
    // Give back the permissions a test may have taken away, folder by
    // folder, without following links out of the tree.
    if (fs::is_directory(fs::symlink_status(path, ec))) {
        ::chmod(path.c_str(), 0700);
        for (auto it = fs::recursive_directory_iterator(path, fs::directory_options::skip_permission_denied, ec);
             it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (ec)
                break;
            if (it->is_directory(ec) && !it->is_symlink(ec))
                ::chmod(it->path().c_str(), 0700);
        }
    }
    fs::remove_all(path, ec);
}

bool HasUnprivilegedUser() { return true; }

unsigned UnprivilegedUid() { return ::geteuid() == 0 ? kNobody : ::geteuid(); }
unsigned UnprivilegedGid() { return ::geteuid() == 0 ? kNobody : ::getegid(); }

namespace {

// Runs body in a forked child after enter (which returns "" or why the
// child cannot go on) and returns the child's answer.
std::string RunInChild(const std::function<std::string()>& enter, const std::function<std::string()>& body)
{
    // The child's answer comes back through a shared page: a pipe would
    // need a reader while the child runs.
    constexpr std::size_t kSize = 4096;
    void* page = ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED)
        return "mmap failed";
    auto* answer = static_cast<char*>(page);
    answer[0] = '\0';

    const pid_t child = ::fork();
    if (child < 0) {
        ::munmap(page, kSize);
        return "fork failed";
    }
    if (child == 0) {
        std::string result = enter();
        if (result.empty()) {
            try {
                result = body();
            } catch (const std::exception& e) {
                result = std::string("exception: ") + e.what();
            } catch (...) {
                result = "unknown exception";
            }
        }
        std::strncpy(answer, result.c_str(), kSize - 1);
        answer[kSize - 1] = '\0';
        ::_exit(result.empty() ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    std::string result = answer;
    ::munmap(page, kSize);
    if (!WIFEXITED(status))
        return "the child died (signal " + std::to_string(WTERMSIG(status)) + ")";
    if (WEXITSTATUS(status) != 0 && result.empty())
        return "the child failed";
    return result;
}

}  // namespace

std::string RunUnprivileged(const std::function<std::string()>& body)
{
    return RunInChild(
        [] {
            if (::geteuid() != 0)
                return std::string();
            const gid_t none[1] = {kNobody};
            if (::setgroups(1, none) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                ::setresuid(kNobody, kNobody, kNobody) != 0)
                return "cannot become nobody: " + std::string(std::strerror(errno));
            return std::string();
        },
        body);
}

std::string InOwnMountNamespace(const std::function<std::string()>& body)
{
    return RunInChild(
        [] {
            if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return std::string(kNoMountNamespace);
            return std::string();
        },
        body);
}

}  // namespace twstesting
