// The images of the settings editor's windows, from the resource library
// installed beside a registered handler, as an installation has them.
#include <gtest/gtest.h>

#include <QIcon>

#include "Configuratorresources.h"
#include "Excludedfoldersform.h"
#include "Folderselectform.h"
#include "GlyphPixels.h"
#include "InstalledServer.h"
#include "ScriptedDialogs.h"
#include "Twsresname.h"

using namespace twsconfigurator;
using namespace configuratortest;
namespace fs = std::filesystem;

namespace {

class ResourcesTest : public zelcomtest::TInstalledServerTest {
protected:
    ResourcesTest() : TInstalledServerTest("Tidewash.so") {}
    void SetUp() override
    {
        TInstalledServerTest::SetUp();
        fs::copy_file(zelcomtest::BuildOut() + "/" + TWSRES_FILE_NAME, install / TWSRES_FILE_NAME);
        TestApplication();
    }
};

TEST_F(ResourcesTest, EveryGlyphButtonShowsItsPictureWithoutTheFuchsiaBackground)
{
    TfrmExcludedFolders editor;
    const TFolderTreeFilter everything({"/"}, [](const AnsiString&) { return AnsiString("/"); });
    TfrmFolderSelection selection(nullptr, everything);
    const struct {
        const char* window;
        const char* button;
        QAbstractButton* widget;
    } buttons[] = {
        {"excluded folders", "browse", editor.btnFolderPath}, {"excluded folders", "Add", editor.btnAdd},
        {"excluded folders", "Replace", editor.btnReplace},   {"excluded folders", "Delete", editor.btnDelete},
        {"folder selection", "OK", selection.btnOK},          {"folder selection", "Cancel", selection.btnCancel},
    };
    for (const auto& b : buttons) {
        SCOPED_TRACE(std::string(b.window) + ": " + b.button);
        ASSERT_FALSE(b.widget->icon().isNull()) << "no glyph loaded";
        const twstesting::TGlyphPixels pixels = twstesting::CountGlyphPixels(b.widget->icon());
        EXPECT_EQ(pixels.Fuchsia, 0);
        // The library draws every glyph on fuchsia: taken out, it is the
        // transparent part, and the picture itself is still there.
        EXPECT_GT(pixels.Transparent, 0);
        EXPECT_GT(pixels.Drawn, 0);
    }
}

TEST(Resources, AMissingLibraryLeavesTheButtonAsItWas)
{
    TestApplication();
    const TConfiguratorResources none(zelcomtest::BuildOut() + "/no-such-library.so");
    QPushButton button("OK");
    EXPECT_FALSE(none.SetGlyph(&button, "ACT_OK"));
    EXPECT_TRUE(button.icon().isNull());
    EXPECT_TRUE(none.Icon("TIDEWASH1").isNull());
    const TConfiguratorResources library(zelcomtest::BuildOut() + "/" + TWSRES_FILE_NAME);
    EXPECT_FALSE(library.SetGlyph(&button, "NO_SUCH_BITMAP"));
    EXPECT_FALSE(library.SetGlyph(nullptr, "ACT_OK"));
    EXPECT_TRUE(button.icon().isNull());
    EXPECT_TRUE(library.SetGlyph(&button, "ACT_OK"));
    EXPECT_EQ(twstesting::CountGlyphPixels(button.icon()).Fuchsia, 0);
}

}  // namespace
