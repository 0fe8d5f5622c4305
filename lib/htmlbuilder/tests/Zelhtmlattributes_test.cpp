#include "Zelhtmlattributes.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace zelhtmlbuilder;

namespace {

std::vector<AnsiString> Visited(const TTagAttributeValues& values)
{
    std::vector<AnsiString> seen;
    values.ForEach([&](const AnsiString& value) { seen.push_back(value); });
    return seen;
}

}  // namespace

// Every length takes the number of length bytes it needs, and no byte of
// a value is taken for a length or a separator.
TEST(TTagAttributeValues, KeepEveryValueWhateverItsLengthAndBytes)
{
    const std::vector<AnsiString> cases = {
        "",
        "x",
        "width: 10%",
        AnsiString(127, 'a'),
        AnsiString(128, 'b'),
        AnsiString(16383, 'c'),
        AnsiString(16384, 'd'),
        AnsiString("nul\0inside", 10),
        "\x80\xFF high bytes",
        "a; b",
    };
    TTagAttributeValues values;
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(values.size(), 0u);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        values.push_back(cases[i]);
        EXPECT_FALSE(values.empty());
        ASSERT_EQ(values.size(), i + 1);
    }
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(values[i], cases[i]) << "value " << i;
    EXPECT_EQ(Visited(values), cases);
}

TEST(TTagAttributeValues, AnEmptyValueIsAValue)
{
    TTagAttributeValues values;
    values.push_back("");
    values.push_back("");
    EXPECT_FALSE(values.empty());
    EXPECT_EQ(values.size(), 2u);
    EXPECT_EQ(Visited(values), (std::vector<AnsiString>{"", ""}));
}

TEST(TTagAttributes, NamesStayInByteOrderAndLookUpExactly)
{
    TTagAttributes attributes;
    EXPECT_TRUE(attributes.empty());
    EXPECT_EQ(attributes.find("style"), attributes.end());
    for (const char* name : {"style", "border", "BORDER", "align", "\xE9t\xE9", "cellpadding", "style"})
        attributes[name].push_back(std::string("v-") + name);
    attributes["size"];  // a name with no values

    std::vector<AnsiString> names;
    for (const auto& [name, values] : attributes)
        names.push_back(name);
    EXPECT_EQ(names, (std::vector<AnsiString>{"BORDER", "align", "border", "cellpadding", "size", "style",
                                              "\xE9t\xE9"}));
    EXPECT_EQ(attributes.size(), 7u);

    const auto style = attributes.find("style");
    ASSERT_NE(style, attributes.end());
    EXPECT_EQ(style->second.size(), 2u) << "the second add appends to the same name";
    EXPECT_EQ(attributes.find("Style"), attributes.end());
    EXPECT_EQ(attributes.find("siz"), attributes.end());
    EXPECT_TRUE(attributes.find("size")->second.empty());
}
