// The link guard on generated project trees: which found files a project
// links without building them, how references resolve, and the read caps.
#include "Linkguard.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <unistd.h>

#include "TempFolder.h"
#include "listing.h"

using tidewash::TLinkGuard;
using tidewash::TLinkGuardLimits;
namespace fs = std::filesystem;

namespace {

// Whether the guard is handed the folders as the scan reads them.
enum class TPrefetch : unsigned char { pNone, pByReaders };

// A volume of generated files, of which some are "found" as the scan
// would find them; the guard then judges each found file.
// Relative paths are written with "/" and turned into the platform's own
// form, as the scan hands paths to the guard.
class TVolume {
public:
    TVolume() : FVolume(FTemp / "volume") { fs::create_directories(FVolume); }

    void Write(const std::string& relative, const std::string& text) { twstesting::WriteFile(FVolume / relative, text); }
    void Found(const std::string& relative)
    {
        Write(relative, "object code");
        FFound.push_back(relative);
    }
    // False where the runtime makes no symbolic links (mingw-w64's under
    // Wine); the cases built on them then hold without the link.
    bool Link(const std::string& target, const std::string& relative)
    {
        fs::create_directories(Native(relative).parent_path());
        std::error_code error;
        fs::create_symlink(target, Native(relative), error);
        return !error;
    }
    fs::path Outside() const { return FTemp / "outside"; }

    // found file -> reason ("" when it stays selected)
    // With flByScan the folders are told as the scan tells them: every
    // regular file of every folder, links never followed; with
    // TPrefetch::pByReaders every folder is also handed to Prefetch, open,
    // as the scan's reading threads hand them.
    std::map<std::string, std::string> Judge(TLinkGuardLimits limits = {}, std::size_t* bytesRead = nullptr,
                                             tidewash::TFolderListing listing = tidewash::TFolderListing::flByGuard,
                                             TPrefetch prefetch = TPrefetch::pNone)
    {
        TLinkGuard guard(FVolume.string() + static_cast<char>(fs::path::preferred_separator), limits, listing);
        std::map<fs::path, std::string> files{{FVolume, ""}};  // folder -> its files, each ended by a NUL
        if (listing == tidewash::TFolderListing::flByScan)
            for (const auto& entry : fs::recursive_directory_iterator(FVolume)) {
                if (entry.is_directory() && !entry.is_symlink())
                    files[entry.path()];
                if (!entry.is_regular_file() || entry.is_symlink())
                    continue;
                guard.Listed(entry.path().parent_path().string(), entry.path().filename().string());
                files[entry.path().parent_path()].append(entry.path().filename().string()).push_back('\0');
            }
        if (prefetch == TPrefetch::pByReaders)
            for (const auto& [folder, names] : files) {
                twslisting::TFolderReader reader;
                if (reader.Open(folder.string()))
                    guard.Prefetch(folder.string(), reader, names);
            }
        for (const std::string& file : FFound)
            guard.AddFolder(Native(file).parent_path().string());
        std::map<std::string, std::string> reasons;
        for (const std::string& file : FFound)
            reasons[file] = guard.Reason(Native(file).string());
        if (bytesRead != nullptr)
            *bytesRead = guard.BytesRead();
        return reasons;
    }

private:
    fs::path Native(const std::string& relative) const { return FVolume / fs::path(relative).make_preferred(); }

    twstesting::TTempFolder FTemp{"tws linkguard"};
    fs::path FVolume;
    std::vector<std::string> FFound;
};

}  // namespace

TEST(Linkguard, ProjectsKeepWhatTheyLinkAndCannotBuild)
{
    TVolume v;
    // A Delphi project whose unit links two prebuilt C objects.
    v.Write("delphi/Project1.dpr", "program Project1;\nuses ZLibUnit in 'ZLibUnit.pas';\nbegin end.\n");
    v.Write("delphi/ZLibUnit.pas",
            "unit ZLibUnit;\n{$L lib\\zlib.obj}\n{$LINK 'lib/LZMA.obj'}\n"
            "// {$L lib\\crc.obj} was dropped\n{ {$L lib\\adler.obj} } const S = '{$L lib\\inflate.obj}';\n"
            "implementation end.\n");
    v.Found("delphi/ZLibUnit.~pas");
    v.Found("delphi/ZLibUnit.obj");
    v.Found("delphi/Project1.obj");
    v.Found("delphi/lib/zlib.obj");
    v.Found("delphi/lib/lzma.obj");
    v.Found("delphi/lib/crc.obj");
    v.Found("delphi/lib/adler.obj");
    v.Found("delphi/lib/inflate.obj");
    // The same unit where the C source of one object is part of the project.
    v.Write("withsource/Wrap.pas", "unit Wrap; {$L c\\zlib.obj} {$L c\\lzma.obj} end.");
    v.Write("withsource/c/zlib.c", "int x;");
    v.Found("withsource/c/zlib.obj");
    v.Found("withsource/c/lzma.obj");
    // A unit linking an object of its own name is not its source.
    v.Write("self/Fast.pas", "unit Fast; {$L Fast.obj} end.");
    v.Found("self/Fast.obj");
    // C++Builder 6: the project builds Unit1 and links a vendor object.
    v.Write("bcb/Project1.bpr",
            "<?xml version='1.0' encoding='utf-8' ?><PROJECT><MACROS>"
            "<OBJFILES value=\"Project1.obj Unit1.obj vendor.obj\"/><LIBFILES value=\"..\\shared\\crypt.lib\"/>"
            "</MACROS><FILELIST><FILE FILENAME=\"Project1.cpp\"/><FILE FILENAME=\"Unit1.cpp\"/></FILELIST></PROJECT>");
    v.Write("bcb/Unit1.cpp", "");
    v.Write("bcb/Unit1.dfm", "");
    v.Found("bcb/Unit1.obj");
    v.Found("bcb/vendor.obj");
    v.Found("bcb/Project1.obj");
    v.Found("bcb/Project1.tds");
    v.Found("shared/crypt.lib");
    // A make file with its objects in an output folder.
    v.Write("mk/Tool.mak", "OBJFILES = obj\\Main.obj \\\n  obj\\old.obj\nLIBRARIES = $(BCB)\\lib\\vcl.lib\n");
    v.Write("mk/Main.cpp", "");
    v.Found("mk/obj/Main.obj");
    v.Found("mk/obj/old.obj");
    // A newer MSBuild project.
    v.Write("cb/App.cbproj",
            "<Project><ItemGroup><CppCompile Include=\"src\\Form.cpp\"/><ObjFiles Include=\"third\\fast.obj\"/>"
            "<ObjFiles Include=\"Debug\\Form.obj\"/></ItemGroup></Project>");
    v.Found("cb/third/fast.obj");
    v.Found("cb/Debug/Form.obj");

    const std::map<std::string, std::string> expected = {
        {"delphi/ZLibUnit.~pas", ""},
        {"delphi/ZLibUnit.obj", ""},
        {"delphi/Project1.obj", ""},
        {"delphi/lib/zlib.obj", "linked by ZLibUnit.pas"},
        {"delphi/lib/lzma.obj", "linked by ZLibUnit.pas"},
        {"delphi/lib/crc.obj", ""},
        {"delphi/lib/adler.obj", ""},
        {"delphi/lib/inflate.obj", ""},
        {"withsource/c/zlib.obj", ""},
        {"withsource/c/lzma.obj", "linked by Wrap.pas"},
        {"self/Fast.obj", "linked by Fast.pas"},
        {"bcb/Unit1.obj", ""},
        {"bcb/vendor.obj", "linked by Project1.bpr"},
        {"bcb/Project1.obj", ""},
        {"bcb/Project1.tds", ""},
        // Named from a sibling folder: found because bcb/ was read for its own files.
        {"shared/crypt.lib", "linked by Project1.bpr"},
        {"mk/obj/Main.obj", ""},
        {"mk/obj/old.obj", "linked by Tool.mak"},
        {"cb/third/fast.obj", "linked by App.cbproj"},
        {"cb/Debug/Form.obj", ""},
    };
    EXPECT_EQ(v.Judge(), expected);
    EXPECT_EQ(v.Judge({}, nullptr, tidewash::TFolderListing::flByScan), expected);
    EXPECT_EQ(v.Judge({}, nullptr, tidewash::TFolderListing::flByScan, TPrefetch::pByReaders), expected);
}

TEST(Linkguard, ReferencesOutsideTheVolumeOrThroughLinksNameNothing)
{
    TVolume v;
    v.Found("top.obj");
    v.Found("abs.obj");
    v.Write("p/Up.pas", "{$L ..\\..\\top.obj} {$L ..\\..\\..\\volume\\top.obj} {$L /abs.obj} {$L C:\\abs.obj}");
    v.Found("p/sub.obj");
    // Through a link to a folder of the volume: the file is reached by
    // another name, which the scan never sees.
    v.Write("q/real/v.obj", "");
    v.Found("q/real/v.obj");
    const bool alias = v.Link("real", "q/alias");
    v.Write("q/Alias.pas", "{$L alias\\v.obj}");
    // A project file that is a link to one outside the volume is not read.
    twstesting::WriteFile(v.Outside() / "Evil.pas", "{$L k.obj}");
    const bool evil = v.Link((v.Outside() / "Evil.pas").string(), "r/Evil.pas");
    v.Found("r/k.obj");
    // The same reference case-folded and with mixed separators does count.
    v.Write("s/Mixed.pas", "{$L .\\Lib/./Deep\\..\\ZIP.OBJ}");
    v.Found("s/lib/zip.obj");

    const std::map<std::string, std::string> expected = {
        {"top.obj", ""},          {"abs.obj", ""},
        {"p/sub.obj", ""},        {"q/real/v.obj", ""},
        {"r/k.obj", ""},          {"s/lib/zip.obj", "linked by Mixed.pas"},
    };
    EXPECT_EQ(v.Judge(), expected);
    EXPECT_EQ(v.Judge({}, nullptr, tidewash::TFolderListing::flByScan), expected);
    EXPECT_EQ(v.Judge({}, nullptr, tidewash::TFolderListing::flByScan, TPrefetch::pByReaders), expected);
    EXPECT_EQ(alias, evil) << "one link made, the other not";
}

TEST(Linkguard, ReadsOnlyUpToTheCapsAndTheLevelsAbove)
{
    TVolume v;
    // A huge unit: the directive past the per-file cap is never seen.
    v.Write("big/Huge.pas", "{$L early.obj}{" + std::string(300 * 1024, 'x') + "}{$L late.obj}");
    v.Found("big/early.obj");
    v.Found("big/late.obj");
    // Binary noise under a project's extension.
    std::string noise(3 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    v.Write("bin/Noise.bpr", noise);
    v.Write("bin/Noise.mak", noise);
    v.Found("bin/x.obj");
    // Five small units in one folder, read in name order until the folder's cap.
    for (char u = 'a'; u <= 'e'; ++u)
        v.Write(std::string("many/") + u + ".pas", std::string("{$L ") + u + "x.obj}" + std::string(90, ' '));
    for (char u = 'a'; u <= 'e'; ++u)
        v.Found(std::string("many/") + u + "x.obj");
    // Four levels below the project file.
    v.Write("deep/Proj.pas", "{$L a\\b\\c\\d\\x.obj}");
    v.Found("deep/a/b/c/d/x.obj");
    // Three levels below it.
    v.Write("deep2/Proj.pas", "{$L a\\b\\c\\y.obj}");
    v.Found("deep2/a/b/c/y.obj");

    TLinkGuardLimits limits;
    limits.BytesPerFile = 256 * 1024;
    limits.BytesPerFolder = 250;  // a, b and the first 50 bytes of c
    limits.LevelsUp = 3;
    std::size_t bytesRead = 0;
    const auto reasons = v.Judge(limits, &bytesRead);
    EXPECT_EQ(reasons.at("big/early.obj"), "linked by Huge.pas");  // within the first 250 bytes
    EXPECT_EQ(reasons.at("big/late.obj"), "");
    EXPECT_EQ(reasons.at("many/ax.obj"), "linked by a.pas");
    EXPECT_EQ(reasons.at("many/bx.obj"), "linked by b.pas");
    EXPECT_EQ(reasons.at("many/cx.obj"), "linked by c.pas");
    EXPECT_EQ(reasons.at("many/dx.obj"), "");
    EXPECT_EQ(reasons.at("many/ex.obj"), "");
    EXPECT_EQ(reasons.at("deep/a/b/c/d/x.obj"), "") << "four levels up is beyond the bound";
    EXPECT_EQ(reasons.at("deep2/a/b/c/y.obj"), "linked by Proj.pas");
    // Folders with project files: big, bin, many, deep2; each at most 250 bytes.
    EXPECT_LE(bytesRead, 4u * 250u);

    limits.BytesPerFolder = 1024 * 1024;
    const auto wide = v.Judge(limits, &bytesRead);
    EXPECT_EQ(wide.at("big/early.obj"), "linked by Huge.pas");
    EXPECT_EQ(wide.at("big/late.obj"), "") << "past the per-file cap";
    EXPECT_EQ(wide.at("many/ex.obj"), "linked by e.pas");
    // Huge.pas and each noise file stop at the per-file cap, the folder of
    // the noise at its own cap.
    EXPECT_LE(bytesRead, 256u * 1024 + 2 * 256u * 1024 + 5 * 100 + 100);
    EXPECT_GE(bytesRead, 256u * 1024 + 2 * 256u * 1024) << "the caps were not reached: the test lost its point";

    // Read ahead by the scan's threads: the same files within the same caps.
    for (const std::size_t perFolder : {std::size_t{250}, std::size_t{1024 * 1024}}) {
        limits.BytesPerFolder = perFolder;
        std::size_t byScan = 0, prefetched = 0;
        EXPECT_EQ(v.Judge(limits, &byScan, tidewash::TFolderListing::flByScan),
                  v.Judge(limits, &prefetched, tidewash::TFolderListing::flByScan, TPrefetch::pByReaders));
        EXPECT_EQ(byScan, prefetched) << perFolder;
    }
}

// The names the scan may drop where it reads a folder are those Listed
// keeps nothing of: every source and project file passes, in any case.
TEST(Linkguard, ListsTheNamesOfSourcesAndProjectFilesOnly)
{
    const std::pair<const char*, bool> cases[] = {
        {"Unit1.pas", true},  {"UNIT1.CPP", true},  {"Project1.cbproj", true}, {"defs.inc", true},
        {"build.mak", true},  {"lib.dpk", true},    {"Unit1.obj", false},      {"Unit1.~pas", false},
        {"notes.txt", false}, {"Makefile", false},  {"pas", false},            {"", false},
    };
    for (const auto& [name, listed] : cases)
        EXPECT_EQ(TLinkGuard::ListsName(name), listed) << name;
}
