// TConfiguratorSession: the settings editor's model bound to the
// configuration server TWSConfig, created through COM. Reload reads the
// settings file into the model; Save writes the model back through a fresh
// server object. Both windows use it, so that what is read, refused and
// written is decided once.
//
// A settings file that cannot be read is reported and never replaced: the
// model then shows nothing of it and Save refuses until a reload succeeds.
#pragma once

#include <vector>

#include "Configuratormodel.h"
#include "Settingsplace.h"
#include "System.hpp"
#include "TWSConfig_tlb.h"

namespace twsconfigurator {

// What a window tells the user when an action did not happen.
struct TNotice {
    AnsiString Caption;
    AnsiString Text;
};

class TConfiguratorSession {
public:
    // COM must be initialised on the thread (a single-threaded apartment).
    // Creates the server object; HasServer tells whether that worked. The
    // model is empty until Reload.
    TConfiguratorSession(tws::TSettingsPlace settings, std::vector<TVolume> volumes);
    ~TConfiguratorSession();
    TConfiguratorSession(const TConfiguratorSession&) = delete;
    TConfiguratorSession& operator=(const TConfiguratorSession&) = delete;

    TConfiguratorModel& Model() { return FModel; }
    const TConfiguratorModel& Model() const { return FModel; }
    const tws::TSettingsPlace& Settings() const { return FSettings; }

    bool HasServer() const { return FConfig != nullptr; }
    // Why the server could not be created ("it is not registered").
    const AnsiString& ServerError() const { return FServerError; }
    // Without a server: what a window shows instead of the form, with the
    // command that registers the server.
    AnsiString ServerMissingText(const AnsiString& registerCommand) const;

    // Reads the settings into the model (clearing it first) and marks it
    // unmodified. False, with the notice, when the file cannot be read.
    bool Reload(TNotice& notice);
    // Writes the model through a fresh server object into Settings().File
    // and marks it unmodified. False, with the notice, when nothing or not
    // everything was written.
    bool Save(TNotice& notice);
    bool LoadFailed() const { return FLoadFailed; }

    // "Settings: <file>", with where they were read from until saved.
    AnsiString SettingsFileText() const;
    // Releases the server (a window does when it closes).
    void Release();

private:
    ITidewashConfig* Create();
    TNotice ServerNotice(const AnsiString& what, const AnsiString& file, const AnsiString& caption) const;

    tws::TSettingsPlace FSettings;
    TConfiguratorModel FModel;
    ITidewashConfig* FConfig = nullptr;
    AnsiString FServerError;
    AnsiString FConfigSource;  // the file the settings were last read from
    bool FLoadFailed = false;
};

}  // namespace twsconfigurator
