#include "Zelhtmlbuilder.h"

#include <gtest/gtest.h>

using namespace zelhtmlbuilder;

TEST(THTMLTable, RowsAndCellsInOrder)
{
    THTMLTable table;
    table.AddTagAttributeValue("border", "1");
    auto first = table.AddRow();
    first->AddCell()->AddText()->Text = "a";
    first->AddCell()->AddText()->Text = "b";
    auto second = table.AddRow();
    second->AddTagAttributeValue("style", "font-weight: bold");
    second->AddCell();
    EXPECT_EQ(table.AsString(),
              "<table border=\"1\"><tr><td>a</td><td>b</td></tr>"
              "<tr style=\"font-weight: bold\"><td></td></tr></table>");
    EXPECT_TRUE(table.GetRow(1) == second);
    EXPECT_TRUE(table.GetRow(2).IsNull());
    EXPECT_EQ(table.GetRow(0)->GetCell(1)->GetText(0)->Text, "b");
    EXPECT_TRUE(first->GetCell(2).IsNull());
}
