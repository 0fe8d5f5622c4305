#include "winreg.h"

#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "TempRegistry.h"
#include "twsregistry.h"

namespace {

class Winreg : public TempRegistry {
protected:
    void TearDown() override
    {
        for (HKEY k : open)
            RegCloseKey(k);
        TempRegistry::TearDown();
    }

    HKEY Create(HKEY base, const char* path, DWORD* disposition = nullptr)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(base, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &key, disposition),
                  ERROR_SUCCESS)
            << path;
        open.push_back(key);
        return key;
    }
    LONG Open(HKEY base, const char* path, REGSAM access, HKEY& key)
    {
        key = reinterpret_cast<HKEY>(1);
        const LONG rc = RegOpenKeyExA(base, path, 0, access, &key);
        if (rc == ERROR_SUCCESS)
            open.push_back(key);
        return rc;
    }
    static LONG SetString(HKEY key, const char* name, const std::string& text)
    {
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1));
    }
    static LONG SetDword(HKEY key, const char* name, DWORD v)
    {
        return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4);
    }
    // The value's kind and bytes, or the failure code.
    static LONG Query(HKEY key, const char* name, DWORD& type, std::string& data)
    {
        DWORD size = 0;
        LONG rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
        if (rc != ERROR_SUCCESS)
            return rc;
        data.assign(size, '\0');
        rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        data.resize(size);
        return rc;
    }
    static std::vector<std::string> SubKeys(HKEY key)
    {
        std::vector<std::string> names;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD size = sizeof name;
            const LONG rc = RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS)
                break;
            EXPECT_EQ(rc, ERROR_SUCCESS);
            if (rc != ERROR_SUCCESS)
                break;
            names.emplace_back(name, size);
        }
        return names;
    }
    static std::vector<std::string> ValueNames(HKEY key)
    {
        std::vector<std::string> names;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD size = sizeof name;
            const LONG rc = RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS)
                break;
            EXPECT_EQ(rc, ERROR_SUCCESS);
            if (rc != ERROR_SUCCESS)
                break;
            names.emplace_back(name, size);
        }
        return names;
    }
    static ino_t Inode(const std::string& path)
    {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    }

    std::vector<HKEY> open;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(Winreg, KeysAreCreatedOnceFoundIgnoringCaseAndKeptAsWritten)
{
    DWORD disposition = 0;
    Create(HKEY_CURRENT_USER, "Software\\Zel\\Grüße", &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    Create(HKEY_CURRENT_USER, "SOFTWARE\\zel\\GRÜSSE", &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));  // ß has no capital here
    Create(HKEY_CURRENT_USER, "software\\ZEL\\GRÜßE\\", &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));

    HKEY zel;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "software\\zel", KEY_READ, zel), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(zel), (Names{"GRÜSSE", "Grüße"}));
    EXPECT_EQ(Contents("HKEY_CURRENT_USER"),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Zel]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Zel\\GRÜSSE]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Zel\\Grüße]\n\n");

    HKEY missing;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "Software\\Nope", KEY_READ, missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
    // Each root is a file of its own.
    Create(HKEY_LOCAL_MACHINE, "Software\\Machine");
    Create(HKEY_CLASSES_ROOT, "CLSID");
    EXPECT_NE(Contents("HKEY_LOCAL_MACHINE").find("[HKEY_LOCAL_MACHINE\\Software\\Machine]"),
              std::string::npos);
    EXPECT_NE(Contents("HKEY_CLASSES_ROOT").find("[HKEY_CLASSES_ROOT\\CLSID]"), std::string::npos);
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "CLSID", KEY_READ, missing), ERROR_FILE_NOT_FOUND);
}

TEST_F(Winreg, SubkeysEnumerateInNameOrderAndValuesInWritingOrder)
{
    HKEY key = Create(HKEY_CURRENT_USER, "K");
    for (const char* name : {"b", "A", "c", "B2"})
        Create(key, name);
    EXPECT_EQ(SubKeys(key), (Names{"A", "b", "B2", "c"}));
    for (const char* name : {"z", "a", "m"})
        ASSERT_EQ(SetString(key, name, name), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "Z", "again"), ERROR_SUCCESS);  // updates z in place
    EXPECT_EQ(ValueNames(key), (Names{"z", "a", "m"}));

    char name[8];
    DWORD size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(key, 4, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    size = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 3, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
}

TEST_F(Winreg, ValuesKeepTheirKindAndTheDefaultValueHasNoName)
{
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Zel");
    DWORD type;
    std::string data;
    EXPECT_EQ(Query(key, nullptr, type, data), ERROR_FILE_NOT_FOUND);  // no default yet

    ASSERT_EQ(SetString(key, "", "the default"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "Name", "text"), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "Count", 42), ERROR_SUCCESS);

    ASSERT_EQ(Query(key, nullptr, type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, std::string("the default\0", 12));
    ASSERT_EQ(Query(key, "NAME", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, std::string("text\0", 5));
    ASSERT_EQ(Query(key, "count", type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    ASSERT_EQ(data.size(), 4u);
    DWORD v;
    std::memcpy(&v, data.data(), 4);
    EXPECT_EQ(v, 42u);

    // The same name with another kind replaces the value, keeping its name.
    ASSERT_EQ(SetString(key, "COUNT", "forty-two"), ERROR_SUCCESS);
    ASSERT_EQ(Query(key, "Count", type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(ValueNames(key), (Names{"", "Name", "Count"}));
    EXPECT_NE(Contents("HKEY_CURRENT_USER").find("@=\"the default\"\n\"Name\"=\"text\"\n"
                                                 "\"Count\"=\"forty-two\"\n"),
              std::string::npos);

    EXPECT_EQ(RegDeleteValueA(key, "name"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "Name"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(key, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key), (Names{"Count"}));
}

TEST_F(Winreg, DataComesBackExactlyAsSet)
{
    HKEY key = Create(HKEY_CURRENT_USER, "K");
    const std::vector<std::pair<DWORD, std::string>> cases = {
        {REG_SZ, std::string("no terminator")},
        {REG_SZ, std::string("zero\0inside\0", 12)},
        {REG_SZ, std::string()},
        {REG_EXPAND_SZ, std::string("%HOME%\\x\0", 9)},
        {REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
        {REG_BINARY, std::string("\0\x01\xff", 3)},
        {REG_DWORD, std::string("\x01\x02", 2)},
        {REG_QWORD, std::string("\x01\0\0\0\0\0\0\x80", 8)},
        {REG_NONE, std::string()},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string name = "v" + std::to_string(i);
        ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, cases[i].first,
                                 reinterpret_cast<const BYTE*>(cases[i].second.data()),
                                 static_cast<DWORD>(cases[i].second.size())),
                  ERROR_SUCCESS);
    }
    // Through a second handle, after the file was written and read again.
    HKEY again;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "k", KEY_READ, again), ERROR_SUCCESS);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        DWORD type;
        std::string data;
        ASSERT_EQ(Query(again, ("v" + std::to_string(i)).c_str(), type, data), ERROR_SUCCESS);
        EXPECT_EQ(type, cases[i].first) << i;
        EXPECT_EQ(data, cases[i].second) << i;
    }
}

TEST_F(Winreg, SmallBuffersGetMoreDataAndTheSizeNeeded)
{
    HKEY key = Create(HKEY_CURRENT_USER, "K");
    ASSERT_EQ(SetString(key, "LongValueName", "0123456789"), ERROR_SUCCESS);
    Create(key, "LongSubkeyName");

    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "LongValueName", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 11u);
    char buf[16];
    std::memset(buf, '#', sizeof buf);
    size = 5;
    EXPECT_EQ(RegQueryValueExA(key, "LongValueName", nullptr, &type,
                               reinterpret_cast<BYTE*>(buf), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(buf[0], '#');
    size = 11;
    EXPECT_EQ(RegQueryValueExA(key, "LongValueName", nullptr, &type,
                               reinterpret_cast<BYTE*>(buf), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(buf, "0123456789");
    EXPECT_EQ(RegQueryValueExA(key, "LongValueName", nullptr, &type, reinterpret_cast<BYTE*>(buf),
                               nullptr),
              ERROR_INVALID_PARAMETER);

    DWORD chars = 13;  // the name has 13 characters: no room for the zero
    EXPECT_EQ(RegEnumValueA(key, 0, buf, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    chars = 14;
    size = 4;
    EXPECT_EQ(RegEnumValueA(key, 0, buf, &chars, nullptr, &type, reinterpret_cast<BYTE*>(buf + 14),
                            &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 11u);
    chars = 14;
    EXPECT_EQ(RegEnumKeyExA(key, 0, buf, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    chars = 15;
    EXPECT_EQ(RegEnumKeyExA(key, 0, buf, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(chars, 14u);
    EXPECT_STREQ(buf, "LongSubkeyName");

    DWORD subKeys, maxSubKey, values, maxName, maxData;
    EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                               &maxName, &maxData, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 1u);
    EXPECT_EQ(maxSubKey, 14u);
    EXPECT_EQ(values, 1u);
    EXPECT_EQ(maxName, 13u);
    EXPECT_EQ(maxData, 11u);
}

TEST_F(Winreg, DeleteRefusesAKeyWithSubkeysAndTreeDeleteTakesAll)
{
    HKEY parent = Create(HKEY_CURRENT_USER, "Software\\Parent");
    Create(parent, "Child\\Grandchild");
    ASSERT_EQ(SetString(parent, "v", "x"), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Parent"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(SubKeys(parent), (Names{"Child"}));
    EXPECT_EQ(RegDeleteKeyA(parent, "child\\grandchild"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(parent, "Child\\Grandchild"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);  // not a root
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, nullptr), ERROR_INVALID_PARAMETER);

    Create(parent, "Child\\Grandchild\\Deeper");
    // Without a subkey the handle's own key is emptied and kept.
    EXPECT_EQ(RegDeleteTreeA(parent, nullptr), ERROR_SUCCESS);
    EXPECT_TRUE(SubKeys(parent).empty());
    EXPECT_TRUE(ValueNames(parent).empty());
    HKEY still;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "Software\\Parent", KEY_READ, still), ERROR_SUCCESS);

    Create(parent, "Child\\Grandchild\\Deeper");
    EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Software"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Contents("HKEY_CURRENT_USER"), "Windows Registry Editor Version 5.00\n\n");
}

TEST_F(Winreg, HandlesNameKeysAndNoticeDeletion)
{
    HKEY key = Create(HKEY_CURRENT_USER, "A\\B");
    ASSERT_EQ(SetString(key, "v", "1"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "A"), ERROR_SUCCESS);
    DWORD type;
    std::string data;
    EXPECT_EQ(Query(key, "v", type, data), ERROR_KEY_DELETED);
    EXPECT_EQ(SetString(key, "v", "2"), ERROR_KEY_DELETED);
    HKEY sub;
    EXPECT_EQ(RegCreateKeyExA(key, "C", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_KEY_DELETED);
    Create(HKEY_CURRENT_USER, "a\\b");  // the same path again: the handle names it
    EXPECT_EQ(SetString(key, "v", "3"), ERROR_SUCCESS);

    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    HKEY bogus = reinterpret_cast<HKEY>(&type);
    EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetString(bogus, "v", "x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    HKEY closed = Create(HKEY_CURRENT_USER, "X");
    open.pop_back();
    EXPECT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(closed), ERROR_INVALID_HANDLE);
    EXPECT_EQ(Query(closed, "v", type, data), ERROR_INVALID_HANDLE);
}

TEST_F(Winreg, AccessMasksAreHonoured)
{
    Create(HKEY_CURRENT_USER, "K\\Existing");
    HKEY reader, writer;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "K", KEY_READ, reader), ERROR_SUCCESS);
    ASSERT_EQ(Open(HKEY_CURRENT_USER, "K", KEY_WRITE, writer), ERROR_SUCCESS);
    EXPECT_EQ(SetString(reader, "v", "x"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(reader, "v"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(SetString(writer, "v", "x"), ERROR_SUCCESS);
    DWORD type;
    std::string data;
    EXPECT_EQ(Query(writer, "v", type, data), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Query(reader, "v", type, data), ERROR_SUCCESS);
    char name[16];
    DWORD chars = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(writer, 0, name, &chars, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);

    HKEY sub;
    EXPECT_EQ(RegCreateKeyExA(reader, "New", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr),
              ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegCreateKeyExA(reader, "Existing", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr),
              ERROR_SUCCESS);
    open.push_back(sub);
    EXPECT_EQ(RegDeleteTreeA(reader, nullptr), ERROR_ACCESS_DENIED);
}

TEST_F(Winreg, ARootWhoseFileIsReadOnlyRefusesChanges)
{
    Create(HKEY_LOCAL_MACHINE, "Software\\X");
    ::chmod(File("HKEY_LOCAL_MACHINE").c_str(), 0444);
    const std::string before = Contents("HKEY_LOCAL_MACHINE");

    HKEY key;
    EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, "Software\\X", KEY_ALL_ACCESS, key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Y", 0, nullptr, 0, KEY_READ, nullptr,
                              &key, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(SetString(HKEY_LOCAL_MACHINE, "v", "x"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software"), ERROR_ACCESS_DENIED);
    // Reading still works, and "as much as allowed" opens for reading.
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, "Software\\X", KEY_READ, key), ERROR_SUCCESS);
    HKEY most = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\X", &most), ERROR_SUCCESS);
    open.push_back(most);
    EXPECT_EQ(SetString(most, "v", "x"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Contents("HKEY_LOCAL_MACHINE"), before);
    // Other roots are not affected.
    Create(HKEY_CURRENT_USER, "Software\\X");
}

TEST_F(Winreg, BadKeyPathsAreRefused)
{
    HKEY key;
    for (const char* path : {"\\Leading", "a\\\\b", "a\\\\", "tab\there", "\\"}) {
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_INVALID_PARAMETER)
            << path;
        EXPECT_EQ(key, nullptr);
    }
    const std::string longName(256, 'n');
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, longName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "a", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr,
                              nullptr),
              ERROR_INVALID_PARAMETER);
    // Nothing was written, and a failed open leaves no folder behind.
    EXPECT_FALSE(std::filesystem::exists(dir));
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "Nothing", KEY_READ, key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Nothing"), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(dir));
}

TEST_F(Winreg, AChangeThatChangesNothingWritesNothing)
{
    HKEY key = Create(HKEY_CURRENT_USER, "K");
    ASSERT_EQ(SetString(key, "v", "same"), ERROR_SUCCESS);
    const ino_t before = Inode(File("HKEY_CURRENT_USER"));
    ASSERT_NE(before, 0u);
    ASSERT_EQ(SetString(key, "V", "same"), ERROR_SUCCESS);
    Create(HKEY_CURRENT_USER, "k");
    EXPECT_EQ(Inode(File("HKEY_CURRENT_USER")), before);
    ASSERT_EQ(SetString(key, "v", "other"), ERROR_SUCCESS);
    EXPECT_NE(Inode(File("HKEY_CURRENT_USER")), before);
}

TEST_F(Winreg, OlderConveniencesWorkOnDefaultValues)
{
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Zel.Thing\\CLSID", REG_SZ, "{GUID}", 0), ERROR_SUCCESS);
    char buf[16];
    LONG size = sizeof buf;
    ASSERT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "zel.thing\\clsid", buf, &size), ERROR_SUCCESS);
    EXPECT_STREQ(buf, "{GUID}");
    EXPECT_EQ(size, 7);
    size = sizeof buf;
    // A key without a default value reads as the empty string.
    ASSERT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "Zel.Thing", buf, &size), ERROR_SUCCESS);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(size, 1);
    size = 3;
    EXPECT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "Zel.Thing\\CLSID", buf, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 7);
    EXPECT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "Missing", buf, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "X", REG_DWORD, "1", 0), ERROR_INVALID_PARAMETER);

    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "Zel.Thing", &key), ERROR_SUCCESS);
    open.push_back(key);
    HKEY same = nullptr;
    ASSERT_EQ(RegOpenKeyA(key, "", &same), ERROR_SUCCESS);
    EXPECT_EQ(same, key);
    EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
}
