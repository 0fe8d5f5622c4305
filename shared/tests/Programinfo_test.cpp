// The windowed programs' version line and About text name the program, the
// product and the version.
#include "Programinfo.h"

#include <gtest/gtest.h>

TEST(ProgramInfo, EachProgramNamesItselfTheProductAndTheOther)
{
    const struct {
        TProgram program;
        const char* version;
        const char* aboutStart;
        const char* names;  // the companion the text sends a person to
    } cases[] = {
        {TProgram::Wizard, "TWSUtil (Tidewash) " TIDEWASH_VERSION, "TWS Utility - Tidewash " TIDEWASH_VERSION "\n\n",
         "TWS Configurator"},
        {TProgram::Configurator, "TWSConfigurator (Tidewash) " TIDEWASH_VERSION,
         "TWS Configurator - Tidewash " TIDEWASH_VERSION "\n\n", "TWS Utility"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        EXPECT_EQ(VersionLine(c.program), c.version);
        const std::string about = AboutText(c.program);
        EXPECT_EQ(about.rfind(c.aboutStart, 0), 0u) << about;
        EXPECT_NE(about.find("temporary files"), std::string::npos) << about;
        EXPECT_NE(about.find(c.names), std::string::npos) << about;
        EXPECT_NE(about.find("twscleanup"), std::string::npos) << about;
    }
}
