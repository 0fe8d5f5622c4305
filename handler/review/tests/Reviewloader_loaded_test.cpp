// Finding the review window's factory in the view's module beside the
// handler: the module of the build is found and kept; anything else in its
// place, or no module, is refused with the reason, and never looked for
// along a search path.
#include "Reviewloader.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "TempFolder.h"
#include "Twsresname.h"

namespace fs = std::filesystem;
using namespace tidewash;

namespace {

std::string BuildOut()
{
    const char* out = std::getenv("TIDEWASH_BUILD_OUT");
    return std::string(out != nullptr ? out : ".") + "/";
}

TReviewWindow* NoWindow(const TReviewScan&) noexcept { return nullptr; }

// What sits in the installation folder under the module's name.
enum class TInstalled { Nothing, NotALibrary, LibraryWithoutFactory };

struct TRefusal {
    const char* Name;
    TInstalled Installed;
    // The folder handed to the loader: the temporary installation folder
    // (with its separator), the build's output folder spelt relative to
    // the current folder, or none.
    enum class TFolder { Installation, RelativeBuildOut, Empty } Folder;
    HRESULT Expected;
};

const TRefusal kRefusals[] = {
    {"no module", TInstalled::Nothing, TRefusal::TFolder::Installation, HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
    {"a text file", TInstalled::NotALibrary, TRefusal::TFolder::Installation, HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
    {"another module", TInstalled::LibraryWithoutFactory, TRefusal::TFolder::Installation,
     HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND)},
    // Both would find the build's module: the bare name along the search
    // path the build gives its libraries, the relative one from here.
    {"no folder", TInstalled::Nothing, TRefusal::TFolder::Empty, HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
    {"a relative folder", TInstalled::Nothing, TRefusal::TFolder::RelativeBuildOut,
     HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
};

std::string FolderFor(TRefusal::TFolder folder, const twstesting::TTempFolder& install)
{
    switch (folder) {
    case TRefusal::TFolder::Installation:
        return install.Slash();
    case TRefusal::TFolder::RelativeBuildOut:
        return fs::relative(BuildOut(), fs::current_path()).string() + "/";
    case TRefusal::TFolder::Empty:
        break;
    }
    return "";
}

}  // namespace

TEST(Reviewloader, WhatIsNotTheViewsModuleIsRefusedWithTheReason)
{
    for (const TRefusal& c : kRefusals) {
        SCOPED_TRACE(c.Name);
        twstesting::TTempFolder install("tws review");
        const fs::path module = install / TIDEWASH_REVIEW_MODULE_FILE;
        if (c.Installed == TInstalled::NotALibrary)
            twstesting::WriteFile(module, "not a library\n");
        else if (c.Installed == TInstalled::LibraryWithoutFactory)
            fs::copy_file(BuildOut() + kResourceLibraryName, module);
        TReviewWindowFactory factory = &NoWindow;
        EXPECT_EQ(FindReviewWindowFactory(FolderFor(c.Folder, install), factory), c.Expected);
        EXPECT_EQ(factory, nullptr);
    }
}

TEST(Reviewloader, TheViewsModuleIsFoundInTheFolderAndKept)
{
    TReviewWindowFactory first = nullptr, again = nullptr;
    ASSERT_EQ(FindReviewWindowFactory(BuildOut(), first), S_OK);
    ASSERT_NE(first, nullptr);
    // The factory is the module's own, from that very file.
    HMODULE module = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   reinterpret_cast<LPCSTR>(first), &module));
    char path[4096];
    const DWORD n = GetModuleFileNameA(module, path, sizeof path);
    EXPECT_EQ(fs::path(std::string(path, n)), fs::path(BuildOut() + TIDEWASH_REVIEW_MODULE_FILE));
    ASSERT_EQ(FindReviewWindowFactory(BuildOut(), again), S_OK);
    EXPECT_EQ(again, first);
}
