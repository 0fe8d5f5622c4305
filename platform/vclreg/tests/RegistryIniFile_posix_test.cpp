#include <cstring>
#include <sys/stat.h>

#include "Registry.hpp"
#include "SysUtils.hpp"
#include "RegistryError.h"
#include "TempRegistry.h"

namespace {

class RegistryIniFile : public TempRegistry {
protected:
    // Sets a value of any kind directly, as another writer might.
    static void SetRaw(const char* path, const char* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    static void SetText(const char* path, const char* name, const char* text)
    {
        SetRaw(path, name, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
    }
    static void SetDword(const char* path, const char* name, DWORD v)
    {
        SetRaw(path, name, REG_DWORD, &v, 4);
    }
};

}  // namespace

TEST_F(RegistryIniFile, SectionsAreSubkeysOfTheKeyPath)
{
    TRegistryIniFile ini("Software\\Zel\\App");
    EXPECT_EQ(ini.FileName(), "Software\\Zel\\App");
    EXPECT_EQ(ini.RegIniFile()->RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(std::filesystem::exists(dir));  // nothing is created before a write

    ini.WriteString("Files", "Masks", "*.obj,*.tds");
    ini.WriteString("Files\\Excluded", "1", "/home/x");
    EXPECT_TRUE(Has("HKEY_CURRENT_USER", "[HKEY_CURRENT_USER\\Software\\Zel\\App\\Files]\n"
                                         "\"Masks\"=\"*.obj,*.tds\"\n\n"
                                         "[HKEY_CURRENT_USER\\Software\\Zel\\App\\Files\\Excluded]\n"
                                         "\"1\"=\"/home/x\"\n"));
    EXPECT_EQ(ini.ReadString("files", "MASKS", "d"), "*.obj,*.tds");
    TStringList sections;
    ini.ReadSections(&sections);
    EXPECT_EQ(sections.CommaText(), "Files");
    EXPECT_TRUE(ini.SectionExists("Files\\Excluded"));
    EXPECT_FALSE(ini.SectionExists("Volumes"));
    EXPECT_EQ(ini.ReadString("Volumes", "x", "default"), "default");
}

TEST_F(RegistryIniFile, ANewRootKeepsTheKeyPath)
{
    TRegistryIniFile ini("Software\\Zel\\App", KEY_ALL_ACCESS);
    ini.RegIniFile()->SetRootKey(HKEY_LOCAL_MACHINE);
    ini.WriteInteger("Options", "Depth", 3);
    EXPECT_TRUE(Has("HKEY_LOCAL_MACHINE", "[HKEY_LOCAL_MACHINE\\Software\\Zel\\App\\Options]\n"
                                          "\"Depth\"=dword:00000003\n"));
    EXPECT_FALSE(std::filesystem::exists(File("HKEY_CURRENT_USER")));
    EXPECT_EQ(ini.ReadInteger("Options", "Depth", 0), 3);
}

TEST_F(RegistryIniFile, EachKindIsStoredAsDocumentedAndReadsBack)
{
    TRegistryIniFile ini("P");
    ini.WriteInteger("S", "Int", -7);
    ini.WriteBool("S", "Yes", true);
    ini.WriteBool("S", "No", false);
    ini.WriteFloat("S", "Float", 1.5);
    const TDateTime when = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 10, 0);
    ini.WriteDateTime("S", "When", when);
    ini.WriteString("S", "Text", "a=b");

    EXPECT_TRUE(Has("HKEY_CURRENT_USER", "[HKEY_CURRENT_USER\\P\\S]\n"
                                         "\"Int\"=dword:fffffff9\n"
                                         "\"Yes\"=dword:00000001\n"
                                         "\"No\"=dword:00000000\n"
                                         "\"Float\"=\"1.5\"\n"
                                         "\"When\"=\"2024-02-29 13:45:10\"\n"
                                         "\"Text\"=\"a=b\"\n"));
    EXPECT_EQ(ini.ReadInteger("S", "Int", 0), -7);
    EXPECT_TRUE(ini.ReadBool("S", "Yes", false));
    EXPECT_FALSE(ini.ReadBool("S", "No", true));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "Float", 0), 1.5);
    EXPECT_NEAR(ini.ReadDateTime("S", "When", 0).Val, when.Val, 1e-9);
    EXPECT_EQ(ini.ReadString("S", "Text", ""), "a=b");
}

TEST_F(RegistryIniFile, ReadsTakeStringAndDwordKinds)
{
    SetText("P\\S", "IntText", " 42 ");
    SetText("P\\S", "Junk", "abc");
    SetText("P\\S", "Two", "2");
    SetDword("P\\S", "Dword", 0xFFFFFFFBu);
    SetDword("P\\S", "Zero", 0);
    const double d = 2.25;
    SetRaw("P\\S", "BinDouble", REG_BINARY, &d, sizeof d);
    SetRaw("P\\S", "Bytes", REG_BINARY, "\x01\x02", 2);

    TRegistryIniFile ini("P");
    EXPECT_EQ(ini.ReadInteger("S", "IntText", 0), 42);
    EXPECT_EQ(ini.ReadInteger("S", "Junk", 9), 9);
    EXPECT_EQ(ini.ReadInteger("S", "Bytes", 9), 9);
    EXPECT_EQ(ini.ReadString("S", "Dword", ""), "-5");
    EXPECT_EQ(ini.ReadString("S", "Bytes", "dflt"), "dflt");
    EXPECT_TRUE(ini.ReadBool("S", "Two", false));
    EXPECT_TRUE(ini.ReadBool("S", "Junk", true));
    EXPECT_FALSE(ini.ReadBool("S", "Junk", false));
    EXPECT_FALSE(ini.ReadBool("S", "Zero", true));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "Dword", 0), -5.0);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "BinDouble", 0), 2.25);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "Junk", 0.5), 0.5);
    EXPECT_DOUBLE_EQ(ini.ReadDateTime("S", "BinDouble", 0).Val, 2.25);
    EXPECT_DOUBLE_EQ(ini.ReadDateTime("S", "Junk", 1.0).Val, 1.0);
    EXPECT_TRUE(ini.ValueExists("S", "junk"));
    EXPECT_FALSE(ini.ValueExists("S", "Missing"));
    EXPECT_FALSE(ini.ValueExists("Nope", "Junk"));
}

// Each typed read against each kind it cannot take, and a missing value:
// the caller's default every time, never a value made up from the bytes.
TEST_F(RegistryIniFile, AKindAReadCannotTakeGivesTheDefault)
{
    SetDword("P\\S", "Dword", 7);
    SetRaw("P\\S", "Short", REG_BINARY, "\x01\x02", 2);
    SetRaw("P\\S", "Odd", REG_DWORD, "\x01\x02", 2);
    const double d = 2.25;
    SetRaw("P\\S", "BinDouble", REG_BINARY, &d, sizeof d);
    SetRaw("P\\S", "Expand", REG_EXPAND_SZ, "12\0tail", 8);

    TRegistryIniFile ini("P");
    for (const char* name : {"Short", "Odd", "Missing"}) {
        EXPECT_EQ(ini.ReadString("S", name, "dflt"), "dflt") << name;
        EXPECT_EQ(ini.ReadInteger("S", name, 9), 9) << name;
        EXPECT_TRUE(ini.ReadBool("S", name, true)) << name;
        EXPECT_DOUBLE_EQ(ini.ReadFloat("S", name, 0.5), 0.5) << name;
        EXPECT_DOUBLE_EQ(ini.ReadDateTime("S", name, 1.0).Val, 1.0) << name;
    }
    EXPECT_DOUBLE_EQ(ini.ReadDateTime("S", "Dword", 1.0).Val, 1.0) << "a number of days is no DWORD";
    EXPECT_EQ(ini.ReadInteger("S", "BinDouble", 9), 9);
    EXPECT_EQ(ini.ReadString("S", "BinDouble", "dflt"), "dflt");
    // Text kinds end at their first zero.
    EXPECT_EQ(ini.ReadString("S", "Expand", "dflt"), "12");
    EXPECT_EQ(ini.ReadInteger("S", "Expand", 9), 12);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "Expand", 0.5), 12.0);
}

TEST_F(RegistryIniFile, SectionValuesAndErasingSections)
{
    TRegistryIniFile ini("P");
    ini.WriteString("S", "a", "1");
    ini.WriteString("S", "b", "");
    ini.WriteInteger("S", "c", 3);
    ini.WriteString("S\\Child", "x", "y");
    SetText("P\\S", "", "the default value is no item");

    TStringList values;
    values.Add("stale");
    ini.ReadSectionValues("S", &values);
    EXPECT_EQ(values.Text(), "a=1\nb=\nc=3\n");
    TStringList names;
    ini.ReadSection("S", &names);
    EXPECT_EQ(names.CommaText(), "a,b,c");
    ini.ReadSectionValues("Missing", &values);
    EXPECT_EQ(values.Count(), 0);

    ini.DeleteKey("S", "A");
    ini.DeleteKey("S", "missing");
    ini.DeleteKey("Missing", "a");
    EXPECT_FALSE(ini.ValueExists("S", "a"));

    ini.EraseSection("S");
    EXPECT_FALSE(ini.SectionExists("S"));
    EXPECT_FALSE(ini.SectionExists("S\\Child"));
    EXPECT_TRUE(ini.SectionExists(""));  // the key path itself stays
    ini.EraseSection("S");  // nothing to erase: no failure
}

TEST_F(RegistryIniFile, FailuresRaiseWithTheirReason)
{
    TRegistryIniFile readOnly("P", KEY_READ);
    EXPECT_EQ(REGISTRY_ERROR(readOnly.WriteString("S", "a", "1")),
              "Failed to set data for 'a': Access is denied.");
    EXPECT_FALSE(std::filesystem::exists(dir));  // nothing created on the way

    TRegistryIniFile ini("P");
    ini.WriteString("S", "a", "1");
    ::chmod(File("HKEY_CURRENT_USER").c_str(), 0444);
    EXPECT_EQ(REGISTRY_ERROR(ini.WriteString("S", "a", "2")),
              "Failed to create key P\\S: Access is denied.");
    EXPECT_EQ(ini.ReadString("S", "a", ""), "1");  // a read-only root still reads
    ::chmod(File("HKEY_CURRENT_USER").c_str(), 0644);

    const std::string damaged = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\P\\S]\n\"a\"=\"1\n";
    Put("HKEY_CURRENT_USER", damaged);
    ::testing::internal::CaptureStderr();
    const std::string message = REGISTRY_ERROR(ini.ReadString("S", "a", "default"));
    EXPECT_NE(message.find(File("HKEY_CURRENT_USER")), std::string::npos) << message;
    EXPECT_NE(REGISTRY_ERROR(ini.WriteString("S", "a", "2")), "");
    EXPECT_NE(REGISTRY_ERROR(ini.EraseSection("S")), "");
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Contents("HKEY_CURRENT_USER"), damaged);
}
