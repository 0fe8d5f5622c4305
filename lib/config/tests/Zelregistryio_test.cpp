// TRegistryImport and TRegistryExport: where sections land, and a full
// export followed by an import into a fresh tree.
#include "Zelregistryio.h"

#include "RegistryScratch.h"
#include "Zelmanagedconfig.h"

using namespace zelconfig;
using StringMap = std::map<AnsiString, AnsiString>;

namespace {

class RegIO : public RegistryScratch {};

// Every item type, a collection, and sections two levels deep.
void DefineTree(TManagedConfig& config)
{
    TConfigSection* files = config.AddSection("Files", "");
    TConfigSection* excluded = files->AddChildSection("Excluded", "");
    TConfigSection* deeper = files->AddChildSection("Zdeeper", "")->AddChildSection("Deepest", "");
    files->DefineItem("FilesMasks", "ActiveMasks", TStringListAdaptor({"*.obj"}), "");
    files->DefineItem("FilesHidden", "DeleteHidden", false, "");
    files->DefineItem("FilesCount", "Count", 1, "");
    files->DefineItem("FilesName", "Name", "dflt", "");
    excluded->DefineCollection("Folders", StringMap{}, "");
    deeper->DefineItem("Ratio", "Ratio", 0.5, "");
    deeper->DefineItem("When", "When", TDateTime(1.0), "");
    config.AddSection("Volumes", "")->DefineItem("Volumes", "Excluded", TStringListAdaptor(), "");
}

}  // namespace

TEST_F(RegIO, ExportThenImportGivesBackEveryValue)
{
    TManagedConfig config;
    DefineTree(config);
    config.SetValue("FilesMasks", TStringListAdaptor({"*.a b", "*.\"q\"", "*.ü"}));
    config.SetValue("FilesHidden", true);
    config.SetValue("FilesCount", -123456);
    config.SetValue<AnsiString>("FilesName", " with=equals, \"quotes\" ");
    config.SetValue("Folders", StringMap{{"*.obj", "\"/x y=1\",/z=0"}, {"*.map", "/m=1"}});
    config.SetValue("Ratio", -2.5e-7);
    config.SetValue("When", TDateTime(45000.75));
    config.SetValue("Volumes", TStringListAdaptor({"/mnt/data/", "/"}));
    TRegistryExport("Software\\Zel\\Tidewash").Export(config);

    TManagedConfig fresh;
    DefineTree(fresh);
    TRegistryImport("Software\\Zel\\Tidewash").Import(&fresh);
    EXPECT_TRUE(fresh.GetValue<TStringListAdaptor>("FilesMasks") ==
                TStringListAdaptor({"*.a b", "*.\"q\"", "*.ü"}));
    EXPECT_TRUE(fresh.GetValue<bool>("FilesHidden"));
    EXPECT_EQ(fresh.GetValue<int>("FilesCount"), -123456);
    EXPECT_EQ(fresh.GetValue<AnsiString>("FilesName"), " with=equals, \"quotes\" ");
    EXPECT_EQ(fresh.GetValue<StringMap>("Folders"), config.GetValue<StringMap>("Folders"));
    // Doubles are stored as text of 15 significant digits: exact for these.
    EXPECT_EQ(fresh.GetValue<double>("Ratio"), -2.5e-7);
    EXPECT_DOUBLE_EQ(fresh.GetValue<TDateTime>("When").Val, 45000.75);
    EXPECT_TRUE(fresh.GetValue<TStringListAdaptor>("Volumes") == TStringListAdaptor({"/mnt/data/", "/"}));
}

TEST_F(RegIO, SectionsAreSubkeysBelowTheKeyPath)
{
    TManagedConfig config;
    DefineTree(config);
    config.SetValue("Folders", StringMap{{"*.obj", "/a=1"}});
    TRegistryExport("P").Export(config);
    DWORD type;
    std::string data;
    EXPECT_TRUE(Raw(HKEY_CURRENT_USER, "P\\Files", "DeleteHidden", type, data));
    EXPECT_TRUE(Raw(HKEY_CURRENT_USER, "P\\Files\\Excluded", "*.obj", type, data));
    EXPECT_EQ(data, "/a=1");
    EXPECT_TRUE(Raw(HKEY_CURRENT_USER, "P\\Files\\Zdeeper\\Deepest", "Ratio", type, data));
    EXPECT_TRUE(Raw(HKEY_CURRENT_USER, "P\\Volumes", "Excluded", type, data));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "P\\Excluded"));
}

TEST_F(RegIO, MissingKeysLeaveTheDefaults)
{
    TManagedConfig config;
    DefineTree(config);
    config.SetValue("FilesCount", 9);
    config.SetValue("Folders", StringMap{{"*.obj", "/a=1"}});
    TRegistryImport("Software\\Nothing\\Here").Import(&config);
    EXPECT_EQ(config.GetValue<int>("FilesCount"), 1);
    EXPECT_TRUE(config.GetValue<StringMap>("Folders").empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "HKEY_CURRENT_USER.reg"));
}
