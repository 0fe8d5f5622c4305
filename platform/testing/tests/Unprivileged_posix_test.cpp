#include "TempFolder.h"
#include "Unprivileged.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace twstesting;

// The child really lacks the rights a test relies on it lacking, and its
// failures reach the parent.
TEST(Unprivileged, ChildCannotWriteAReadOnlyFileAndReportsBack)
{
    TTempFolder dir("tws-unpriv");
    dir.GiveTo(UnprivilegedUid(), UnprivilegedGid());
    const std::string file = (dir / "locked").string();
    const std::string made = RunUnprivileged([&] {
        WriteFile(file, "x");
        return ::chmod(file.c_str(), 0400) == 0 ? std::string() : std::string("chmod failed");
    });
    ASSERT_EQ(made, "");
    EXPECT_EQ(RunUnprivileged([&] {
                  const int fd = ::open(file.c_str(), O_WRONLY);
                  if (fd >= 0) {
                      ::close(fd);
                      return std::string("opened a read-only file for writing");
                  }
                  return std::string();
              }),
              "");
    EXPECT_EQ(RunUnprivileged([] { return std::string("reported"); }), "reported");
    EXPECT_NE(RunUnprivileged([]() -> std::string { throw std::runtime_error("boom"); }).find("boom"),
              std::string::npos);
}

TEST(TempFolder, RemovesEvenAFolderWithoutPermissions)
{
    std::filesystem::path kept;
    {
        TTempFolder dir("tws-temp");
        kept = dir.Path();
        WriteFile(dir / "a/b/c.txt", "x");
        ::chmod((dir / "a/b").c_str(), 0);
        ::chmod((dir / "a").c_str(), 0500);
    }
    EXPECT_FALSE(std::filesystem::exists(kept));
}
