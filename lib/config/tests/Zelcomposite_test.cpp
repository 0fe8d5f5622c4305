// TBaseComposite: member padding, typed members and their texts.
#include "Zelcomposite.h"

#include <gtest/gtest.h>

#include "SysUtils.hpp"

using zelconfig::TBaseComposite;

TEST(Composite, AssignPadsToTheMemberCountAndKeepsExtraLines)
{
    TBaseComposite c(3);
    EXPECT_EQ(c.ToStrings()->Count(), 3);
    TStringList one;
    one.Add("first");
    c.Assign(&one);
    EXPECT_EQ(c.ToStrings()->Text(), "first\n\n\n");
    TStringList five;
    for (const char* s : {"a", "b", "c", "d", "e"})
        five.Add(s);
    c.Assign(&five);
    EXPECT_EQ(c.ToStrings()->CommaText(), "a,b,c,d,e");
    c.Assign(nullptr);
    EXPECT_EQ(c.ToStrings()->Count(), 3);
    EXPECT_THROW(TBaseComposite(-1), Exception);
}

TEST(Composite, TypedMembers)
{
    TBaseComposite c(6);
    c.SetInt(0, -17);
    c.SetDouble(1, 0.1);
    c.SetBool(2, true);
    c.SetAnsiString(3, " as is ");
    const TDateTime when = EncodeDate(2024, 2, 29).Val + EncodeTime(13, 45, 10, 0).Val;
    c.SetDateTime(4, when);
    c.SetDateTime(5, EncodeDate(1999, 12, 31));
    EXPECT_EQ(c.ToStrings()->Get(0), "-17");
    EXPECT_EQ(c.ToStrings()->Get(1), "0.1");
    EXPECT_EQ(c.ToStrings()->Get(2), "1");
    EXPECT_EQ(c.ToStrings()->Get(4), "2024-02-29 13:45:10");
    EXPECT_EQ(c.ToStrings()->Get(5), "1999-12-31");
    EXPECT_EQ(c.GetInt(0), -17);
    EXPECT_EQ(c.GetDouble(1), 0.1);
    EXPECT_TRUE(c.GetBool(2));
    EXPECT_EQ(c.GetAnsiString(3), " as is ");
    EXPECT_NEAR(c.GetDateTime(4).Val, when.Val, 1e-9);  // what SetDateTime writes reads back
    EXPECT_EQ(c.GetDateTime(5).Val, EncodeDate(1999, 12, 31).Val);
}

TEST(Composite, BoolTextsAndBadInput)
{
    TBaseComposite c(2);
    c.SetAnsiString(0, "0");
    EXPECT_FALSE(c.GetBool(0));
    c.SetAnsiString(0, "7");
    EXPECT_TRUE(c.GetBool(0));
    c.SetAnsiString(0, "yes");
    EXPECT_THROW(c.GetBool(0), EConvertError);
    EXPECT_THROW(c.GetInt(1), EConvertError);  // empty member
    EXPECT_THROW(c.GetDateTime(0), EConvertError);
    EXPECT_THROW(c.GetAnsiString(2), EStringListError);
    EXPECT_THROW(c.SetInt(-1, 0), EStringListError);
}
