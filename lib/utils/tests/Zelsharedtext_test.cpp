// Tests of TSharedText: copies share one text that outlives the original,
// assignment in every direction keeps the right text, equality by text.
#include "Zelsharedtext.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

using zelutils::TSharedText;

TEST(SharedText, CopiesShareTheTextAndKeepItAfterTheOriginalGoes)
{
    auto original = std::make_unique<TSharedText>("/home/user/projects/a/");
    const TSharedText copy = *original;
    EXPECT_TRUE(copy.Shares(*original));
    EXPECT_EQ(&copy.Text(), &original->Text());
    original.reset();
    EXPECT_EQ(copy.Text(), "/home/user/projects/a/");
}

TEST(SharedText, AssignmentsKeepTheRightText)
{
    const TSharedText a("/first/folder/of/some/length/");
    const TSharedText b("/second/folder/of/some/length/");
    struct TCase {
        const char* Name;
        void (*Assign)(TSharedText& target, const TSharedText& a, const TSharedText& b);
        const char* Expected;
    };
    const TCase cases[] = {
        {"copy over another", [](TSharedText& t, const TSharedText&, const TSharedText& b) { t = b; },
         "/second/folder/of/some/length/"},
        {"copy to itself", [](TSharedText& t, const TSharedText&, const TSharedText&) { t = *&t; },
         "/first/folder/of/some/length/"},
        {"move over another", [](TSharedText& t, const TSharedText&, const TSharedText& b) { t = TSharedText(b); },
         "/second/folder/of/some/length/"},
        {"move to itself", [](TSharedText& t, const TSharedText&, const TSharedText&) { t = std::move(*&t); },
         "/first/folder/of/some/length/"},
        {"an empty one over it", [](TSharedText& t, const TSharedText&, const TSharedText&) { t = TSharedText(); },
         ""},
    };
    for (const TCase& c : cases) {
        TSharedText target = a;
        c.Assign(target, a, b);
        EXPECT_EQ(target.Text(), c.Expected) << c.Name;
        EXPECT_EQ(a.Text(), "/first/folder/of/some/length/") << c.Name << ": the source is untouched";
        EXPECT_EQ(b.Text(), "/second/folder/of/some/length/") << c.Name;
    }
}

TEST(SharedText, AMovedFromTextIsEmptyAndTheMovedOneKeepsIt)
{
    TSharedText from("/some/folder/");
    const AnsiString* text = &from.Text();
    TSharedText to(std::move(from));
    EXPECT_EQ(&to.Text(), text);
    EXPECT_EQ(from.Text(), "");  // NOLINT(bugprone-use-after-move): what moving leaves is the subject
    EXPECT_TRUE(from.Shares(TSharedText()));
}

TEST(SharedText, EqualByTextWhetherSharedOrNot)
{
    struct TCase {
        TSharedText A, B;
        bool Equal;
    };
    const TSharedText shared("/a/");
    const TCase cases[] = {
        {shared, shared, true},
        {TSharedText("/a/"), TSharedText("/a/"), true},
        {TSharedText("/a/"), TSharedText("/A/"), false},
        {TSharedText(), TSharedText(""), true},
        {TSharedText(), TSharedText("/"), false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(c.A == c.B, c.Equal) << '"' << c.A.Text() << "\" and \"" << c.B.Text() << '"';
}

TEST(SharedText, CopiesMadeAndDroppedOnSeveralThreadsLeaveItWhole)
{
    // Run with the sanitizers: a count that is not atomic frees the text
    // early or twice.
    auto text = std::make_unique<TSharedText>("/a/folder/shared/by/many/files/");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&text] {
            for (int i = 0; i < 20000; ++i) {
                const TSharedText copy = *text;
                TSharedText other;
                other = copy;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    const TSharedText last = *text;
    text.reset();
    EXPECT_EQ(last.Text(), "/a/folder/shared/by/many/files/");
}
