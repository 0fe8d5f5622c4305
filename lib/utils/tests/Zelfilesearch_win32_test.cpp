// The file search on Windows: backslash paths, the file system's own hidden
// and system attributes, and folders excluded by their Windows paths.
#include "Zelfilesearch.h"

#include <gtest/gtest.h>

#include <map>
#include <windows.h>

#include "TempFolder.h"

using namespace zelutils;

namespace {

class TempTree {
public:
    std::string Root() const { return FFolder.Path().string(); }
    std::string operator()(const std::string& relative) const { return Root() + "\\" + relative; }
    void File(const std::string& relative, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE) const
    {
        twstesting::WriteFile((*this)(relative), "x");
        ::SetFileAttributesA((*this)(relative).c_str(), attributes);
    }
    void Folder(const std::string& relative, DWORD attributes = 0) const
    {
        ::CreateDirectoryA((*this)(relative).c_str(), nullptr);
        if (attributes != 0)
            ::SetFileAttributesA((*this)(relative).c_str(), attributes);
    }

private:
    twstesting::TTempFolder FFolder{"zelfilesearch"};
};

// The files found, each with its attributes as they should be: as
// GetFileAttributes gives them.
std::map<std::string, DWORD> Found(TFileSearch& search, const std::string& mask)
{
    std::map<std::string, DWORD> found;
    for (const TSearchResult& r : search.Results[mask])
        found[r.GetFullName()] = r.Attributes == ::GetFileAttributesA(r.GetFullName().c_str()) ? 0 : r.Attributes;
    return found;
}

}  // namespace

// Hidden and system files are found with the default search attributes and
// dropped when those are taken away; hidden and system folders are never
// entered; masks match ignoring case; results carry backslash paths.
TEST(FileSearch, AttributesDecideWhatIsFoundAndEntered)
{
    TempTree t;
    t.Folder("sub");
    t.Folder("hiddenfolder", FILE_ATTRIBUTE_HIDDEN);
    t.Folder("systemfolder", FILE_ATTRIBUTE_SYSTEM);
    t.File("plain.obj");
    t.File("HIDDEN.OBJ", FILE_ATTRIBUTE_HIDDEN);
    t.File("system.obj", FILE_ATTRIBUTE_SYSTEM);
    t.File("readonly.obj", FILE_ATTRIBUTE_READONLY);
    t.File("sub\\deep.obj");
    t.File("hiddenfolder\\inside.obj");
    t.File("systemfolder\\inside.obj");
    t.File("other.txt");

    TFileSearch search;
    search.GetIncludeFolders()->Add(t.Root() + "\\");
    search.GetIncludeFileMask()->SetCommaText("*.obj");
    ASSERT_TRUE(search.Execute(nullptr));
    EXPECT_EQ(Found(search, "*.obj"), (std::map<std::string, DWORD>{
                                          {t("plain.obj"), 0},
                                          {t("HIDDEN.OBJ"), 0},
                                          {t("system.obj"), 0},
                                          {t("readonly.obj"), 0},
                                          {t("sub\\deep.obj"), 0},
                                      }));

    search.RemoveSearchAttribute(FILE_ATTRIBUTE_HIDDEN);
    search.RemoveSearchAttribute(FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(search.Execute(nullptr));
    EXPECT_EQ(Found(search, "*.obj").size(), 3u);
    EXPECT_EQ(Found(search, "*.obj").count(t("HIDDEN.OBJ")), 0u);

    for (const char* name : {"HIDDEN.OBJ", "system.obj", "readonly.obj"})
        ::SetFileAttributesA(t(name).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileSearch, FoldersAreExcludedByTheirWindowsPathsIgnoringCase)
{
    TempTree t;
    t.Folder("Vendor");
    t.Folder("Vendor\\deeper");
    t.File("Vendor\\v.obj");
    t.File("Vendor\\deeper\\d.obj");
    t.File("own.obj");
    for (const bool withSubfolders : {false, true}) {
        TFileSearch search;
        search.GetIncludeFolders()->Add(t.Root() + "\\");
        search.GetIncludeFileMask()->SetCommaText("*.obj");
        search.AddExcludeFolder("*.obj", t("VENDOR"), withSubfolders);
        ASSERT_TRUE(search.Execute(nullptr));
        std::map<std::string, DWORD> expected{{t("own.obj"), 0}};
        if (!withSubfolders)
            expected.emplace(t("Vendor\\deeper\\d.obj"), 0);
        EXPECT_EQ(Found(search, "*.obj"), expected) << withSubfolders;
    }
}
