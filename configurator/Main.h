// TfrmMain: the configurator's main window. The file masks, each with its
// excluded folders on a tab of its own, the volumes excluded from scanning
// and the deletion options, all read and written through the configuration
// server TWSConfig; and the start of the scan-and-purge wizard.
#pragma once

#include <deque>
#include <functional>
#include <map>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTabWidget>

#include "Classes.hpp"
#include "Settingsplace.h"
#include "System.hpp"
#include "TWSConfig_tlb.h"

namespace twsconfigurator {

class TfrmExcludedFolders;

// Where the configurator finds what it works with.
struct TConfiguratorSetup {
    // Where the server reads the settings and saves them: beside the
    // handler, or the user's own file when the installation is shared.
    tws::TSettingsPlace Settings;
    AnsiString ProgramFolder;   // the folder of the wizard, ending in "/"
    // Appends the fixed volumes as display name=root lines.
    std::function<void(TStrings*)> ListVolumes;

    // The installation: the settings of the registered handler's
    // installation (tws::LocateSettings), the wizard beside this program,
    // the machine's fixed volumes.
    static TConfiguratorSetup Installed();
};

// The wizard's program file in the configurator's folder.
inline constexpr const char* kWizardProgram = "TWSUtil";
// Appended to the root of an excluded volume that is not attached, as its
// item in the Excluded Volumes menu.
inline constexpr const char* kNotAttached = "  (not attached)";

class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    // COM must be initialised on the thread (a single-threaded apartment).
    explicit TfrmMain(TConfiguratorSetup setup, QWidget* parent = nullptr);
    ~TfrmMain() override;

    bool Modified() const { return FModified; }
    bool HasConfiguration() const { return FTidewashConfig != nullptr; }
    // The editor of the mask's tab, or null.
    TfrmExcludedFolders* EditorOf(const AnsiString& mask) const;
    // The editor on a tab.
    TfrmExcludedFolders* EditorAt(int tab) const;

    QTabWidget* pcMain;
    QWidget* tsMasksAndExclFolders;
    QLabel* Label2;
    QWidget* pnlMasks;
    QTabWidget* pcFileMasks;
    QLabel* Label3;
    QComboBox* cboxVolumeFilter;
    QCheckBox* cboxHideFiltered;
    QCheckBox* cboxDeleteHiddenFiles;
    QCheckBox* cboxDeleteReadOnlyFiles;
    QCheckBox* cboxUseRecycleBin;
    QStatusBar* sbarMain;
    QLabel* sbarPanel0;
    QLabel* sbarPanel1;
    QLabel* sbarSettingsFile;  // which file is used: "Settings: <file>"
    QLabel* lblNoServer = nullptr;  // shown instead of the form without a server

    QMenu* miFile;
    QMenu* miEdit;
    QMenu* miMask;
    QMenu* miExcludedVolumes;
    QMenu* miTools;
    QMenu* miHelp;
    QAction* actReload;
    QAction* actSave;
    QAction* actExit;
    QAction* actAddMask;
    QAction* actEditMask;
    QAction* actDeleteMask;
    QAction* actRunTWSUtil;
    QAction* actApplyVolumeFilter;
    QAction* actAbout;

    // The menus' enabling, as each menu decides it when it opens.
    void miFileClick();
    void miEditClick();
    void miToolsClick();

    void actReloadExecute();
    void actSaveExecute();
    void actExitExecute();
    void actAddMaskExecute();
    void actEditMaskExecute();
    void actDeleteMaskExecute();
    void actRunTWSUtilExecute();
    void actApplyVolumeFilterExecute();
    // What the program is and does, naming the product.
    void actAboutExecute();
    void cboxHideFilteredClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool FormCloseQuery();
    void SetModified(bool modified);
    ITidewashConfig* CreateConfiguration();
    void ReleaseConfiguration();
    QWidget* AddMaskTab(const AnsiString& mask);
    void DeleteMaskTab(int tab);
    // Refuses (with a message) an empty or repeated mask and one matching
    // every name; asks before taking one that matches source files.
    bool ValidMask(const AnsiString& mask, int editedTab);
    // The menu's items: the fixed volumes, then the excluded volumes that
    // are not attached; each item's data is the root it stands for.
    void RebuildExcludedVolumesMenu(const AnsiString& commaText);
    // The root the volume filter selects, or empty for "None".
    AnsiString VolumeFilterRoot() const;
    bool SaveConfiguration();
    void ReportServerError(const AnsiString& what, const AnsiString& file, const AnsiString& caption);
    void ShowSettingsFile();
    // Without the configuration server: no form, a notice with what to do,
    // every action but Exit disabled.
    void ShowServerMissing();
    AnsiString WizardPath() const;

    bool FModified = false;
    ITidewashConfig* FTidewashConfig = nullptr;
    tws::TSettingsPlace FSettings;
    AnsiString FConfigSource;  // the file the settings were last read from
    std::map<AnsiString, TfrmExcludedFolders*> FMaskEditors;
    std::deque<AnsiString> FVolumeNames;
    std::deque<AnsiString> FVolumeRoots;
    AnsiString FProgramFolder;
    // The settings file could not be read: what is shown is not what the
    // file holds, so saving would replace the file with defaults.
    bool FLoadFailed = false;
    AnsiString FServerError;  // why the configuration server could not be created
};

}  // namespace twsconfigurator
