// TTidewashConfig: the schema, TWS.cfg as written and as read back after
// hand edits, the excluded folders, and what Save refuses to write.
#include "Configintf.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "AtomicFile.hpp"
#include "TempFolder.h"
#include "Zelconvert.h"

using namespace tws;
namespace fs = std::filesystem;

namespace {

class TidewashConfig : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = (dir / "TWS.cfg").string();
        config.DefineSchema();
    }

    AnsiString Contents() const
    {
        AnsiString s;
        vcl::ReadWholeFile(path, s);
        return s;
    }
    void Put(const AnsiString& text) const { vcl::AtomicReplaceFile(path, text); }

    static TStringListAdaptor List(std::deque<AnsiString> items) { return TStringListAdaptor(items); }
    TStringListAdaptor Folders(TTidewashConfig& c, const AnsiString& mask) const
    {
        TStringListAdaptor out;
        c.GetExcludedFolders(mask, out);
        return out;
    }

    twstesting::TTempFolder folder;
    const fs::path dir = folder.Path();
    AnsiString path;
    TTidewashConfig config;
};

const AnsiString kDefaultFile = "[Files]\n"
                                "ActiveMasks=" +
                                zelcore::QuoteCommaText(DefaultActiveMasks) +
                                "\n"
                                "DeleteHidden=0\n"
                                "DeleteReadOnly=0\n"
                                "UseRecycleBin=1\n"
                                "\n"
                                "[Volumes]\n"
                                "Excluded=" +
                                zelcore::QuoteCommaText("") + "\n";

}  // namespace

TEST_F(TidewashConfig, SchemaDefaultsAndSecondDefinition)
{
    EXPECT_EQ(config.GetStringsText(TStringsSetting::ssActiveMasks), DefaultActiveMasks);
    TStringListAdaptor masks;
    config.GetStrings(TStringsSetting::ssActiveMasks, masks);
    EXPECT_EQ(masks->Count(), 9);
    EXPECT_EQ(masks->Get(8), "*.bak");
    EXPECT_TRUE(config.GetFlag(TFlagSetting::fsUseRecycleBin));
    EXPECT_FALSE(config.GetFlag(TFlagSetting::fsDeleteHidden));
    EXPECT_FALSE(config.GetFlag(TFlagSetting::fsDeleteReadOnly));
    EXPECT_EQ(config.GetStringsText(TStringsSetting::ssExcludedVolumes), "");
    try {
        config.DefineSchema();
        FAIL() << "a second DefineSchema must fail";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TManagedConfig Section already exists: Files");
    }
}

TEST_F(TidewashConfig, AccessorsWithoutSchemaRaiseTheTreesMessage)
{
    TTidewashConfig bare;
    try {
        bare.GetFlag(TFlagSetting::fsDeleteHidden);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Identifier does not exist: FilesDeleteHidden");
    }
    EXPECT_THROW(bare.SetStringsText(TStringsSetting::ssExcludedVolumes, "/"), Exception);
    EXPECT_THROW(bare.Load(path), Exception);
    EXPECT_THROW(config.GetFlag(static_cast<TFlagSetting>(7)), Exception);
}

TEST_F(TidewashConfig, FirstLoadCreatesTheFileWithTheDefaults)
{
    config.SetFlag(TFlagSetting::fsUseRecycleBin, false);
    config.SetExcludedFolders("*.obj", List({"/x=1"}));
    ASSERT_TRUE(config.Load(path));
    EXPECT_EQ(Contents(), kDefaultFile);
    EXPECT_TRUE(config.GetFlag(TFlagSetting::fsUseRecycleBin));
    EXPECT_TRUE(config.GetExcludedFoldersMap().empty());
}

// The worked example of the file layout: the first Load writes [Files] and
// [Volumes]; Save updates them in place and appends [Files/Excluded].
TEST_F(TidewashConfig, WorkedExampleByteForByte)
{
    config.Load(path);
    config.SetExcludedFolders("*.obj", List({"C:\\Work\\Lib=1", "C:\\Temp=0"}));
    config.SetFlag(TFlagSetting::fsUseRecycleBin, false);
    config.Save(path);
    using zelcore::QuoteCommaText;
    const AnsiString expected = "[Files]\n"
                                "ActiveMasks=" + QuoteCommaText("*.map,*.dsk,*.obj,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak") + "\n"
                                "DeleteHidden=0\n"
                                "DeleteReadOnly=0\n"
                                "UseRecycleBin=0\n"
                                "\n"
                                "[Volumes]\n"
                                "Excluded=" + QuoteCommaText("") + "\n"
                                "\n"
                                "[Files/Excluded]\n"
                                "*.obj=" + QuoteCommaText("C:\\Work\\Lib=1,C:\\Temp=0") + "\n";
    EXPECT_EQ(Contents(), expected);

    // Saving again changes nothing.
    config.Save(path);
    EXPECT_EQ(Contents(), expected);

    TTidewashConfig again;
    again.DefineSchema();
    again.Load(path);
    EXPECT_FALSE(again.GetFlag(TFlagSetting::fsUseRecycleBin));
    EXPECT_TRUE(Folders(again, "*.obj") == List({"C:\\Work\\Lib=1", "C:\\Temp=0"}));
    EXPECT_EQ(Contents(), expected);
}

TEST_F(TidewashConfig, HandEditedFileLoadsWhatItCanAndKeepsTheRest)
{
    Put("; edited by hand\r\n"
        "[Other]\r\n"
        "Keep=me\r\n"
        "[files]\r\n"
        "activemasks = *.tmp, \"*.a b\"\r\n"
        "DeleteHidden=yes\r\n"
        "DeleteReadOnly=7\r\n"
        "Unknown=1\r\n"
        "[Volumes]\r\n");
    config.SetFlag(TFlagSetting::fsDeleteHidden, true);
    config.Load(path);
    EXPECT_EQ(config.GetStringsText(TStringsSetting::ssActiveMasks), "*.tmp,\"*.a b\"");
    EXPECT_FALSE(config.GetFlag(TFlagSetting::fsDeleteHidden));  // "yes" is no integer: default
    EXPECT_TRUE(config.GetFlag(TFlagSetting::fsDeleteReadOnly));
    EXPECT_TRUE(config.GetFlag(TFlagSetting::fsUseRecycleBin));   // missing: default
    EXPECT_EQ(config.GetStringsText(TStringsSetting::ssExcludedVolumes), "");
    EXPECT_TRUE(config.GetExcludedFoldersMap().empty());

    config.Save(path);
    const AnsiString saved = Contents();
    for (const char* kept : {"; edited by hand", "[Other]", "Keep=me", "Unknown=1", "[files]"})
        EXPECT_NE(saved.find(kept), AnsiString::npos) << kept;
    TTidewashConfig again;
    again.DefineSchema();
    again.Load(path);
    EXPECT_EQ(again.GetStringsText(TStringsSetting::ssActiveMasks), "*.tmp,\"*.a b\"");
    EXPECT_TRUE(again.GetFlag(TFlagSetting::fsDeleteReadOnly));
    EXPECT_TRUE(again.GetFlag(TFlagSetting::fsUseRecycleBin));
}

TEST_F(TidewashConfig, AwkwardFolderPathsSurviveSaveAndLoad)
{
    const TStringListAdaptor entries = List({
        "/home/me/My Projects/lib=1",
        "/srv/a,b=0",
        "/srv/say \"hi\"=1",
        "/home/jürgen/Прое́кты/日本=0",
        " /leading and trailing blank =1",
        "\"/quoted whole\"=0",
    });
    config.SetExcludedFolders("*.obj", entries);
    config.SetExcludedFolders("*.il*", List({"/only=1"}));
    config.Save(path);

    TTidewashConfig again;
    again.DefineSchema();
    again.Load(path);
    EXPECT_TRUE(Folders(again, "*.obj") == entries);
    EXPECT_TRUE(Folders(again, "*.il*") == List({"/only=1"}));
    EXPECT_EQ(again.GetExcludedFoldersMap().size(), 2u);
}

TEST_F(TidewashConfig, MasksWithoutEntriesLeaveTheFile)
{
    config.SetExcludedFolders("*.obj", List({"/a=1"}));
    config.SetExcludedFolders("*.map", List({"/b=0"}));
    config.Save(path);
    config.SetExcludedFolders("*.obj", TStringListAdaptor());
    EXPECT_TRUE(config.GetExcludedFoldersMap().contains("*.obj"));  // empty, but present in memory
    config.Save(path);
    EXPECT_EQ(Contents().find("*.obj="), AnsiString::npos);
    EXPECT_NE(Contents().find("*.map="), AnsiString::npos);

    config.SetExcludedFolders("*.map", TStringListAdaptor());
    config.Save(path);
    EXPECT_EQ(Contents().find("[Files/Excluded]"), AnsiString::npos);
    EXPECT_EQ(Contents().find("\n\n\n"), AnsiString::npos);
}

TEST_F(TidewashConfig, ExcludedFoldersAreKeyedByExactMask)
{
    config.SetExcludedFolders("*.obj", List({"/a=1", "/b=0"}));
    EXPECT_EQ(Folders(config, "*.OBJ")->Count(), 0);
    TStringListAdaptor out = List({"stale"});
    config.GetExcludedFolders("*.obj", out);
    EXPECT_TRUE(out == List({"/a=1", "/b=0"}));
    config.SetExcludedFolders("*.obj", List({"/c=1"}));
    EXPECT_TRUE(Folders(config, "*.obj") == List({"/c=1"}));
}

TEST_F(TidewashConfig, DeletingAnActiveMaskIgnoresCaseAndKeepsItsFolders)
{
    config.SetExcludedFolders("*.obj", List({"/a=1"}));
    config.DeleteActiveMask("*.OBJ");
    EXPECT_EQ(config.GetStringsText(TStringsSetting::ssActiveMasks),
              "*.map,*.dsk,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak");
    config.DeleteActiveMask("*.none");
    EXPECT_EQ(config.GetStringsText(TStringsSetting::ssActiveMasks),
              "*.map,*.dsk,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak");
    config.Save(path);
    EXPECT_NE(Contents().find("*.obj="), AnsiString::npos);
}

TEST_F(TidewashConfig, SaveRefusesWhatTheFileCannotHoldAndWritesNothing)
{
    config.SetExcludedFolders("*.obj", List({"/a=1"}));
    config.Save(path);
    const AnsiString before = Contents();
    auto refused = [&](const AnsiString& message) {
        try {
            config.Save(path);
            ADD_FAILURE() << "Save must refuse: " << message;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), message);
        }
        EXPECT_EQ(Contents(), before);
    };

    config.SetFlag(TFlagSetting::fsDeleteHidden, true);  // must not reach the file either
    for (const AnsiString mask : {"a=b", " *.x", "[x", ""}) {
        config.SetExcludedFolders(mask, List({"/a=1"}));
        refused("Invalid file mask for excluded folders: " + mask);
        config.SetExcludedFolders(mask, TStringListAdaptor());
    }
    config.SetExcludedFolders("*.OBJ", List({"/b=1"}));
    refused("Excluded folders are set for masks that differ only in case: *.obj");
    config.SetExcludedFolders("*.OBJ", TStringListAdaptor());
    config.SetExcludedFolders("*.obj", List({"/line\nbreak=1"}));
    refused("Excluded folder entry holds a line break: *.obj");
    config.SetExcludedFolders("*.obj", List({"/a=1"}));
    config.SetStringsText(TStringsSetting::ssExcludedVolumes, "\"/mnt/a\nb\"");
    refused("Setting holds a line break: VolumesExcluded");
}

TEST(ExcludedFolderEntries, TwoListsAndBack)
{
    TStringList alone, withSub;
    alone.Add("/a b");
    withSub.Add("/c");
    withSub.Add("/d");
    const TStringListAdaptor entries = MakeExcludedFolderEntries(alone, withSub);
    EXPECT_TRUE(entries == TStringListAdaptor(std::deque<AnsiString>{"/a b=0", "/c=1", "/d=1"}));

    TStringList backAlone, backWithSub;
    SplitExcludedFolderEntries(entries, backAlone, backWithSub);
    EXPECT_EQ(backAlone.CommaText(), "\"/a b\"");
    EXPECT_EQ(backWithSub.CommaText(), "/c,/d");

    // A path alone, an empty or unreadable value, and any other integer.
    TStringList a, w;
    SplitExcludedFolderEntries(TStringListAdaptor(std::deque<AnsiString>{"/p", "/q=", "/r=x", "/s=2", "/t=0"}), a,
                               w);
    EXPECT_EQ(a.CommaText(), "/s,/t");
    ASSERT_EQ(w.Count(), 3);
    EXPECT_EQ(w[0], "");
    EXPECT_EQ(w[1], "/q");
    EXPECT_EQ(w[2], "/r");
}
