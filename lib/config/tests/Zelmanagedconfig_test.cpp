// The configuration tree: sections, item definition, typed access, the
// failure messages, and load/save/reset over the tree.
#include "Zelmanagedconfig.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

#include "Zelinifileadaptor.h"
#include "TempFolder.h"

using namespace zelconfig;
using StringMap = std::map<AnsiString, AnsiString>;

namespace {

void ExpectMessage(const std::function<void()>& call, const AnsiString& message)
{
    try {
        call();
        ADD_FAILURE() << "expected: " << message;
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), message);
    }
}

class ConfigTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        files = config.AddSection("Files", "the files");
        excluded = files->AddChildSection("Excluded", "");
        volumes = config.AddSection("Volumes", "");
        files->DefineItem("FilesActiveMasks", "ActiveMasks", TStringListAdaptor({"*.obj", "*.map"}), "");
        files->DefineItem("FilesDeleteHidden", "DeleteHidden", false, "");
        files->DefineItem("FilesCount", "Count", 3, "");
        excluded->DefineCollection("MaskExcludedFolders", StringMap{}, "");
        volumes->DefineItem("VolumesExcluded", "Excluded", TStringListAdaptor(), "");
    }

    TManagedConfig config;
    TConfigSection* files = nullptr;
    TConfigSection* excluded = nullptr;
    TConfigSection* volumes = nullptr;
};

}  // namespace

TEST_F(ConfigTree, FailureMessagesOfTheTable)
{
    ExpectMessage([&] { config.AddSection("Files", ""); }, "TManagedConfig Section already exists: Files");
    ExpectMessage([&] { files->AddChildSection("Excluded", ""); },
                  "TManagedConfig Section already exists: Excluded");
    ExpectMessage([&] { config.GetSection("files"); }, "TManagedConfig Section does not exist: files");
    ExpectMessage([&] { files->GetChildSection("Other"); }, "TManagedConfig Section does not exist: Other");
    ExpectMessage([&] { config.RemoveSection("Nope"); }, "TManagedConfig Section does not exist: Nope");
    ExpectMessage([&] { volumes->DefineItem("FilesDeleteHidden", "Other", 1, ""); },
                  "Identifier already exists : FilesDeleteHidden");
    ExpectMessage([&] { volumes->DefineCollection("FilesCount", StringMap{}, ""); },
                  "Identifier already exists : FilesCount");
    ExpectMessage([&] { files->DefineItem("Other", "activemasks", 1, ""); },
                  "TConfigSection ItemName already exists : activemasks");
    ExpectMessage([&] { volumes->DefineCollection("Other", StringMap{}, ""); },
                  "TConfigSection already contains defined items");
    ExpectMessage([&] { excluded->DefineItem("Other", "Items", 1, ""); },
                  "TConfigSection ItemName already exists : Items");
    ExpectMessage([&] { config.GetValue<bool>("Never"); }, "Identifier does not exist: Never");
    ExpectMessage([&] { config.SetValue<int>("Never", 1); }, "Identifier does not exist: Never");
    ExpectMessage([&] { config.GetValue<int>("FilesDeleteHidden"); },
                  "Unable to cast to the required type for Identifier : FilesDeleteHidden");
    ExpectMessage([&] { config.SetValue<AnsiString>("FilesCount", "x"); },
                  "Unable to cast to the required type for Identifier : FilesCount");
    ExpectMessage([&] { config.GetValue<StringMap>("VolumesExcluded"); },
                  "Unable to cast to the required type for Identifier : VolumesExcluded");

    // Failed definitions leave the tree as it was.
    EXPECT_EQ(files->GetItemCount(), 3u);
    EXPECT_EQ(volumes->GetItemCount(), 1u);
    EXPECT_EQ(excluded->GetItemCount(), 1u);
    EXPECT_FALSE(config.IdentifierExists("Other"));
}

// A collection is stored as its whole section, so nothing may share it.
TEST_F(ConfigTree, NoOtherItemBesideACollection)
{
    ExpectMessage([&] { excluded->DefineItem("Other", "Zeta", 1, ""); },
                  "TConfigSection already contains a collection : Zeta");
    EXPECT_FALSE(config.IdentifierExists("Other"));
}

TEST_F(ConfigTree, NamesAreCaseSensitiveExceptItemNamesOnDefinition)
{
    TConfigSection* lower = config.AddSection("files", "");
    EXPECT_NE(lower, files);
    config.AddSection("Excluded", "");  // a top-level twin of Files' child
    lower->DefineItem("filesdeletehidden", "DeleteHidden", true, "");
    EXPECT_FALSE(config.GetValue<bool>("FilesDeleteHidden"));
    EXPECT_TRUE(config.GetValue<bool>("filesdeletehidden"));
    EXPECT_EQ(files->GetItem("deletehidden"), nullptr);
    EXPECT_EQ(files->GetItem("DeleteHidden")->ItemName, "DeleteHidden");
}

TEST_F(ConfigTree, StructureAndOrder)
{
    EXPECT_EQ(files->GetOwner(), &config);
    EXPECT_EQ(excluded->GetOwner(), &config);
    EXPECT_EQ(excluded->GetParentSection(), files);
    EXPECT_EQ(files->GetParentSection(), nullptr);
    EXPECT_TRUE(files->GetHasChildSections());
    EXPECT_FALSE(volumes->GetHasChildSections());
    EXPECT_EQ(files->GetItemName(0), "ActiveMasks");
    EXPECT_EQ(files->GetItemName(2), "DeleteHidden");
    EXPECT_THROW(files->GetItemName(3), Exception);
    EXPECT_EQ(excluded->GetItem("Items")->SectionName, "Excluded");

    config.AddSection("Alpha", "");
    config.AddSection("_", "");
    AnsiString order;
    TManagedConfig::iterator it;
    for (bool more = config.GetFirstSection(it); more; more = config.GetNextSection(it))
        order += it->first + ";";
    EXPECT_EQ(order, "Alpha;Files;Volumes;_;");  // byte order: upper case before "_"
    EXPECT_FALSE(config.GetNextSection(it));
}

TEST_F(ConfigTree, TypedValuesAreCopies)
{
    TStringListAdaptor masks = config.GetValue<TStringListAdaptor>("FilesActiveMasks");
    masks->Add("*.bak");
    EXPECT_EQ(config.GetValue<TStringListAdaptor>("FilesActiveMasks")->Count(), 2);
    config.SetValue("FilesActiveMasks", masks);
    masks->Clear();
    EXPECT_EQ(config.GetValue<TStringListAdaptor>("FilesActiveMasks")->CommaText(), "*.obj,*.map,*.bak");

    config.SetValue("MaskExcludedFolders", StringMap{{"*.obj", "b"}, {"*.map", "a"}});
    EXPECT_EQ(config.GetValue<StringMap>("MaskExcludedFolders").size(), 2u);
    EXPECT_EQ(excluded->GetItem("Items")->GetValueAsString(), "Items1=a,Items2=b");
    EXPECT_EQ(excluded->GetItem("Items")->GetDefaultAsString(), "");
    EXPECT_EQ(files->GetItem("Count")->GetValueAsString(), "3");
}

TEST_F(ConfigTree, RemovedSectionsTakeTheirIdentifiersAlong)
{
    config.RemoveSection("Files");
    EXPECT_FALSE(config.SectionExists("Files"));
    for (const char* id : {"FilesActiveMasks", "FilesDeleteHidden", "MaskExcludedFolders"}) {
        EXPECT_FALSE(config.IdentifierExists(id));
        ExpectMessage([&] { config.GetValue<bool>(id); }, AnsiString("Identifier does not exist: ") + id);
    }
    EXPECT_TRUE(config.IdentifierExists("VolumesExcluded"));
    // The identifiers are free for new definitions.
    config.AddSection("Files", "")->DefineItem("FilesDeleteHidden", "DeleteHidden", true, "");
    EXPECT_TRUE(config.GetValue<bool>("FilesDeleteHidden"));
}

TEST_F(ConfigTree, ResetLoadAndSaveWalkTheTree)
{
    const twstesting::TTempFolder folder;
    const AnsiString path = (folder / "tree.ini").string();
    config.SetValue("FilesDeleteHidden", true);
    config.SetValue("FilesCount", 9);
    config.SetValue("MaskExcludedFolders", StringMap{{"*.obj", "/a=1"}});

    {
        TIniFileAdaptor adaptor(path, "");
        adaptor.Open();
        files->SaveSection(&adaptor, /*recursive=*/true);  // with the child: [Excluded] in this flat use
    }
    config.ResetToDefaults();
    EXPECT_FALSE(config.GetValue<bool>("FilesDeleteHidden"));
    EXPECT_TRUE(config.GetValue<StringMap>("MaskExcludedFolders").empty());

    TIniFileAdaptor adaptor(path, "");
    adaptor.Open();
    files->LoadSection(&adaptor, /*recursive=*/false);
    EXPECT_TRUE(config.GetValue<bool>("FilesDeleteHidden"));
    EXPECT_EQ(config.GetValue<int>("FilesCount"), 9);
    EXPECT_TRUE(config.GetValue<StringMap>("MaskExcludedFolders").empty());  // child not loaded
    files->LoadSection(&adaptor, /*recursive=*/true);
    EXPECT_EQ(config.GetValue<StringMap>("MaskExcludedFolders").at("*.obj"), "/a=1");

    // A key missing from storage puts the item back to its default.
    config.SetValue("VolumesExcluded", TStringListAdaptor({"/mnt/"}));
    volumes->LoadSection(&adaptor, /*recursive=*/true);
    EXPECT_EQ(config.GetValue<TStringListAdaptor>("VolumesExcluded")->Count(), 0);

    files->ResetSection(/*recursive=*/false);
    EXPECT_EQ(config.GetValue<int>("FilesCount"), 3);
    EXPECT_EQ(config.GetValue<StringMap>("MaskExcludedFolders").size(), 1u);
}

TEST_F(ConfigTree, ANullAdaptorIsRefused)
{
    EXPECT_THROW(files->LoadSection(nullptr, /*recursive=*/false), Exception);
    EXPECT_THROW(excluded->SaveSection(nullptr, /*recursive=*/false), Exception);
}
