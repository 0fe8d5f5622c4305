// TfrmMain: the configurator's Qt window, a view over TConfiguratorSession.
// The file masks, each with its excluded folders on a tab of its own, the
// volumes excluded from scanning and the deletion options, all read and
// written through the configuration server TWSConfig; and the start of the
// scan-and-purge wizard.
#pragma once

#include <functional>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTabWidget>

#include "Classes.hpp"
#include "Configuratorsession.h"
#include "Settingsplace.h"
#include "System.hpp"

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

class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    // COM must be initialised on the thread (a single-threaded apartment).
    explicit TfrmMain(TConfiguratorSetup setup, QWidget* parent = nullptr);
    ~TfrmMain() override;

    bool Modified() const { return FSession.Model().Modified(); }
    bool HasConfiguration() const { return FSession.HasServer(); }
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
    // The status panel and Save as the model's modified flag is.
    void ShowModified();
    // The tabs, options and volumes menu as the model holds them.
    void ShowModel();
    QWidget* AddMaskTab(int index);
    void RemoveMaskTabs();
    // Takes a mask the model accepts; asks the user when the model asks.
    bool ValidMask(const AnsiString& mask, int editedTab);
    // The menu's items: the model's volume choices.
    void RebuildExcludedVolumesMenu();
    bool SaveConfiguration();
    void ShowNotice(const TNotice& notice);
    void ShowSettingsFile();
    // Without the configuration server: no form, a notice with what to do,
    // every action but Exit disabled.
    void ShowServerMissing();
    AnsiString WizardPath() const;

    TConfiguratorSession FSession;
    AnsiString FProgramFolder;
};

}  // namespace twsconfigurator
