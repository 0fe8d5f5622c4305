#include "TrashInfo.h"

#include <gtest/gtest.h>

namespace {

using twsplatform::ParseTrashInfo;
using twsplatform::TrashTopFolder;

constexpr const char* kDate = "\nDeletionDate=2024-05-01T10:20:30\n";

TEST(TrashInfo, ReadsPathAndDate)
{
    const struct {
        std::string text;
        const char* top;
        const char* path;  // nullptr: refused
    } cases[] = {
        {"[Trash Info]\nPath=/home/u/p/Unit1.obj" + std::string(kDate), "/", "/home/u/p/Unit1.obj"},
        {"[Trash Info]\nPath=/home/u/a%20b%2Fc%25.obj" + std::string(kDate), "/", "/home/u/a b/c%.obj"},
        {"# made by hand\r\n\r\n[Trash Info]\r\nPath=src/a.obj\r\nDeletionDate=x\r\nOther=1\r\n", "/mnt/usb/",
         "/mnt/usb/src/a.obj"},
        {"[Trash Info]\nPath=/mnt/usb/src/a.obj" + std::string(kDate), "/mnt/usb/", "/mnt/usb/src/a.obj"},
        {"[Trash Info]\nPath=a.obj" + std::string(kDate) + "[Later]\nPath=/elsewhere\n", "/", "/a.obj"},
        // Refused: outside the top folder, after decoding too.
        {"[Trash Info]\nPath=/etc/passwd" + std::string(kDate), "/mnt/usb/", nullptr},
        {"[Trash Info]\nPath=../etc/passwd" + std::string(kDate), "/mnt/usb/", nullptr},
        {"[Trash Info]\nPath=%2E%2E/etc/passwd" + std::string(kDate), "/mnt/usb/", nullptr},
        {"[Trash Info]\nPath=src/./a.obj" + std::string(kDate), "/mnt/usb/", nullptr},
        {"[Trash Info]\nPath=src//a.obj" + std::string(kDate), "/mnt/usb/", nullptr},
        {"[Trash Info]\nPath=/mnt/usb/" + std::string(kDate), "/mnt/usb/", nullptr},
        // Refused: damaged encoding, a NUL byte, missing or repeated keys, no header.
        {"[Trash Info]\nPath=/a%2" + std::string(kDate), "/", nullptr},
        {"[Trash Info]\nPath=/a%zz" + std::string(kDate), "/", nullptr},
        {"[Trash Info]\nPath=/a%00b" + std::string(kDate), "/", nullptr},
        {"[Trash Info]\nPath=/a\nPath=/b" + std::string(kDate), "/", nullptr},
        {"[Trash Info]\nPath=/a\n", "/", nullptr},
        {"[Trash Info]" + std::string(kDate), "/", nullptr},
        {"Path=/a" + std::string(kDate), "/", nullptr},
        {"[Other]\nPath=/a" + std::string(kDate), "/", nullptr},
        {"[Trash Info]\nnot a key\nPath=/a" + std::string(kDate), "/", nullptr},
        {"", "/", nullptr},
    };
    for (const auto& c : cases) {
        const auto info = ParseTrashInfo(c.text, c.top);
        if (c.path == nullptr) {
            EXPECT_FALSE(info.has_value()) << c.text;
        } else {
            ASSERT_TRUE(info.has_value()) << c.text;
            EXPECT_EQ(info->Path, c.path) << c.text;
        }
    }
    const auto dated = ParseTrashInfo("[Trash Info]\nPath=/a" + std::string(kDate), "/");
    ASSERT_TRUE(dated.has_value());
    EXPECT_EQ(dated->DeletionDate, "2024-05-01T10:20:30");
}

TEST(TrashInfo, TopFolderOfATrash)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/home/u/.local/share/Trash/", "/"},
        {"/mnt/usb/.Trash-1000/", "/mnt/usb/"},
        {"/mnt/usb/.Trash/1000/", "/mnt/usb/"},
        {"/.Trash-0/", "/"},
        {"/.Trash/0/", "/"},
    };
    for (const auto& [folder, top] : cases)
        EXPECT_EQ(TrashTopFolder(folder), top) << folder;
}

}  // namespace
