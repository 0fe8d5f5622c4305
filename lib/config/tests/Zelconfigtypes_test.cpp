// Configuration items: which adaptor operation each type uses, what a load
// falls back to, and how a collection reads and writes its section.
#include "Zelconfigtypes.h"

#include <gtest/gtest.h>

using namespace zelconfig;

namespace {

// Records the operations called; reads hand back the fallback they are given
// unless the key is in Stored.
class TRecordingAdaptor : public TBaseConfigAdaptor {
public:
    AnsiString Calls;
    TStringListAdaptor Stored;  // name=value lines
    TStringListAdaptor Section;  // what ReadSectionValues hands out
    TStringListAdaptor Written;  // what WriteSectionValues was given

    bool Open() override { return true; }
    bool Close() override { return true; }
    bool IsOpen() override { return true; }
    void ReadSectionValues(const AnsiString& s, const TStringListAdaptor&, TStringListAdaptor& v) override
    {
        Calls += "ReadSectionValues(" + s + ");";
        v = Section;
    }
    void WriteSectionValues(const AnsiString& s, const TStringListAdaptor& v) override
    {
        Calls += "WriteSectionValues(" + s + ");";
        Written = v;
    }
    void ReadInteger(const AnsiString& s, const AnsiString& n, const int& d, int& v) override
    {
        Record("ReadInteger", s, n);
        v = Has(n) ? StrToInt(Stored->Values(n)) : d;
    }
    void ReadDouble(const AnsiString& s, const AnsiString& n, const double& d, double& v) override
    {
        Record("ReadDouble", s, n);
        v = d;
    }
    void ReadDateTime(const AnsiString& s, const AnsiString& n, const TDateTime& d, TDateTime& v) override
    {
        Record("ReadDateTime", s, n);
        v = d;
    }
    void ReadBool(const AnsiString& s, const AnsiString& n, const bool& d, bool& v) override
    {
        Record("ReadBool", s, n);
        v = d;
    }
    void ReadString(const AnsiString& s, const AnsiString& n, const AnsiString& d, AnsiString& v) override
    {
        Record("ReadString", s, n);
        v = Has(n) ? Stored->Values(n) : d;
    }
    void ReadMultiString(const AnsiString& s, const AnsiString& n, const TStringListAdaptor& d,
                         TStringListAdaptor& v) override
    {
        Record("ReadMultiString", s, n);
        v = d;
    }
    void WriteInteger(const AnsiString& s, const AnsiString& n, const int&) override { Record("WriteInteger", s, n); }
    void WriteDouble(const AnsiString& s, const AnsiString& n, const double&) override { Record("WriteDouble", s, n); }
    void WriteDateTime(const AnsiString& s, const AnsiString& n, const TDateTime&) override
    {
        Record("WriteDateTime", s, n);
    }
    void WriteBool(const AnsiString& s, const AnsiString& n, const bool&) override { Record("WriteBool", s, n); }
    void WriteString(const AnsiString& s, const AnsiString& n, const AnsiString& v) override
    {
        Record("WriteString", s, n);
        Stored->SetValue(n, v);
    }
    void WriteMultiString(const AnsiString& s, const AnsiString& n, const TStringListAdaptor&) override
    {
        Record("WriteMultiString", s, n);
    }

private:
    void Record(const char* op, const AnsiString& s, const AnsiString& n) { Calls += op + ("(" + s + "," + n + ");"); }
    bool Has(const AnsiString& n) const { return Stored->IndexOfName(n) >= 0; }
};

}  // namespace

TEST(ConfigTypes, EachTypeUsesItsOwnAdaptorOperations)
{
    TConfigInt i("S", "I", 1, "");
    TConfigDouble d("S", "D", 1.0, "");
    TConfigDateTime t("S", "T", TDateTime(1.0), "");
    TConfigBool b("S", "B", true, "");
    TConfigAnsiString s("S", "A", "x", "");
    TConfigMultiString m("S", "M", TStringListAdaptor(), "");
    TRecordingAdaptor a;
    for (TBaseConfigType* item : std::initializer_list<TBaseConfigType*>{&i, &d, &t, &b, &s, &m}) {
        item->LoadValue(&a);
        item->SaveValue(&a);
    }
    EXPECT_EQ(a.Calls,
              "ReadInteger(S,I);WriteInteger(S,I);ReadDouble(S,D);WriteDouble(S,D);"
              "ReadDateTime(S,T);WriteDateTime(S,T);ReadBool(S,B);WriteBool(S,B);"
              "ReadString(S,A);WriteString(S,A);ReadMultiString(S,M);WriteMultiString(S,M);");
}

TEST(ConfigTypes, LoadFallsBackToTheDefaultNotTheCurrentValue)
{
    TConfigInt i("S", "I", 4, "");
    TRecordingAdaptor a;
    a.Stored->Add("I=9");
    i.LoadValue(&a);
    EXPECT_EQ(i.Value, 9);
    a.Stored->Clear();
    i.LoadValue(&a);
    EXPECT_EQ(i.Value, 4);
    i.Value = 5;
    i.ResetValue();
    EXPECT_EQ(i.Value, 4);
    EXPECT_EQ(i.GetDefaultAsString(), "4");
}

TEST(ConfigTypes, CollectionIsTheWholeSection)
{
    using TMap = std::map<AnsiString, AnsiString>;
    TConfigCollectionType<AnsiString, AnsiString> c("Excluded", TMap{{"d", "1"}}, "");
    EXPECT_EQ(c.ItemName, "Items");
    TRecordingAdaptor a;
    a.Section = TStringListAdaptor({"b=x=1", "A=\"q\"", "a=dup", "c="});
    c.LoadValue(&a);
    // Keys as written; a repeated name (ignoring case) takes the first value.
    EXPECT_EQ(c.Value, (TMap{{"A", "\"q\""}, {"a", "\"q\""}, {"b", "x=1"}, {"c", ""}}));

    c.Value = TMap{{"z", "last"}, {"m", "mid"}};
    c.SaveValue(&a);
    EXPECT_EQ(a.Calls, "ReadSectionValues(Excluded);WriteSectionValues(Excluded);");
    EXPECT_TRUE(a.Written == TStringListAdaptor({"m=mid", "z=last"}));
    EXPECT_EQ(c.GetValueAsString(), "Items1=mid,Items2=last");
    EXPECT_EQ(c.GetDefaultAsString(), "Items1=1");
    c.ResetValue();
    EXPECT_EQ(c.Value, (TMap{{"d", "1"}}));
}
