// TIniFileImport and TIniFileExport: nested and flat layouts, section order,
// the tidy step, and imports of missing or foreign files.
#include "TempFolder.h"
#include "Zelinifileio.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "AtomicFile.hpp"
#include "Zelmanagedconfig.h"

using namespace zelconfig;
namespace fs = std::filesystem;
using StringMap = std::map<AnsiString, AnsiString>;

namespace {

class FlatExport : public TIniFileExport {
public:
    explicit FlatExport(const AnsiString& fileName) : TIniFileExport(fileName) { Nested = false; }
};
class FlatImport : public TIniFileImport {
public:
    explicit FlatImport(const AnsiString& fileName) : TIniFileImport(fileName) { Nested = false; }
};
class DottedExport : public TIniFileExport {
public:
    explicit DottedExport(const AnsiString& fileName) : TIniFileExport(fileName) { SectionSeparator = "."; }
};

class IniIO : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = (dir / "c.ini").string();

        TConfigSection* volumes = config.AddSection("Volumes", "");
        TConfigSection* files = config.AddSection("Files", "");
        TConfigSection* excluded = files->AddChildSection("Excluded", "");
        TConfigSection* deeper = excluded->AddChildSection("Deeper", "");
        volumes->DefineItem("VolumesExcluded", "Excluded", TStringListAdaptor(), "");
        files->DefineItem("FilesHidden", "Hidden", false, "");
        files->DefineItem("FilesAge", "Age", 30, "");
        excluded->DefineCollection("Folders", StringMap{}, "");
        deeper->DefineItem("Ratio", "Ratio", 0.5, "");
    }

    AnsiString Contents() const
    {
        AnsiString s;
        vcl::ReadWholeFile(path, s);
        return s;
    }
    void Put(const AnsiString& text) const { vcl::AtomicReplaceFile(path, text); }

    twstesting::TTempFolder folder;
    const fs::path dir = folder.Path();
    AnsiString path;
    TManagedConfig config;
};

}  // namespace

TEST_F(IniIO, NestedExportOrderAndBlankLines)
{
    config.SetValue("Folders", StringMap{{"*.obj", "/a=1"}});
    TIniFileExport(path).Export(config);
    const AnsiString expected = "[Files]\nAge=30\nHidden=0\n"
                                "\n[Files/Excluded]\n*.obj=/a=1\n"
                                "\n[Files/Excluded/Deeper]\nRatio=0.5\n"
                                "\n[Volumes]\nExcluded=\"\"\n";
    EXPECT_EQ(Contents(), expected);

    // Exporting again rewrites the collection's section, which moves it to
    // the end; the blank lines stay single.
    const AnsiString again = "[Files]\nAge=30\nHidden=0\n"
                             "\n[Files/Excluded/Deeper]\nRatio=0.5\n"
                             "\n[Volumes]\nExcluded=\"\"\n"
                             "\n[Files/Excluded]\n*.obj=/a=1\n";
    TIniFileExport(path).Export(config);
    EXPECT_EQ(Contents(), again);
    TIniFileExport(path).Export(config);
    EXPECT_EQ(Contents(), again);
}

TEST_F(IniIO, TidyingAddsBlankLinesOnlyWhereMissing)
{
    Put("[Files]\nAge=1\n[Other]\nx=1\n\n\n[More]\ny=2\n");
    TIniFileExport(path).Export(config);
    const AnsiString text = Contents();
    EXPECT_EQ(text.substr(0, 32), "[Files]\nAge=30\nHidden=0\n\n[Other]");
    EXPECT_NE(text.find("x=1\n\n\n[More]"), AnsiString::npos);  // existing blanks are left alone
}

TEST_F(IniIO, FlatExportUsesBareSectionNames)
{
    FlatExport(path).Export(config);
    EXPECT_EQ(Contents(), "[Files]\nAge=30\nHidden=0\n\n[Deeper]\nRatio=0.5\n\n[Volumes]\nExcluded=\"\"\n");

    config.SetValue("Folders", StringMap{{"*.map", "/m=0"}});
    FlatExport(path).Export(config);
    EXPECT_NE(Contents().find("[Excluded]\n*.map=/m=0\n"), AnsiString::npos);

    config.ResetToDefaults();
    FlatImport(path).Import(&config);
    EXPECT_EQ(config.GetValue<StringMap>("Folders").at("*.map"), "/m=0");
}

TEST_F(IniIO, SeparatorJoinsParentNames)
{
    config.SetValue("Ratio", 2.0);
    DottedExport(path).Export(config);
    EXPECT_NE(Contents().find("[Files.Excluded.Deeper]\nRatio=2\n"), AnsiString::npos);
}

TEST_F(IniIO, RoundTripAndImportOfMissingOrForeignFiles)
{
    config.SetValue("FilesHidden", true);
    config.SetValue("FilesAge", -3);
    config.SetValue("Ratio", 0.125);
    config.SetValue("VolumesExcluded", TStringListAdaptor({"/mnt/a b/", "/"}));
    config.SetValue("Folders", StringMap{{"*.obj", "\"/x y=1\",/z=0"}});
    TIniFileExport(path).Export(config);

    TManagedConfig copy;
    // The same schema, defined in another order.
    TConfigSection* files = copy.AddSection("Files", "");
    TConfigSection* excluded = files->AddChildSection("Excluded", "");
    excluded->AddChildSection("Deeper", "")->DefineItem("Ratio", "Ratio", 0.5, "");
    excluded->DefineCollection("Folders", StringMap{}, "");
    files->DefineItem("FilesAge", "Age", 30, "");
    files->DefineItem("FilesHidden", "Hidden", false, "");
    copy.AddSection("Volumes", "")->DefineItem("VolumesExcluded", "Excluded", TStringListAdaptor(), "");
    TIniFileImport(path).Import(&copy);
    EXPECT_TRUE(copy.GetValue<bool>("FilesHidden"));
    EXPECT_EQ(copy.GetValue<int>("FilesAge"), -3);
    EXPECT_EQ(copy.GetValue<double>("Ratio"), 0.125);
    EXPECT_TRUE(copy.GetValue<TStringListAdaptor>("VolumesExcluded") ==
                TStringListAdaptor({"/mnt/a b/", "/"}));
    EXPECT_EQ(copy.GetValue<StringMap>("Folders").at("*.obj"), "\"/x y=1\",/z=0");

    // A missing file, and one the tree knows nothing of, leave the defaults.
    TIniFileImport((dir / "missing.ini").string()).Import(&copy);
    EXPECT_FALSE(copy.GetValue<bool>("FilesHidden"));
    EXPECT_TRUE(copy.GetValue<StringMap>("Folders").empty());
    EXPECT_FALSE(fs::exists(dir / "missing.ini"));
    Put("[Unknown]\nHidden=1\n[Files]\nOther=1\n");
    copy.SetValue("FilesAge", 1);
    TIniFileImport(path).Import(&copy);
    EXPECT_FALSE(copy.GetValue<bool>("FilesHidden"));
    EXPECT_EQ(copy.GetValue<int>("FilesAge"), 30);
}

TEST_F(IniIO, FailuresPropagate)
{
    TManagedConfig empty;
    EXPECT_THROW(TIniFileExport((dir / "new.ini").string()).Export(empty), EFOpenError);
    EXPECT_THROW(TIniFileExport((dir / "no" / "c.ini").string()).Export(config), Exception);
    TIniFileImport(path).Import(&empty);  // nothing to fill, nothing happens
}
