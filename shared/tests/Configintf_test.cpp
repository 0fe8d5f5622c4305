// TTidewashConfig: the schema, TWS.cfg as written and as read back after
// hand edits, the excluded folders, and what Save refuses to write.
#include "Configintf.h"

#include <gtest/gtest.h>

#include "ConfigintfFixture.h"
#include "SysUtils.hpp"
#include "Zelconvert.h"

using namespace tws;

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

// A missing file is the one case the defaults stand for, and loading
// writes nothing: the first Save creates the file.
TEST_F(TidewashConfig, AMissingFileMeansTheDefaultsAndOnlySaveCreatesIt)
{
    config.SetFlag(TFlagSetting::fsUseRecycleBin, false);
    config.SetExcludedFolders("*.obj", List({"/x=1"}));
    ASSERT_TRUE(config.Load(path));
    EXPECT_FALSE(fs::exists(path.c_str()));
    EXPECT_TRUE(config.GetFlag(TFlagSetting::fsUseRecycleBin));
    EXPECT_TRUE(config.GetExcludedFoldersMap().empty());
    config.Save(path);
    EXPECT_EQ(Contents(), kDefaultFile);
}

// The worked example of the file layout: every section, [Files/Excluded]
// before [Volumes].
TEST_F(TidewashConfig, WorkedExampleByteForByte)
{
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
                                "[Files/Excluded]\n"
                                "*.obj=" + QuoteCommaText("C:\\Work\\Lib=1,C:\\Temp=0") + "\n"
                                "\n"
                                "[Volumes]\n"
                                "Excluded=" + QuoteCommaText("") + "\n";
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

// The previous version appended [Files/Excluded] after [Volumes] and left
// it out when no folder was excluded. The first file loads and is saved in
// the new order; the second cannot be told from a file cut short before
// [Files/Excluded], and is refused with what to add.
TEST_F(TidewashConfig, FilesOfThePreviousVersion)
{
    const AnsiString head = "[Files]\nActiveMasks=\"*.obj,*.map\"\nDeleteHidden=0\nDeleteReadOnly=0\nUseRecycleBin=1\n"
                            "\n[Volumes]\nExcluded=\"/mnt/a\"\n";
    const AnsiString folders = "\n[Files/Excluded]\n*.obj=\"/work/lib=1\"\n*.map=\"/tmp=0\"\n";
    Put(head + folders);
    config.Load(path);
    EXPECT_EQ(config.GetStringsText(TStringsSetting::ssExcludedVolumes), "/mnt/a");
    EXPECT_TRUE(Folders(config, "*.map") == List({"/tmp=0"}));
    config.Save(path);
    EXPECT_EQ(Contents(), "[Files]\nActiveMasks=\"*.obj,*.map\"\nDeleteHidden=0\nDeleteReadOnly=0\nUseRecycleBin=1\n"
                          "\n[Files/Excluded]\n*.map=\"/tmp=0\"\n*.obj=\"/work/lib=1\"\n"
                          "\n[Volumes]\nExcluded=\"/mnt/a\"\n");

    Put(head);
    TTidewashConfig old;
    old.DefineSchema();
    try {
        old.Load(path);
        ADD_FAILURE() << "loaded";
    } catch (const EConfigFileDamaged& e) {
        EXPECT_NE(e.Message().find("lacks [Files/Excluded]"), AnsiString::npos) << e.Message();
    }
}

// A whole file as a person may write it: sections in another order and
// letter case, CRLF, comments, blanks, unknown keys, no line end after the
// last line (one that holds no list). It loads, and a save keeps what the settings do not know.
TEST_F(TidewashConfig, HandEditedWholeFileLoadsAndKeepsTheRest)
{
    Put("; edited by hand\r\n"
        "[Other]\r\n"
        "Keep=me\r\n"
        "[volumes]\r\n"
        "excluded = \"/mnt/x\"\r\n"
        "[files]\r\n"
        "activemasks = *.tmp, \"*.a b\"\r\n"
        "DeleteHidden=yes\r\n"
        "DeleteReadOnly=7\r\n"
        "UseRecycleBin=1\r\n"
        "Unknown=1\r\n"
        "[files/excluded]\r\n"
        "# none yet\r\n"
        "*.tmp=\"/src=1\"\r\n"
        "[End]\r\n"
        "Note=no line end after this");
    config.SetFlag(TFlagSetting::fsDeleteHidden, true);
    config.Load(path);
    EXPECT_EQ(config.GetStringsText(TStringsSetting::ssActiveMasks), "*.tmp,\"*.a b\"");
    EXPECT_FALSE(config.GetFlag(TFlagSetting::fsDeleteHidden));  // "yes" is no integer: default
    EXPECT_TRUE(config.GetFlag(TFlagSetting::fsDeleteReadOnly));
    EXPECT_TRUE(config.GetFlag(TFlagSetting::fsUseRecycleBin));
    EXPECT_EQ(config.GetStringsText(TStringsSetting::ssExcludedVolumes), "/mnt/x");
    EXPECT_TRUE(Folders(config, "*.tmp") == List({"/src=1"}));

    config.Save(path);
    const AnsiString saved = Contents();
    for (const char* kept : {"; edited by hand", "[Other]", "Keep=me", "Unknown=1", "[files]"})
        EXPECT_NE(saved.find(kept), AnsiString::npos) << kept;
    TTidewashConfig again;
    again.DefineSchema();
    again.Load(path);
    EXPECT_EQ(again.GetStringsText(TStringsSetting::ssActiveMasks), "*.tmp,\"*.a b\"");
    EXPECT_TRUE(again.GetFlag(TFlagSetting::fsDeleteReadOnly));
    EXPECT_EQ(again.GetStringsText(TStringsSetting::ssExcludedVolumes), "/mnt/x");
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

TEST_F(TidewashConfig, MasksWithoutEntriesLeaveTheFileAndTheSectionStays)
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
    EXPECT_EQ(Contents().find("*.map="), AnsiString::npos);
    EXPECT_NE(Contents().find("[Files/Excluded]\n\n[Volumes]"), AnsiString::npos) << Contents();
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

    // A path alone (kept whole), an empty or unreadable value, and any other integer.
    TStringList a, w;
    SplitExcludedFolderEntries(TStringListAdaptor(std::deque<AnsiString>{"/p", "/q=", "/r=x", "/s=2", "/t=0"}), a,
                               w);
    EXPECT_EQ(a.CommaText(), "/s,/t");
    EXPECT_EQ(w.CommaText(), "/p,/q,/r");
}

// The one reading of an entry that the handler's scan and the configuration
// server share: the value is after the LAST "=".
TEST(ExcludedFolderEntries, ParsedAtTheLastEqualsSign)
{
    struct Case {
        const char* entry;
        const char* folder;
        bool withSub;
    };
    const Case cases[] = {
        {"/src/a=b=1", "/src/a=b", true},
        {"/src/a=b=0", "/src/a=b", false},
        {"/x=y/z==1", "/x=y/z=", true},
        {"/src/a=b", "/src/a", true},       // value not a number: spare the most
        {"/src/a=b=yes", "/src/a=b", true},
        {"/src/p=", "/src/p", true},        // empty value
        {"/src/p=2", "/src/p", false},      // any other integer: that folder alone
        {"/src/p=-1", "/src/p", false},
        {"/src/plain", "/src/plain", true}, // no "=": the path with subfolders
        {"=1", "", true},
        {"=0", "", false},
        {"/src/p=01", "/src/p", true},      // read as a number, not as text
        {"/src/p=00", "/src/p", false},
        {"/src/p=10", "/src/p", false},
        {"/src/p=0=1", "/src/p=0", true},
        {"/src/p=1=0", "/src/p=1", false},
    };
    for (const Case& c : cases) {
        const TExcludedFolderEntry e = ParseExcludedFolderEntry(c.entry);
        EXPECT_EQ(e.Folder, c.folder) << c.entry;
        EXPECT_EQ(e.WithSubfolders, c.withSub) << c.entry;
    }
    // Made from two lists and read back, names with "=" survive.
    TStringList alone, withSub;
    alone.Add("/a=b");
    withSub.Add("/c=d=e");
    TStringList backAlone, backWithSub;
    SplitExcludedFolderEntries(MakeExcludedFolderEntries(alone, withSub), backAlone, backWithSub);
    EXPECT_EQ(backAlone.Text(), alone.Text());
    EXPECT_EQ(backWithSub.Text(), withSub.Text());
}

// What a whole file may hold: defaults that can only spare files are
// taken, anything whose default could select excluded files is refused,
// naming the file, and leaves the settings as they were.
TEST_F(TidewashConfig, ADamagedFileIsRefusedWhereADefaultWouldSelectMore)
{
    struct Case {
        const char* name;
        std::string text;
        const char* refusal;  // nullptr: loads
    };
    twstesting::TSettingsFile settings;
    settings.ActiveMasks = "*.obj";
    const std::string whole = settings.Text();
    // The whole file with one line replaced, or text put after a line.
    auto with = [&](const std::string& line, const std::string& by) {
        std::string text = whole;
        return text.replace(text.find(line), line.size(), by);
    };
    const std::string excluded = "[Files/Excluded]\n";
    const Case cases[] = {
        {"flag text not a number", with("DeleteHidden=0", "DeleteHidden=yes"), nullptr},
        {"comments and CRLF",
         "; c\r\n[Files]\r\nActiveMasks=\"*.obj\"\r\nDeleteHidden=0\r\nDeleteReadOnly=0\r\nUseRecycleBin=1\r\n"
         "[Files/Excluded]\r\n; note\r\n[Volumes]\r\nExcluded=\"\"\r\n",
         nullptr},
        {"NUL bytes", whole + std::string("\0", 1), "NUL bytes"},
        {"unclosed quote in a folder list", with(excluded, excluded + "*.obj=\"\"/my dir=1\"\n"), "not a list"},
        {"a quote glued inside a folder's name", with(excluded, excluded + "*.obj=/my\"dir=1,/b=0\n"), nullptr},
        {"quoted folders with doubled quotes", with(excluded, excluded + "*.obj=/a=1,\"/b \"\"c\"\"=0\",/d=1\n"),
         nullptr},
        {"a closed quote, then an unclosed one",
         with(excluded, excluded + "*.obj=/a=1,\"/b c=1\",/d,\" /e=1\n"), "not a list"},
        {"an unclosed quote after a blank", with(excluded, excluded + "*.obj=/a=1, \"/b c=1\n"), "not a list"},
        {"an unclosed quote ending in a doubled one", with(excluded, excluded + "*.obj=/a=1,\"/b\"\"\n"),
         "not a list"},
        {"unclosed quote in the masks", with("ActiveMasks=\"*.obj\"", "ActiveMasks=\"\"*.obj\""), "not a list"},
        {"unclosed quote in the volumes", with("Excluded=\"\"", "Excluded=\"\"/mnt/x\""), "not a list"},
        {"a folder line without =", with(excluded, excluded + "/work/lib\n"), "not name=value"},
        {"the folder section twice", whole + "\n[Files/Excluded]\n*.map=/b\n", "more than once"},
        {"a mask matching every name", with("ActiveMasks=\"*.obj\"", "ActiveMasks=\"*.obj,*.*\""),
         "\"*.*\" matches every file name"},
        {"a star alone", with("ActiveMasks=\"*.obj\"", "ActiveMasks=\"*\""), "\"*\" matches every file name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTidewashConfig loaded;
        loaded.DefineSchema();
        loaded.SetExcludedFolders("*.keep", List({"/kept=1"}));
        Put(c.text);
        if (c.refusal == nullptr) {
            EXPECT_TRUE(loaded.Load(path));
            EXPECT_FALSE(loaded.GetFlag(TFlagSetting::fsDeleteHidden));
            continue;
        }
        try {
            loaded.Load(path);
            ADD_FAILURE() << "loaded";
        } catch (const EConfigFileDamaged& e) {
            EXPECT_NE(e.Message().find(path), AnsiString::npos) << e.Message();
            EXPECT_NE(e.Message().find(c.refusal), AnsiString::npos) << e.Message();
        }
        EXPECT_EQ(Folders(loaded, "*.keep")->CommaText(), "/kept=1");
        EXPECT_EQ(Contents(), c.text);
    }
}

// A mask matching every name never becomes active: the list is left as it
// was. A mask matching sources is the editor's question, not refused here.
TEST_F(TidewashConfig, AMaskMatchingEveryNameIsRefused)
{
    TTidewashConfig config;
    config.DefineSchema();
    config.SetStringsText(TStringsSetting::ssActiveMasks, "*.obj");
    for (const char* masks : {"*", "*.obj,*.*", "?*", "*."}) {
        try {
            config.SetStringsText(TStringsSetting::ssActiveMasks, masks);
            ADD_FAILURE() << masks << " accepted";
        } catch (const Exception& e) {
            EXPECT_NE(e.Message().find("matches every file name"), AnsiString::npos) << e.Message();
        }
        EXPECT_EQ(config.GetStringsText(TStringsSetting::ssActiveMasks), "*.obj") << masks;
    }
    config.SetStringsText(TStringsSetting::ssActiveMasks, "*.obj,*.cpp");
    EXPECT_EQ(config.GetStringsText(TStringsSetting::ssActiveMasks), "*.obj,*.cpp");
    // Other lists may hold anything.
    config.SetStringsText(TStringsSetting::ssExcludedVolumes, "*");
    EXPECT_EQ(config.GetStringsText(TStringsSetting::ssExcludedVolumes), "*");
}

// A file that exists must be whole: empty, or lacking any key or section
// the settings write, it is refused with what it lacks; a last line
// without a line end is whole unless it holds a list, which may be cut.
TEST_F(TidewashConfig, AFileThatIsNotWholeIsRefused)
{
    struct Case {
        const char* name;
        std::string text;
        const char* refusal;  // nullptr: loads
    };
    twstesting::TSettingsFile settings;
    settings.ExcludedFolders = {{"*.obj", {"/work/lib=1"}}};
    const std::string whole = settings.Text();
    auto without = [&](const std::string& line) {
        std::string text = whole;
        return text.erase(text.find(line), line.size());
    };
    auto cutAfter = [&](const std::string& part) { return whole.substr(0, whole.find(part) + part.size()); };
    const Case cases[] = {
        {"whole", whole, nullptr},
        {"empty", "", "it is empty"},
        {"blank lines only", "\n\n", "lacks [Files] ActiveMasks"},
        {"no ActiveMasks", without("ActiveMasks=\"*.map,*.dsk,*.obj,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak\"\n"),
         "lacks [Files] ActiveMasks"},
        {"no DeleteHidden", without("DeleteHidden=0\n"), "lacks [Files] DeleteHidden"},
        {"no DeleteReadOnly", without("DeleteReadOnly=0\n"), "lacks [Files] DeleteReadOnly"},
        {"no UseRecycleBin", without("UseRecycleBin=1\n"), "lacks [Files] UseRecycleBin"},
        {"no [Volumes] Excluded", without("Excluded=\"\"\n"), "lacks [Volumes] Excluded"},
        {"no [Files/Excluded]", without("[Files/Excluded]\n*.obj=\"/work/lib=1\"\n"), "lacks [Files/Excluded]"},
        {"cut before [Files/Excluded]", cutAfter("UseRecycleBin=1\n\n"), "[Files/Excluded]"},
        {"cut after a folder line", cutAfter("/work/lib=1\"\n"), "lacks [Volumes] Excluded"},
        {"cut inside a folder list", cutAfter("/work/"), "may have been cut short"},
        {"no line end after the last list", whole.substr(0, whole.size() - 1), "may have been cut short"},
        {"a cut list value ends the file", without("Excluded=\"\"\n") + "Excluded=/mnt/a,/mn",
         "may have been cut short"},
        {"a closed list value ends the file", without("Excluded=\"\"\n") + "Excluded=\"/mnt/a\"",
         "may have been cut short"},
        {"a flag ends the file",
         "[Files/Excluded]\n[Volumes]\nExcluded=\"\"\n[Files]\nActiveMasks=\"*.obj\"\nDeleteHidden=0\n"
         "DeleteReadOnly=0\nUseRecycleBin=1",
         nullptr},
        {"the section names in other case",
         "[FILES]\nActiveMasks=\"*.obj\"\nDeleteHidden=0\nDeleteReadOnly=0\nUseRecycleBin=1\n"
         "[files/EXCLUDED]\n[volumes]\nEXCLUDED=\"\"\n",
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Put(c.text);
        TTidewashConfig loaded;
        loaded.DefineSchema();
        if (c.refusal == nullptr) {
            EXPECT_NO_THROW(loaded.Load(path));
            continue;
        }
        try {
            loaded.Load(path);
            ADD_FAILURE() << "loaded";
        } catch (const EConfigFileDamaged& e) {
            EXPECT_NE(e.Message().find(path), AnsiString::npos) << e.Message();
            EXPECT_NE(e.Message().find(c.refusal), AnsiString::npos) << e.Message();
        }
    }
}

// What Save writes, cut after any byte, is refused or reads as the whole
// file: a cut never makes the scan see fewer exclusions.
TEST_F(TidewashConfig, EveryCutOfASavedFileIsRefusedOrReadsWhole)
{
    config.SetStringsText(TStringsSetting::ssActiveMasks, "*.obj,*.map,\"*.a b\"");
    config.SetStringsText(TStringsSetting::ssExcludedVolumes, "/mnt/a,\"/mnt/b c\"");
    config.SetFlag(TFlagSetting::fsDeleteHidden, true);
    config.SetExcludedFolders("*.obj", List({"/work/lib=1", "/tmp=0"}));
    config.SetExcludedFolders("*.map", List({"/srv/x=1"}));
    config.SetExcludedFolders("*.a b", List({"/y=1"}));
    config.Save(path);
    const AnsiString whole = Contents();
    auto same = [&](TTidewashConfig& c) {
        for (const TStringsSetting list : {TStringsSetting::ssActiveMasks, TStringsSetting::ssExcludedVolumes})
            if (c.GetStringsText(list) != config.GetStringsText(list))
                return false;
        for (const TFlagSetting flag :
             {TFlagSetting::fsDeleteHidden, TFlagSetting::fsDeleteReadOnly, TFlagSetting::fsUseRecycleBin})
            if (c.GetFlag(flag) != config.GetFlag(flag))
                return false;
        for (const char* mask : {"*.obj", "*.map", "*.a b"})
            if (!(Folders(c, mask) == Folders(config, mask)))
                return false;
        return true;
    };
    int refused = 0;
    for (std::size_t n = 0; n < whole.size(); ++n) {
        twstesting::WriteFile(path.c_str(), whole.substr(0, n));
        TTidewashConfig cut;
        cut.DefineSchema();
        try {
            cut.Load(path);
        } catch (const EConfigFileDamaged&) {
            ++refused;
            continue;
        }
        EXPECT_TRUE(same(cut)) << "cut after " << n << " of " << whole.size() << " bytes:\n" << whole.substr(0, n);
    }
    EXPECT_GE(refused, static_cast<int>(whole.size()) - 1);  // the last line end alone may go
}
