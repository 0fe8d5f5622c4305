// ConfigStrings objects through COM only: adding, deleting, comma text,
// strings handed out as BSTRs, and index errors with their error
// information.
#include "ConfigServerFixture.h"

using namespace configtest;

namespace {

const std::string kProgID = "TWSConfig.ConfigStrings";

class TWSConfigConfigStrings : public ConfigServerFixture {
protected:
    void ExpectIndexError(HRESULT hr, const std::string& description)
    {
        EXPECT_EQ(hr, DISP_E_EXCEPTION);
        const TErrorReport report = TakeErrorInfo();
        EXPECT_TRUE(report.Present);
        EXPECT_EQ(report.Source, kProgID);
        EXPECT_TRUE(IsEqualGUID(report.Interface, IID_IConfigStrings));
        EXPECT_EQ(report.Description, description);
    }
};

TEST_F(TWSConfigConfigStrings, AddGivesThePositionOrNothingForANullIndex)
{
    TPtr<IConfigStrings> list = List();
    ASSERT_NE(list, nullptr);
    LONG index = -7;
    EXPECT_EQ(list->Add(Str("/work/lib"), &index), S_OK);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(list->Add(Str("/tmp"), nullptr), S_OK);
    EXPECT_EQ(list->Add(Str(""), &index), S_OK);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(Items(list.get()), (std::vector<std::string>{"/work/lib", "/tmp", ""}));
}

TEST_F(TWSConfigConfigStrings, NullPointersAreInvalid)
{
    TPtr<IConfigStrings> list = List({"a"});
    LONG index = -7;
    EXPECT_EQ(list->Add(nullptr, &index), E_INVALIDARG);
    EXPECT_EQ(index, -7);
    EXPECT_EQ(list->SetStringsSDF(nullptr), E_INVALIDARG);
    EXPECT_EQ(list->Count(nullptr), E_INVALIDARG);
    EXPECT_EQ(list->GetItem(0, nullptr), E_INVALIDARG);
    EXPECT_EQ(list->GetAsCommaText(nullptr), E_INVALIDARG);
    EXPECT_EQ(Items(list.get()), std::vector<std::string>{"a"});
}

// Deleting or reading outside the list fails with the list's own index
// message and changes nothing.
TEST_F(TWSConfigConfigStrings, IndexesOutsideTheListFailWithTheListIndexMessage)
{
    TPtr<IConfigStrings> list = List({"a", "b"});
    ExpectIndexError(list->Delete(2), "List index out of bounds (2)");
    ExpectIndexError(list->Delete(-1), "List index out of bounds (-1)");
    BSTR item = nullptr;
    ExpectIndexError(list->GetItem(5, &item), "List index out of bounds (5)");
    EXPECT_EQ(item, nullptr);
    EXPECT_EQ(Items(list.get()), (std::vector<std::string>{"a", "b"}));

    EXPECT_EQ(list->Delete(0), S_OK);
    EXPECT_EQ(Items(list.get()), std::vector<std::string>{"b"});
    EXPECT_EQ(list->Delete(0), S_OK);
    ExpectIndexError(list->Delete(0), "List index out of bounds (0)");

    ISupportErrorInfo* support = nullptr;
    ASSERT_EQ(list->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
    TPtr<ISupportErrorInfo> owned(support);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IConfigStrings), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ITidewashConfig), S_FALSE);
}

// SetStringsSDF replaces the list with the items of a comma text: quoted
// items keep blanks, commas and doubled quotes, and blanks outside quotes
// separate items. GetAsCommaText quotes what needs it.
TEST_F(TWSConfigConfigStrings, CommaTextInAndOut)
{
    TPtr<IConfigStrings> list = List({"old"});
    EXPECT_EQ(list->SetStringsSDF(Str("a,\"b c\",\"d,e\",\"q\"\"x\"")), S_OK);
    EXPECT_EQ(Items(list.get()), (std::vector<std::string>{"a", "b c", "d,e", "q\"x"}));
    EXPECT_EQ(CommaText(list.get()), "a,\"b c\",\"d,e\",\"q\"\"x\"");

    EXPECT_EQ(list->SetStringsSDF(Str("x y")), S_OK);
    EXPECT_EQ(Items(list.get()), (std::vector<std::string>{"x", "y"}));

    EXPECT_EQ(list->SetStringsSDF(Str("")), S_OK);
    EXPECT_TRUE(Items(list.get()).empty());
    EXPECT_EQ(CommaText(list.get()), "");

    TPtr<IConfigStrings> copy = List();
    TPtr<IConfigStrings> source = List({"/mnt/my disk/", "", "a,b"});
    EXPECT_EQ(copy->SetStringsSDF(Str(CommaText(source.get()))), S_OK);
    EXPECT_EQ(Items(copy.get()), Items(source.get()));
}

TEST_F(TWSConfigConfigStrings, ClearAndCount)
{
    TPtr<IConfigStrings> list = List({"a", "b", "c"});
    LONG count = -1;
    EXPECT_EQ(list->Count(&count), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(list->Clear(), S_OK);
    EXPECT_EQ(list->Count(&count), S_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(list->Clear(), S_OK);

    // Each object has its own list.
    TPtr<IConfigStrings> other = List({"z"});
    EXPECT_EQ(Items(list.get()), std::vector<std::string>{});
    EXPECT_EQ(Items(other.get()), std::vector<std::string>{"z"});
}

// 8-bit text goes in as UTF-8 and comes out as the same characters in a
// BSTR, each call a new string.
TEST_F(TWSConfigConfigStrings, TextComesOutAsNewBSTRs)
{
    TPtr<IConfigStrings> list = List({"/home/jürgen/Große Dateien", "日本"});
    BSTR first = nullptr;
    BSTR second = nullptr;
    ASSERT_EQ(list->GetItem(0, &first), S_OK);
    ASSERT_EQ(list->GetItem(0, &second), S_OK);
    EXPECT_NE(first, second);
    EXPECT_EQ(std::u16string(first, SysStringLen(first)), u"/home/jürgen/Große Dateien");
    SysFreeString(first);
    SysFreeString(second);
    EXPECT_EQ(CommaText(list.get()), "\"/home/jürgen/Große Dateien\",日本");
}

}  // namespace
