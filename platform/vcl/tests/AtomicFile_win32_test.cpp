// TLockedFile on Windows: a device, a pipe or a symbolic link under the name
// is refused at once by readers and writers, naming the file, and nothing
// is read from it or written through it.
#include "AtomicFile.hpp"

#include <filesystem>
#include <gtest/gtest.h>
#include <windows.h>

#include "IniFileFixture.h"
#include "IniFiles.hpp"
#include "SysUtils.hpp"

using vcl::TFileLockMode;
using vcl::TLockedFile;

namespace {

// The reader's and the writer's refusal of the name, or what went wrong.
std::string Refusals(const AnsiString& name, const AnsiString& reason)
{
    try {
        TLockedFile file(name, TFileLockMode::Shared);
        return "a reader opened " + name;
    } catch (const EFOpenError& e) {
        if (e.Message().find(name) == AnsiString::npos || e.Message().find(reason) == AnsiString::npos)
            return "reader: " + e.Message();
    }
    try {
        TLockedFile file(name, TFileLockMode::Exclusive);
        return "a writer opened " + name;
    } catch (const EIniFileException& e) {
        if (e.Message().find(name) == AnsiString::npos || e.Message().find(reason) == AnsiString::npos)
            return "writer: " + e.Message();
    }
    return std::string();
}

}  // namespace

TEST_F(IniFile, ADeviceOrAPipeIsNotARegularFile)
{
    EXPECT_EQ(Refusals("NUL", vcl::NotRegularRefusal), "");

    // One instance of the pipe for the reader to reach, one for the writer.
    const AnsiString pipe = "\\\\.\\pipe\\tws_lockedfile_" + std::to_string(::GetCurrentProcessId());
    HANDLE servers[2];
    for (HANDLE& server : servers) {
        server = ::CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 2, 0, 0, 0, nullptr);
        ASSERT_NE(server, INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(Refusals(pipe, vcl::NotRegularRefusal), "");
    for (const HANDLE server : servers)
        ::CloseHandle(server);
}

TEST_F(IniFile, ASymbolicLinkIsRefusedAndItsTargetLeftAlone)
{
    const fs::path target = dir / "target.ini";
    twstesting::WriteFile(target, "[S]\nk=v\n");
    // Links need a privilege (or developer mode) on Windows; Wine reports
    // success and makes no link that can be seen.
    if (!::CreateSymbolicLinkA(path.c_str(), target.string().c_str(), 0) ||
        ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no symbolic link could be made here";
    EXPECT_EQ(Refusals(path, vcl::LinkRefusal), "");
    EXPECT_THROW(TIniFile(path).WriteString("S", "k", "w"), EIniFileException);
    EXPECT_EQ(twstesting::ReadFile(target), "[S]\nk=v\n");
}
