// EscapeMarkup and EscapeVisible: valid UTF-8 out whatever comes in, and
// names that stay distinguishable.
#include "Zelhtmlescape.h"
#include "SysUtils.hpp"

#include <gtest/gtest.h>
#include <set>

using zelhtmlbuilder::EscapeMarkup;
using zelhtmlbuilder::AppendEscapedVisible;
using zelhtmlbuilder::EscapeVisible;

namespace {

// What EscapeVisible puts around one escape.
std::string Marked(const std::string& escape)
{
    return "<span style=\"color: rgb(170, 0, 0); background-color: rgb(255, 230, 230); font-family: monospace\">" +
           escape + "</span>";
}

struct TCase {
    const char* Name;
    std::string Text, Markup, Visible;
};

}  // namespace

TEST(EscapeMarkup, EveryKindOfByte)
{
    const TCase cases[] = {
        {"plain", "a.obj", "a.obj", "a.obj"},
        {"markup", "<b a=\"x\">&</b>", "&lt;b a=&quot;x&quot;&gt;&amp;&lt;/b&gt;",
         "&lt;b a=&quot;x&quot;&gt;&amp;&lt;/b&gt;"},
        {"valid multibyte", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xE4\xB8\xAD",
         "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xE4\xB8\xAD",
         "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xE4\xB8\xAD"},
        {"control", std::string("a\x01" "b\x1B" "c\x7F"), "a\xE2\x90\x81" "b\xE2\x90\x9B" "c\xE2\x90\xA1",
         "a" + Marked("\\x01") + "b" + Marked("\\x1B") + "c" + Marked("\\x7F")},
        {"NUL", std::string("a\0b", 3), "a\xE2\x90\x80" "b", "a" + Marked("\\x00") + "b"},
        {"line breaks and tab", "a\tb\nc\r", "a\tb\nc\r",
         "a" + Marked("\\x09") + "b" + Marked("\\x0A") + "c" + Marked("\\x0D")},
        {"C1 control", "a\xC2\x85" "b", "a\xC2\x85" "b", "a" + Marked("\\u0085") + "b"},
        {"invalid bytes", "a\xFF" "b\x80", "a\xEF\xBF\xBD" "b\xEF\xBF\xBD",
         "a" + Marked("\\xFF") + "b" + Marked("\\x80")},
        {"Latin-1 name", "caf\xE9.obj", "caf\xEF\xBF\xBD.obj", "caf" + Marked("\\xE9") + ".obj"},
        {"overlong slash", "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD", Marked("\\xC0") + Marked("\\xAF")},
        {"surrogate", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
         Marked("\\xED") + Marked("\\xA0") + Marked("\\x80")},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
         Marked("\\xF4") + Marked("\\x90") + Marked("\\x80") + Marked("\\x80")},
        {"cut short at the end", "a\xE2\x82", "a\xEF\xBF\xBD\xEF\xBF\xBD", "a" + Marked("\\xE2") + Marked("\\x82")},
        // Marked where a name may hold one; the path separator on Windows.
        {"backslash", "a\\x01", "a\\x01", PathDelim == '\\' ? "a\\x01" : "a" + Marked("\\\\") + "x01"},
        {"specials around plain runs", "&ab\x7F" "cd\"", "&amp;ab\xE2\x90\xA1" "cd&quot;",
         "&amp;ab" + Marked("\\x7F") + "cd&quot;"},
        {"empty", "", "", ""},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(EscapeMarkup(c.Text), c.Markup) << c.Name;
        EXPECT_EQ(EscapeVisible(c.Text), c.Visible) << c.Name;
        // The appending form leaves what the buffer held and adds the same.
        AnsiString appended = "kept<";
        AppendEscapedVisible(appended, c.Text);
        EXPECT_EQ(appended, "kept<" + c.Visible) << c.Name;
    }
}

TEST(EscapeVisible, DifferentNamesNeverLookTheSame)
{
    // Each pair would read the same if control characters, invalid bytes or
    // backslashes were shown carelessly.
    const std::string names[] = {
        "a\x01", "a\\x01", "a\\\\x01", "a\xFF", "a\\xFF", "a\xEF\xBF\xBD", "a\xC2\x85", "a\\u0085",
        "a\n", "a\\x0A", "a", "a ", std::string("a\0", 2), "a\\", "a\\\\",
    };
    std::set<std::string> seen;
    for (const std::string& name : names)
        EXPECT_TRUE(seen.insert(EscapeVisible(name)).second) << "two names look alike: " << EscapeVisible(name);
}
