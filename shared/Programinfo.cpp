// The windowed programs' --version line and About text.
#include "Programinfo.h"

namespace {

struct TProgramInfo {
    const char* File;
    const char* Caption;
    const char* Purpose;
};

TProgramInfo InfoOf(TProgram program)
{
    switch (program) {
    case TProgram::Configurator:
        return {"TWSConfigurator", "TWS Configurator",
                "The settings editor of Tidewash, the cleanup of the temporary files IDEs leave behind. It sets "
                "which file masks a scan looks for, which folders and volumes it never enters, whether hidden "
                "and read-only files may go, and whether a purge moves files to the trash or deletes them "
                "for good.\n\nTWS Utility (TWSUtil) scans and purges with these settings; twscleanup does the "
                "same from a terminal."};
    case TProgram::Wizard:
        break;
    }
    return {"TWSUtil", "TWS Utility",
            "The cleanup wizard of Tidewash: it scans a volume for the temporary files IDEs leave behind "
            "(backups, object files, caches), lets you review what it found, and moves the files to the trash "
            "or deletes them, keeping a report and a record of every run so that a purge into the trash can be "
            "undone.\n\nTWS Configurator (TWSConfigurator) edits the settings; twscleanup does the same "
            "from a terminal."};
}

}  // namespace

std::string VersionLine(TProgram program)
{
    return std::string(InfoOf(program).File) + " (Tidewash) " TIDEWASH_VERSION;
}

std::string AboutText(TProgram program)
{
    const TProgramInfo info = InfoOf(program);
    return std::string(info.Caption) + " - Tidewash " TIDEWASH_VERSION "\n\n" + info.Purpose;
}
