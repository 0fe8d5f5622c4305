#include "Zellibutils.h"

#include <cstdlib>
#include <gtest/gtest.h>

#include "QtTestApp.h"
#include "Twsresname.h"

using zelutils::TDLLLoader;
using zelutils::TResourceLoader;

namespace {
AnsiString BuildOut()
{
    const char* out = std::getenv("TIDEWASH_BUILD_OUT");
    return AnsiString(out != nullptr ? out : ".") + "/";
}
AnsiString ResourceLibrary() { return BuildOut() + kResourceLibraryName; }

const char* const kBitmaps[] = {
    "NT_VOLUME",      "NT_FOLDER",       "NT_FOLDER_SELECTED", "NT_ITEM",       "NT_ITEM_SELECTED", "NS_NULL",
    "NS_UNCHECKED",   "NS_CHECKED",      "NS_PARTCHECKED",     "ACT_ABORT2",    "ACT_DRIVE_SRCH2",  "ACT_BACK",
    "ACT_REVIEW",     "ACT_PURGE2",      "ACT_EXIT",           "ACT_OK",        "ACT_CANCEL",       "ACT_SELECTALL",
    "ACT_UNSELECTALL", "ACT_EXPORTHTML", "ACT_FLDR_SRCH",      "ACT_REC_ADD",   "ACT_REC_EDIT",     "ACT_REC_DEL",
};
}  // namespace

TEST(TDLLLoader, OneModuleAtATimeAndItsExports)
{
    TDLLLoader loader;
    EXPECT_EQ(loader.LoadFunction("TwsFindResource"), nullptr);
    EXPECT_FALSE(loader.UnloadLibrary());  // nothing loaded
    ASSERT_TRUE(loader.LoadLibraryA(ResourceLibrary()));
    EXPECT_NE(loader.LoadFunction("TwsFindResource"), nullptr);
    EXPECT_EQ(loader.LoadFunction("NoSuchExport"), nullptr);
    try {
        loader.LoadLibraryA(ResourceLibrary());
        FAIL() << "a second load was accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "DLLLoader is already in use");
    }
    EXPECT_TRUE(loader.UnloadLibrary());
    EXPECT_EQ(loader.LoadFunction("TwsFindResource"), nullptr);
    EXPECT_TRUE(loader.LoadLibraryA(ResourceLibrary()));  // usable again
    TDLLLoader missing(BuildOut() + "no-such-module.so");
    EXPECT_EQ(missing.LoadFunction("TwsFindResource"), nullptr);
    EXPECT_TRUE(missing.LoadLibraryA(ResourceLibrary()));  // a failed load leaves it free
}

TEST(TResourceLoader, EveryBitmapAndGlyphLoadsWithFuchsiaTakenOut)
{
    TestApplication();
    TResourceLoader loader(ResourceLibrary());
    TImageList list;
    for (const char* name : kBitmaps) {
        SCOPED_TRACE(name);
        TBitmap bitmap;
        ASSERT_TRUE(loader.LoadBitmapA(name, &bitmap));
        EXPECT_EQ(bitmap.Width(), 16);
        EXPECT_EQ(bitmap.Height(), 16);
        const int index = loader.AddBitmapToImageList(name, &list, clFuchsia);
        ASSERT_EQ(index, list.Count() - 1);
        const QImage shown = list.Image(index).toImage().convertToFormat(QImage::Format_ARGB32);
        int fuchsiaBefore = 0;
        int transparentAfter = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QRgb before = bitmap.Image().pixel(x, y);
                const QRgb after = shown.pixel(x, y);
                EXPECT_NE(after & 0xFFFFFF, 0xFF00FFu) << x << "," << y;
                if ((before & 0xFFFFFF) == 0xFF00FF) {
                    ++fuchsiaBefore;
                    EXPECT_EQ(qAlpha(after), 0);
                } else {
                    EXPECT_EQ(after, before | 0xFF000000);
                }
                transparentAfter += qAlpha(after) == 0;
            }
        // A button's glyph is the same picture as the list's.
        EXPECT_EQ(loader.LoadGlyph(name).toImage().convertToFormat(QImage::Format_ARGB32), shown);
        EXPECT_GT(fuchsiaBefore, 0);  // the bitmaps are drawn on fuchsia
        EXPECT_EQ(transparentAfter, fuchsiaBefore);
        // Every glyph but the empty state shows something.
        if (std::string(name) != "NS_NULL") {
            EXPECT_LT(transparentAfter, 256);
        }
    }
    EXPECT_EQ(list.Count(), static_cast<int>(std::size(kBitmaps)));
}

TEST(TResourceLoader, IconsLoadAsIconsAndBitmapNamesDoNot)
{
    TestApplication();
    TResourceLoader loader(ResourceLibrary());
    for (const char* name : {"TIDEWASH1", "TIDEWASH2"}) {
        TIcon icon;
        ASSERT_TRUE(loader.LoadIconA(name, &icon)) << name;
        EXPECT_GE(icon.Width(), 32);
        EXPECT_FALSE(icon.Icon().pixmap(32, 32).isNull());
        TBitmap notABitmap;
        EXPECT_FALSE(loader.LoadBitmapA(name, &notABitmap)) << name;
    }
    TIcon fromBitmapName;
    EXPECT_FALSE(loader.LoadIconA("NT_FOLDER", &fromBitmapName));
}

TEST(TResourceLoader, MissingLibraryImageOrTargetLeavesEverythingAsItWas)
{
    TestApplication();
    TResourceLoader loaded(ResourceLibrary());
    TResourceLoader missing(BuildOut() + "no-such-module.so");
    TResourceLoader none;
    TImageList list;
    TBitmap bitmap;
    TIcon icon;
    const struct {
        const TResourceLoader* loader;
        const char* name;
    } cases[] = {{&missing, "NT_FOLDER"}, {&none, "NT_FOLDER"}, {&loaded, "NO_SUCH_BITMAP"}, {&loaded, ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.loader->AddBitmapToImageList(c.name, &list, clFuchsia), -1) << c.name;
        EXPECT_FALSE(c.loader->LoadBitmapA(c.name, &bitmap)) << c.name;
        EXPECT_FALSE(c.loader->LoadIconA(c.name, &icon)) << c.name;
        EXPECT_TRUE(c.loader->LoadGlyph(c.name).isNull()) << c.name;
    }
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(loaded.LoadBitmapA("NT_FOLDER", nullptr));
    EXPECT_FALSE(loaded.LoadIconA("TIDEWASH1", nullptr));
    EXPECT_EQ(loaded.AddBitmapToImageList("NT_FOLDER", nullptr, clFuchsia), -1);
}
