// TSettingsPlace: the installation's folder or the user's own.
#include "Settingsplace.h"

#include "SysUtils.hpp"
#include "UserFolders.h"

namespace tws {

namespace {

// The folder of ours below a base folder of the environment's.
AnsiString Below(const AnsiString& base, const AnsiString& name)
{
    return IncludeTrailingPathDelimiter(base) + "tidewash" + PathDelim + name;
}

AnsiString RequireBase(const AnsiString& base, const char* what)
{
    if (base.empty())
        throw Exception(AnsiString("The installation folder is shared and no ") + what +
                        " folder of the user's is known (HOME or APPDATA is not set)");
    return base;
}

}  // namespace

TSettingsPlace LocateSettings(const AnsiString& installationFolder)
{
    TSettingsPlace place;
    const AnsiString installed = installationFolder + ConfigFileName;
    if (twsplatform::FolderWritable(installationFolder)) {
        place.File = installed;
        place.ReportsFolder = installationFolder + "Reports";
        return place;
    }
    place.Owner = TDataOwner::User;
    place.File = Below(RequireBase(twsplatform::UserConfigBase(), "settings"), ConfigFileName);
    place.ReportsFolder = Below(RequireBase(twsplatform::UserStateBase(), "state"), "Reports");
    place.Defaults.push_back(installed);
    for (const AnsiString& base : twsplatform::SystemConfigBases())
        place.Defaults.push_back(Below(base, ConfigFileName));
    return place;
}

AnsiString SettingsSource(const TSettingsPlace& place)
{
    if (twsplatform::PathPresent(place.File))
        return place.File;
    for (const AnsiString& file : place.Defaults)
        if (twsplatform::PathPresent(file))
            return file;
    return place.File;
}

AnsiString LoadSettings(TTidewashConfig& config, const TSettingsPlace& place)
{
    const AnsiString source = SettingsSource(place);
    config.Load(source);
    return source;
}

void PrepareSettingsFolder(const TSettingsPlace& place)
{
    const AnsiString folder = ExcludeTrailingPathDelimiter(ExtractFilePath(place.File));
    if (!ForceDirectories(folder))
        throw Exception("The settings folder " + folder + " cannot be created");
}

}  // namespace tws
