// The link guard against special files planted where the scan listed
// project files (POSIX: FIFOs).
#include "Linkguard.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TempFolder.h"

using tidewash::TLinkGuard;
namespace fs = std::filesystem;

// A project file swapped for a FIFO after the scan listed it: the guard
// opens it without waiting for a writer, sees it is no regular file and
// reads nothing, so the scan goes on (a blocking open would hang here).
TEST(Linkguard, AProjectFileThatIsAFifoIsNotReadAndDoesNotBlock)
{
    twstesting::TTempFolder temp{"tws linkguard fifo"};
    const fs::path volume = temp / "volume";
    twstesting::WriteFile(volume / "p" / "ZLibUnit.pas", "unit ZLibUnit;\n{$L zlib.obj}\ninterface\nimplementation\nend.\n");
    twstesting::WriteFile(volume / "p" / "zlib.obj", "object code");
    twstesting::WriteFile(volume / "q" / "Unit1.pas", "unit Unit1;\n{$L zlib.obj}\ninterface\nimplementation\nend.\n");
    twstesting::WriteFile(volume / "q" / "zlib.obj", "object code");
    ASSERT_EQ(::mkfifo((volume / "p" / "Project1.dpr").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo((volume / "q" / "Unit1.pas.fifo").c_str(), 0644), 0);
    fs::rename(volume / "q" / "Unit1.pas", volume / "q" / "Unit1.pas.real");
    fs::rename(volume / "q" / "Unit1.pas.fifo", volume / "q" / "Unit1.pas");

    TLinkGuard guard(volume.string() + "/", {}, tidewash::TFolderListing::flByScan);
    // As the scan told them: regular files when it listed them.
    for (const char* folder : {"p", "q"})
        for (const auto& entry : fs::directory_iterator(volume / folder))
            guard.Listed((volume / folder).string(), entry.path().filename().string() == "Unit1.pas.real"
                                                         ? "Unit1.pas"
                                                         : entry.path().filename().string());
    guard.AddFolder((volume / "p").string());
    guard.AddFolder((volume / "q").string());
    EXPECT_EQ(guard.Reason((volume / "p" / "zlib.obj").string()), "linked by ZLibUnit.pas")
        << "the regular source beside the FIFO is still read";
    EXPECT_EQ(guard.Reason((volume / "q" / "zlib.obj").string()), "") << "a FIFO in a source's place says nothing";
}
