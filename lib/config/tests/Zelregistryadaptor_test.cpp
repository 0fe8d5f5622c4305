// TRegistryAdaptor: value kinds in the registry, fallbacks, whole sections,
// the root key, and the rules of a closed adaptor.
#include "Zelregistryadaptor.h"

#include <cstring>
#include <set>

#include "RegistryScratch.h"

using namespace zelconfig;

namespace {

class RegAdaptor : public RegistryScratch {};

const char* kPath = "Software\\Zel\\Test";

}  // namespace

TEST_F(RegAdaptor, ClosedAdaptorReadsDefaultsAndWritesNothing)
{
    TRegistryAdaptor a(HKEY_CURRENT_USER, kPath, KEY_ALL_ACCESS);
    EXPECT_FALSE(a.Close());
    int i = 0;
    a.ReadInteger("S", "I", 7, i);
    EXPECT_EQ(i, 7);
    double d = 0;
    a.ReadDouble("S", "D", 1.5, d);
    EXPECT_EQ(d, 1.5);
    TDateTime t;
    a.ReadDateTime("S", "T", TDateTime(3.0), t);
    EXPECT_EQ(t.Val, 3.0);
    bool b = false;
    a.ReadBool("S", "B", true, b);
    EXPECT_TRUE(b);
    AnsiString s;
    a.ReadString("S", "A", "dflt", s);
    EXPECT_EQ(s, "dflt");
    TStringListAdaptor m;
    a.ReadMultiString("S", "M", TStringListAdaptor({"x y"}), m);
    EXPECT_TRUE(m == TStringListAdaptor({"x y"}));
    TStringListAdaptor values({"old=1"});
    a.ReadSectionValues("S", TStringListAdaptor({"d=1"}), values);
    EXPECT_TRUE(values == TStringListAdaptor({"d=1"}));  // unlike an INI adaptor: the defaults

    a.WriteInteger("S", "I", 1);
    a.WriteDouble("S", "D", 1);
    a.WriteDateTime("S", "T", TDateTime(1));
    a.WriteBool("S", "B", true);
    a.WriteString("S", "A", "x");
    a.WriteMultiString("S", "M", TStringListAdaptor({"z"}));
    a.WriteSectionValues("S", TStringListAdaptor({"k=v"}));
    EXPECT_FALSE(std::filesystem::exists(dir));
}

TEST_F(RegAdaptor, OpensAfreshAndClosesOnce)
{
    TRegistryAdaptor a(HKEY_CURRENT_USER, kPath, KEY_ALL_ACCESS);
    ASSERT_TRUE(a.Open());
    a.WriteInteger("S", "I", 5);
    EXPECT_TRUE(a.Open());  // opening again starts over, still open
    int i = 0;
    a.ReadInteger("S", "I", 7, i);
    EXPECT_EQ(i, 5);
    EXPECT_TRUE(a.Close());
    EXPECT_FALSE(a.IsOpen());
    EXPECT_FALSE(a.Close());
    a.ReadInteger("S", "I", 7, i);
    EXPECT_EQ(i, 7) << "closed, the stored value is not read";
}

TEST_F(RegAdaptor, ValueKindsAndReadBack)
{
    TRegistryAdaptor a(HKEY_CURRENT_USER, kPath, KEY_ALL_ACCESS);
    ASSERT_TRUE(a.Open());
    a.WriteInteger("S", "I", -2);
    a.WriteBool("S", "B", true);
    a.WriteDouble("S", "D", 0.1);
    a.WriteDateTime("S", "T", TDateTime(45000.5));
    a.WriteString("S", "A", " spaced \"text\" ");
    a.WriteMultiString("S", "M", TStringListAdaptor({"a b", "c"}));

    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(Raw(HKEY_CURRENT_USER, "Software\\Zel\\Test\\S", "I", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    std::uint32_t dword = 0;
    std::memcpy(&dword, data.data(), 4);
    EXPECT_EQ(dword, 0xFFFFFFFEu);
    ASSERT_TRUE(Raw(HKEY_CURRENT_USER, "Software\\Zel\\Test\\S", "B", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    ASSERT_TRUE(Raw(HKEY_CURRENT_USER, "Software\\Zel\\Test\\S", "D", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, "0.1");
    ASSERT_TRUE(Raw(HKEY_CURRENT_USER, "Software\\Zel\\Test\\S", "M", type, data));
    EXPECT_EQ(data, "\"a b\",c");  // plain comma text, no extra quotes

    int i = 0;
    a.ReadInteger("S", "I", 0, i);
    EXPECT_EQ(i, -2);
    bool b = false;
    a.ReadBool("S", "B", false, b);
    EXPECT_TRUE(b);
    double d = 0;
    a.ReadDouble("S", "D", 0, d);
    EXPECT_EQ(d, 0.1);
    TDateTime t;
    a.ReadDateTime("S", "T", TDateTime(), t);
    EXPECT_DOUBLE_EQ(t.Val, 45000.5);
    AnsiString s;
    a.ReadString("S", "A", "", s);
    EXPECT_EQ(s, " spaced \"text\" ");
    TStringListAdaptor m;
    a.ReadMultiString("S", "M", TStringListAdaptor(), m);
    EXPECT_TRUE(m == TStringListAdaptor({"a b", "c"}));

    // Missing values and text that does not convert fall back to the default.
    a.ReadInteger("S", "Missing", 5, i);
    EXPECT_EQ(i, 5);
    a.ReadInteger("S", "A", 6, i);
    EXPECT_EQ(i, 6);
    a.ReadDateTime("Nope", "T", TDateTime(2.0), t);
    EXPECT_EQ(t.Val, 2.0);
}

TEST_F(RegAdaptor, SectionValuesReplaceTheWholeKey)
{
    TRegistryAdaptor a(HKEY_CURRENT_USER, kPath, KEY_ALL_ACCESS);
    a.Open();
    TStringListAdaptor values;
    a.ReadSectionValues("Excluded", TStringListAdaptor({"d=1"}), values);
    EXPECT_EQ(values->Count(), 0);  // an open adaptor never hands out the defaults

    a.WriteString("Excluded", "stale", "1");
    a.WriteSectionValues("Excluded", TStringListAdaptor({"*.obj=/a b=1,/c=0", "*.map=", "*.OBJ=dup"}));
    a.ReadSectionValues("Excluded", TStringListAdaptor(), values);
    // The registry keeps no order of values: Wine lists them by name.
    std::set<std::string> lines;
    for (int i = 0; i < values->Count(); ++i)
        lines.insert(values->Get(i));
    EXPECT_EQ(lines, (std::set<std::string>{"*.map=", "*.obj=/a b=1,/c=0"})) << values->CommaText();

    a.WriteSectionValues("Excluded", TStringListAdaptor());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Zel\\Test\\Excluded"));
}

TEST_F(RegAdaptor, RootKeyIsHonoured)
{
    TRegistryAdaptor machine(HKEY_LOCAL_MACHINE, kPath, KEY_ALL_ACCESS);
    machine.Open();
    machine.WriteString("S", "Where", "machine");
    DWORD type;
    std::string data;
    EXPECT_TRUE(Raw(HKEY_LOCAL_MACHINE, "Software\\Zel\\Test\\S", "Where", type, data));
    EXPECT_FALSE(Raw(HKEY_CURRENT_USER, "Software\\Zel\\Test\\S", "Where", type, data));
    TRegistryAdaptor user(HKEY_CURRENT_USER, kPath, KEY_ALL_ACCESS);
    user.Open();
    AnsiString s;
    user.ReadString("S", "Where", "none", s);
    EXPECT_EQ(s, "none");
}
