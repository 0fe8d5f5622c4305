#include "Registry.hpp"

#include "RegistryError.h"
#include "TempRegistry.h"

namespace {

using Registry = TempRegistry;

const std::string kDamaged = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\nnonsense\n";

}  // namespace

TEST_F(Registry, KeysOpenFromTheCurrentKeyOrFromTheRoot)
{
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.OpenKey("Software\\Zel", false));
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    ASSERT_TRUE(reg.OpenKey("Software\\Zel", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Zel");
    ASSERT_TRUE(reg.OpenKey("Sub", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Zel\\Sub");
    EXPECT_TRUE(reg.KeyExists("\\software\\zel"));
    EXPECT_FALSE(reg.KeyExists("Software"));  // relative to Software\Zel\Sub

    EXPECT_FALSE(reg.OpenKey("\\Missing", false));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Zel\\Sub");  // a failed open keeps the key
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE", false));
    EXPECT_EQ(reg.CurrentPath(), "SOFTWARE");
    TStringList names;
    reg.GetKeyNames(&names);
    ASSERT_EQ(names.Count(), 1);
    EXPECT_EQ(names[0], "Zel");
    EXPECT_TRUE(reg.HasSubKeys());

    reg.CloseKey();
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    EXPECT_EQ(reg.CurrentPath(), "");
    EXPECT_TRUE(reg.KeyExists("Software\\Zel\\Sub"));  // from the root again
    EXPECT_TRUE(reg.CreateKey("Software\\New"));
    EXPECT_FALSE(reg.CreateKey("Software\\New"));
}

TEST_F(Registry, TypedValuesAndTheirKinds)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("K", true));
    reg.WriteString("Text", "Grüße \"quoted\"\nnext line");
    reg.WriteInteger("Int", -5);
    reg.WriteBool("Flag", true);
    reg.WriteExpandString("Path", "%HOME%/x");

    EXPECT_EQ(reg.ReadString("text"), "Grüße \"quoted\"\nnext line");
    EXPECT_EQ(reg.ReadInteger("INT"), -5);
    EXPECT_TRUE(reg.ReadBool("Flag"));
    EXPECT_EQ(reg.ReadString("Path"), "%HOME%/x");
    EXPECT_EQ(reg.GetDataType("Text"), TRegDataType::rdString);
    EXPECT_EQ(reg.GetDataType("Int"), TRegDataType::rdInteger);
    EXPECT_EQ(reg.GetDataType("Path"), TRegDataType::rdExpandString);
    EXPECT_EQ(reg.GetDataType("Missing"), TRegDataType::rdUnknown);
    EXPECT_EQ(reg.GetDataSize("Int"), 4);
    EXPECT_EQ(reg.GetDataSize("Missing"), -1);
    EXPECT_TRUE(Has("HKEY_CURRENT_USER", "\"Int\"=dword:fffffffb\n\"Flag\"=dword:00000001\n"));

    EXPECT_EQ(reg.ReadString("Missing"), "");
    EXPECT_NE(REGISTRY_ERROR(reg.ReadInteger("Missing")).find("Failed to get data for 'Missing'"),
              std::string::npos);
    EXPECT_EQ(REGISTRY_ERROR(reg.ReadInteger("Text")), "Invalid data type for 'Text'");
    EXPECT_EQ(REGISTRY_ERROR(reg.ReadString("Int")), "Invalid data type for 'Int'");

    TStringList names;
    reg.GetValueNames(&names);
    EXPECT_EQ(names.CommaText(), "Text,Int,Flag,Path");
    EXPECT_TRUE(reg.ValueExists("flag"));
    EXPECT_TRUE(reg.DeleteValue("flag"));
    EXPECT_FALSE(reg.ValueExists("Flag"));
    EXPECT_FALSE(reg.DeleteValue("Flag"));
}

TEST_F(Registry, DeleteKeyTakesTheWholeTree)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Zel\\A\\B", true));
    reg.WriteString("v", "x");
    reg.CloseKey();
    EXPECT_TRUE(reg.DeleteKey("Software\\Zel"));
    EXPECT_FALSE(reg.KeyExists("Software\\Zel"));
    EXPECT_TRUE(reg.KeyExists("Software"));
    EXPECT_FALSE(reg.DeleteKey("Software\\Zel"));
}

TEST_F(Registry, ChangingTheRootClosesTheKey)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software", true));
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    ASSERT_TRUE(reg.OpenKey("Software\\Machine", true));
    reg.WriteString("v", "m");
    EXPECT_TRUE(Has("HKEY_LOCAL_MACHINE", "[HKEY_LOCAL_MACHINE\\Software\\Machine]\n\"v\"=\"m\""));
    EXPECT_FALSE(Has("HKEY_CURRENT_USER", "Machine"));
}

TEST_F(Registry, FailuresRaiseWithTheirReason)
{
    {
        TRegistry writer;
        ASSERT_TRUE(writer.OpenKey("K", true));
    }
    TRegistry reader(KEY_READ);
    ASSERT_TRUE(reader.OpenKey("K", false));
    EXPECT_EQ(REGISTRY_ERROR(reader.WriteString("v", "x")),
              "Failed to set data for 'v': Access is denied.");
    EXPECT_NE(REGISTRY_ERROR(TRegistry().WriteString("v", "x")).find("Failed to set data for 'v'"),
              std::string::npos);  // no key open

    // A damaged registry is never taken for a missing key.
    Put("HKEY_CURRENT_USER", kDamaged);
    ::testing::internal::CaptureStderr();
    TRegistry reg;
    const std::string message = REGISTRY_ERROR(reg.OpenKey("A", false));
    EXPECT_NE(message.find("Failed to open key A: Damaged registry file \"" +
                           File("HKEY_CURRENT_USER") + "\", line 4"),
              std::string::npos)
        << message;
    EXPECT_NE(REGISTRY_ERROR(reg.KeyExists("A")), "");
    EXPECT_NE(REGISTRY_ERROR(reg.CreateKey("B")), "");
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Contents("HKEY_CURRENT_USER"), kDamaged);
}
