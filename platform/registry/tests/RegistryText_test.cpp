#include "RegistryText.h"

#include <gtest/gtest.h>

using namespace twsregistry;

namespace {

const char* const kRoot = "HKEY_CURRENT_USER";

std::string Sz(const std::string& s) { return s + std::string(1, '\0'); }

// Trees compare equal when names (as stored), kinds, data and order agree.
void ExpectSameTree(const RegKey& a, const RegKey& b)
{
    ASSERT_EQ(a.Name(), b.Name());
    ASSERT_EQ(a.Values().size(), b.Values().size()) << a.Name();
    for (std::size_t i = 0; i < a.Values().size(); ++i) {
        EXPECT_EQ(a.Values()[i].name, b.Values()[i].name);
        EXPECT_EQ(a.Values()[i].type, b.Values()[i].type) << a.Values()[i].name;
        EXPECT_EQ(a.Values()[i].data, b.Values()[i].data) << a.Values()[i].name;
    }
    ASSERT_EQ(a.Children().size(), b.Children().size()) << a.Name();
    for (std::size_t i = 0; i < a.Children().size(); ++i)
        ExpectSameTree(*a.Children()[i], *b.Children()[i]);
}

int DamageLine(const std::string& text)
{
    try {
        ParseRegistryText(text, kRoot);
    } catch (const RegTextError& e) {
        return e.Line();
    }
    return 0;
}

}  // namespace

TEST(RegistryText, WritesTheRegeditLayout)
{
    RegKey root(kRoot);
    RegKey& zel = root.AddChild("Software").AddChild("Zel");
    zel.SetValue("", REG_SZ, Sz("default"));
    zel.SetValue("Name", REG_SZ, Sz("C:\\path \"quoted\""));
    zel.SetValue("Count", REG_DWORD, std::string("\x2a\0\0\0", 4));
    zel.SetValue("Blob", REG_BINARY, std::string("\x01\x02\xff", 3));
    zel.SetValue("Path", REG_EXPAND_SZ, Sz("%HOME%"));
    root.AddChild("Empty");

    EXPECT_EQ(FormatRegistryText(root, kRoot),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Empty]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Zel]\n"
              "@=\"default\"\n"
              "\"Name\"=\"C:\\\\path \\\"quoted\\\"\"\n"
              "\"Count\"=dword:0000002a\n"
              "\"Blob\"=hex:01,02,ff\n"
              "\"Path\"=hex(2):25,48,4f,4d,45,25,00\n"
              "\n");
}

TEST(RegistryText, EveryByteOfNamesAndDataSurvivesTheText)
{
    RegKey root(kRoot);
    root.SetValue("at root", REG_SZ, Sz("x"));
    RegKey& key = root.AddChild("Grüße 日本").AddChild("quote\"and]bracket");
    const std::string tricky = "a\\b\"c\nd\re\tf\x01g\x7fh Grüße 日本 \xff\xfe end";
    key.SetValue(tricky, REG_SZ, Sz(tricky));
    key.SetValue("embedded zero", REG_SZ, std::string("ab\0cd\0", 6));
    key.SetValue("no terminator", REG_SZ, "abc");
    key.SetValue("empty string", REG_SZ, Sz(""));
    key.SetValue("empty data", REG_SZ, "");
    key.SetValue("short dword", REG_DWORD, "\x01\x02");
    key.SetValue("qword", REG_QWORD, std::string("\x01\0\0\0\0\0\0\x80", 8));
    key.SetValue("multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    key.SetValue("none", REG_NONE, "");
    key.SetValue("kind 0x12345", 0x12345, "z");

    const std::string text = FormatRegistryText(root, kRoot);
    // Control characters never reach the file as such: one value per line.
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.find('\t'), std::string::npos);
    EXPECT_NE(text.find("Grüße 日本"), std::string::npos);  // valid UTF-8 stays readable
    EXPECT_NE(text.find("\\xff\\xfe"), std::string::npos);

    const auto back = ParseRegistryText(text, kRoot);
    ExpectSameTree(root, *back);
    EXPECT_EQ(FormatRegistryText(*back, kRoot), text);
}

TEST(RegistryText, LongHexDataWrapsAndReadsBack)
{
    RegKey root(kRoot);
    std::string blob;
    for (int i = 0; i < 300; ++i)
        blob += static_cast<char>(i);
    root.AddChild("K").SetValue("Blob", REG_BINARY, blob);
    const std::string text = FormatRegistryText(root, kRoot);

    std::size_t start = 0, lines = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
        start = end + 1;
        ++lines;
    }
    EXPECT_GT(lines, 10u);
    ExpectSameTree(root, *ParseRegistryText(text, kRoot));
}

TEST(RegistryText, ReadsTheUsualVariantsOfTheFormat)
{
    const std::string text =
        "\xEF\xBB\xBFREGEDIT4\r\n"
        "\r\n"
        "; a comment\r\n"
        "  [HKEY_CURRENT_USER\\A]  \r\n"
        "\"\"=\"default by empty name\"\r\n"
        "\"n\" = DWORD:FF\r\n"
        "\"h\"=hex:0a,\\\r\n"
        "    0b,0C\r\n"
        "[hkey_current_user\\a]\r\n"
        "\"n\"=dword:00000001\r\n"
        "\"e\"=hex(7):\r\n";
    const auto root = ParseRegistryText(text, kRoot);
    ASSERT_EQ(root->Children().size(), 1u);
    const RegKey& a = *root->Children()[0];
    EXPECT_EQ(a.Name(), "A");
    ASSERT_NE(a.FindValue(""), nullptr);
    EXPECT_EQ(a.FindValue("")->data, Sz("default by empty name"));
    EXPECT_EQ(a.FindValue("N")->data, std::string("\x01\0\0\0", 4));  // the later one wins
    EXPECT_EQ(a.FindValue("h")->data, "\x0a\x0b\x0c");
    EXPECT_EQ(a.FindValue("e")->type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(a.FindValue("e")->data, "");
}

TEST(RegistryText, DamageIsReportedWithItsLine)
{
    const std::string head = "Windows Registry Editor Version 5.00\n\n";
    EXPECT_THROW(ParseRegistryText("", kRoot), RegTextError);
    EXPECT_EQ(DamageLine("\nhello\n"), 2);
    EXPECT_EQ(DamageLine(head + "\"x\"=\"before any key\"\n"), 3);
    EXPECT_EQ(DamageLine(head + "[HKEY_LOCAL_MACHINE\\A]\n"), 3);
    EXPECT_EQ(DamageLine(head + "[-HKEY_CURRENT_USER\\A]\n"), 3);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A\n"), 3);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A\\\\B]\n"), 3);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A]\n\"x\"=-\n"), 4);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A]\n\"x\"=\"bad \\q escape\"\n"), 4);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A]\n\"x\"=\"bad \\x4 escape\"\n"), 4);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A]\n\"x\"=\"unterminated\n"), 4);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A]\n\"x\"=\"a\" trailing\n"), 4);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A]\n\"x\"=dword:xyz\n"), 4);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A]\n\"x\"=dword:123456789\n"), 4);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A]\n\"x\"=hex:1g\n"), 4);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A]\n\"x\"=hex:01,\n"), 4);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A]\n\"x\"=hex(zz):01\n"), 4);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A]\n\"x\"=hex:01,\\\n"), 4);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A]\n\"x\"=string\n"), 4);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A]\nx=\"y\"\n"), 4);
    EXPECT_EQ(DamageLine(head + "[HKEY_CURRENT_USER\\A]\n\"x\"\n"), 4);
}
