// The Pascal link directives: what counts as a link and what only looks
// like one inside comments and strings.
#include "Linkpascal.h"

#include <gtest/gtest.h>

#include <random>

using tidewash::ParsePascalLinks;
using Links = std::vector<std::string>;

TEST(Linkpascal, DirectivesAndTheirNames)
{
    const struct {
        const char* Text;
        Links Expected;
    } cases[] = {
        {"unit Z; {$L zlib.obj} {$LINK lib\\lzma.obj}", {"zlib.obj", "lib\\lzma.obj"}},
        {"{$l deflate.obj}{$Link lib/inflate.OBJ}", {"deflate.obj", "lib/inflate.OBJ"}},
        {"(*$L crc32.obj*)", {"crc32.obj"}},
        {"{$L 'name with blanks.obj'}", {"name with blanks.obj"}},
        {"{$L 'it''s.obj'}", {"it's.obj"}},
        {"{$L zlib}", {"zlib.obj"}},
        {"{$L   \t\r\n  spaced.obj   }", {"spaced.obj"}},
        {"{$L x.obj extra words}", {"x.obj"}},
        {"{$L+} {$L-} {$LINK} {$L} {$L }", {}},
        {"{$LOCALSYMBOLS ON} {$LINKLIB c} {$LIBPREFIX 'x'} {$I inc.inc} {$R res.res}", {}},
        {"{$IFDEF WIN64}{$L x64\\a.obj}{$ELSE}{$L x86\\a.obj}{$ENDIF}", {"x64\\a.obj", "x86\\a.obj"}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParsePascalLinks(c.Text), c.Expected) << c.Text;
}

TEST(Linkpascal, CommentsAndStringsHideDirectives)
{
    const struct {
        const char* Text;
        Links Expected;
    } cases[] = {
        {"// {$L line.obj}\n{$L real.obj}", {"real.obj"}},
        {"{ {$L inbrace.obj} }{$L after.obj}", {"after.obj"}},
        {"(* {$L inparen.obj} *) {$L after.obj}", {"after.obj"}},
        {"{ (* } {$L real.obj}", {"real.obj"}},
        {"(* { *) {$L real.obj}", {"real.obj"}},
        {"s := '{$L str.obj}'; {$L real.obj}", {"real.obj"}},
        {"s := 'it''s {$L str.obj}'; t := '//'; {$L real.obj}", {"real.obj"}},
        {"s := 'unterminated {$L str.obj}\n{$L real.obj}", {"real.obj"}},
        {"{$L cut.obj", {"cut.obj"}},  // a file cut short at the cap
        {"{ unterminated comment {$L no.obj}", {}},
        {"(* unterminated {$L no.obj}", {}},
        {"{$L 'unterminated quote.obj}", {"unterminated quote.obj"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParsePascalLinks(c.Text), c.Expected) << c.Text;
}

TEST(Linkpascal, BinaryBytesAreSafeToScan)
{
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes += static_cast<char>((i * 131 + 7) % 256);
    bytes += std::string("\0{$L after.obj}", 15);
    const Links links = ParsePascalLinks(bytes);
    // Whatever the noise opened, the scanner ends, and names only what
    // directives say.
    for (const std::string& link : links)
        EXPECT_FALSE(link.empty());
}

// The look before the parse never turns away a text the parser reads a name
// from: on directives of every form, split by comments, in odd case, with
// the telling characters at the very ends, on every cut of each text and on
// each with characters changed to the ones the parser reacts to. It does
// turn away texts whose directives link nothing.
TEST(Linkpascal, LookBeforeTheParseKeepsEveryLink)
{
    using tidewash::MayHoldPascalLink;
    const struct {
        std::string Text;
        bool May;
    } cases[] = {
        {"unit Z; {$L zlib.obj} {$LINK lib\\lzma.obj}", true},
        {"(*$l crc32*)", true},
        {"{$Link x}", true},
        {"{$L", true},
        {"(*$L", true},
        {"{$I inc.inc} {$R res.res} {$IFDEF X}{$ENDIF} (*$DEFINE Y*) $L", false},
        {"{ $L x.obj } ( *$L x.obj*) {{$ L x.obj}", false},
        {"{$", false},
        {"(*$", false},
        {"$L x.obj", false},
        {"{$L{ split }x.obj} {$L(*x*)y.obj} {$L//z\n w.obj}", true},
        {"'{$L not.obj}' // {$L not.obj}\n{ {$L not.obj} }", true},  // says yes: the parser finds none
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MayHoldPascalLink(c.Text), c.May) << c.Text;

    std::mt19937 random(11);
    const std::string reacting = "{}()*$Ll'/ \n";
    int checked = 0;
    for (const auto& c : cases) {
        for (std::size_t cut = 0; cut <= c.Text.size(); ++cut) {
            const std::string part = c.Text.substr(0, cut);
            ASSERT_TRUE(ParsePascalLinks(part).empty() || MayHoldPascalLink(part)) << part;
            ASSERT_TRUE(ParsePascalLinks(c.Text.substr(cut)).empty() || MayHoldPascalLink(c.Text.substr(cut)))
                << c.Text.substr(cut);
        }
        for (int change = 0; change < 400 && !c.Text.empty(); ++change) {
            std::string changed = c.Text;
            for (int n = 1 + static_cast<int>(random() % 3); n > 0; --n)
                changed[random() % changed.size()] = reacting[random() % reacting.size()];
            const bool links = !ParsePascalLinks(changed).empty();
            ASSERT_TRUE(!links || MayHoldPascalLink(changed)) << changed;
            checked += links ? 1 : 0;
        }
    }
    EXPECT_GT(checked, 500);  // many changed texts still link
}
