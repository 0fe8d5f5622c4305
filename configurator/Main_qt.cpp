// The main window: building the components, loading from and saving to the
// configuration server, the mask tabs and the menus.
#include "Main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QVBoxLayout>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include <oleauto.h>
#include <stringapiset.h>

#include "Configuratorresources.h"
#include "Excludedfoldersform.h"
#include "Maskrules.h"
#include "SysUtils.hpp"
#include "Tidewash_tlb.h"
#include "Twshelpers.h"
#include "Userdialogs.h"
#include "Programinfo.h"
#include "Zelcomutils.h"
#include "Zellaunchapp.h"

namespace twsconfigurator {

namespace {

std::vector<TVolume> ListedVolumes(const TConfiguratorSetup& setup)
{
    TStringList volumes;
    if (setup.ListVolumes)
        setup.ListVolumes(&volumes);
    std::vector<TVolume> listed;
    for (int i = 0; i < volumes.Count(); ++i)
        listed.push_back({volumes.Names(i), volumes.ValueFromIndex(i)});
    return listed;
}

}  // namespace

TConfiguratorSetup TConfiguratorSetup::Installed()
{
    TConfiguratorSetup setup;
    setup.Settings = tws::LocateSettings(zelcom::DLLPathByGUID(CLSID_TidewashCtrl));
    setup.ProgramFolder = IncludeTrailingPathDelimiter(QCoreApplication::applicationDirPath().toStdString());
    setup.ListVolumes = ListFixedVolumes;
    return setup;
}

TfrmMain::TfrmMain(TConfiguratorSetup setup, QWidget* parent)
    : QMainWindow(parent), FSession(setup.Settings, ListedVolumes(setup)), FProgramFolder(setup.ProgramFolder)
{
    setObjectName("frmMain");
    setWindowTitle("TWS Configurator");
    resize(600, 420);
    // The application's icon: the boxes and dialogs show it as well.
    const QIcon icon = ConfiguratorResources().Icon("TIDEWASH1");
    if (!icon.isNull())
        QApplication::setWindowIcon(icon);

    // ---- components ----
    pcMain = new QTabWidget(this);
    pcMain->setDocumentMode(true);
    tsMasksAndExclFolders = new QWidget(pcMain);
    pcMain->addTab(tsMasksAndExclFolders, "Masks / Excluded Folders");
    setCentralWidget(pcMain);

    Label2 = new QLabel("Add  a new File Mask using the Edit menu.", tsMasksAndExclFolders);
    Label2->setAlignment(Qt::AlignCenter);
    pnlMasks = new QWidget(tsMasksAndExclFolders);
    pcFileMasks = new QTabWidget(pnlMasks);
    pcFileMasks->setObjectName("pcFileMasks");
    auto* masksLayout = new QVBoxLayout(pnlMasks);
    masksLayout->setContentsMargins(0, 0, 0, 0);
    masksLayout->addWidget(pcFileMasks);
    pnlMasks->hide();
    pcFileMasks->installEventFilter(this);
    pcFileMasks->tabBar()->installEventFilter(this);

    Label3 = new QLabel("Volume Filter:", tsMasksAndExclFolders);
    cboxVolumeFilter = new QComboBox(tsMasksAndExclFolders);
    cboxVolumeFilter->addItem("None");
    cboxHideFiltered = new QCheckBox("Hide Filtered", tsMasksAndExclFolders);
    cboxDeleteHiddenFiles = new QCheckBox("Delete hidden files", tsMasksAndExclFolders);
    cboxDeleteReadOnlyFiles = new QCheckBox("Delete read-only files", tsMasksAndExclFolders);
    cboxUseRecycleBin = new QCheckBox("Use Recycle Bin", tsMasksAndExclFolders);

    // The hint shows exactly while the mask panel is hidden.
    auto* stack = new QVBoxLayout;
    stack->addWidget(Label2, 1);
    stack->addWidget(pnlMasks, 1);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(Label3);
    filterRow->addWidget(cboxVolumeFilter, 1);
    filterRow->addWidget(cboxHideFiltered);
    auto* optionsRow = new QHBoxLayout;
    optionsRow->addWidget(cboxDeleteHiddenFiles);
    optionsRow->addWidget(cboxDeleteReadOnlyFiles);
    optionsRow->addWidget(cboxUseRecycleBin);
    optionsRow->addStretch(1);
    auto* sheet = new QVBoxLayout(tsMasksAndExclFolders);
    sheet->addLayout(stack, 1);
    sheet->addLayout(filterRow);
    sheet->addLayout(optionsRow);

    sbarMain = statusBar();
    sbarPanel0 = new QLabel(sbarMain);
    sbarPanel0->setFixedWidth(150);
    sbarPanel1 = new QLabel(sbarMain);
    sbarPanel1->setFixedWidth(50);
    sbarMain->addWidget(sbarPanel0);
    sbarMain->addWidget(sbarPanel1);
    sbarSettingsFile = new QLabel(sbarMain);
    sbarSettingsFile->setObjectName("sbarSettingsFile");
    sbarMain->addWidget(sbarSettingsFile, 1);

    // ---- actions and menus ----
    actReload = new QAction("Reload", this);
    actReload->setShortcut(QKeySequence("Ctrl+R"));
    actSave = new QAction("Save", this);
    actSave->setShortcut(QKeySequence("Ctrl+S"));
    actExit = new QAction("E&xit", this);
    actAddMask = new QAction("Add", this);
    actEditMask = new QAction("Edit", this);
    actDeleteMask = new QAction("Delete", this);
    actRunTWSUtil = new QAction("Run TWS Utility...", this);
    actRunTWSUtil->setShortcut(QKeySequence("Ctrl+U"));
    actApplyVolumeFilter = new QAction(this);
    actAbout = new QAction("About TWS Configurator...", this);

    miFile = menuBar()->addMenu("&File");
    miFile->addAction(actReload);
    miFile->addAction(actSave);
    miFile->addSeparator();
    miFile->addAction(actExit);
    miEdit = menuBar()->addMenu("&Edit");
    miMask = miEdit->addMenu("Mask");
    miMask->addAction(actAddMask);
    miMask->addAction(actEditMask);
    miMask->addAction(actDeleteMask);
    miExcludedVolumes = miEdit->addMenu("Excluded Volumes");
    miTools = menuBar()->addMenu("&Tools");
    miTools->addAction(actRunTWSUtil);
    miHelp = menuBar()->addMenu("&Help");
    miHelp->addAction(actAbout);
    // Shortcuts work while the menus are closed too.
    addActions({actReload, actSave, actRunTWSUtil});

    connect(miFile, &QMenu::aboutToShow, this, &TfrmMain::miFileClick);
    connect(miEdit, &QMenu::aboutToShow, this, &TfrmMain::miEditClick);
    connect(miTools, &QMenu::aboutToShow, this, &TfrmMain::miToolsClick);
    connect(actReload, &QAction::triggered, this, &TfrmMain::actReloadExecute);
    connect(actSave, &QAction::triggered, this, &TfrmMain::actSaveExecute);
    connect(actExit, &QAction::triggered, this, &TfrmMain::actExitExecute);
    connect(actAddMask, &QAction::triggered, this, &TfrmMain::actAddMaskExecute);
    connect(actEditMask, &QAction::triggered, this, &TfrmMain::actEditMaskExecute);
    connect(actDeleteMask, &QAction::triggered, this, &TfrmMain::actDeleteMaskExecute);
    connect(actRunTWSUtil, &QAction::triggered, this, &TfrmMain::actRunTWSUtilExecute);
    connect(actApplyVolumeFilter, &QAction::triggered, this, &TfrmMain::actApplyVolumeFilterExecute);
    connect(actAbout, &QAction::triggered, this, &TfrmMain::actAboutExecute);
    connect(cboxVolumeFilter, &QComboBox::currentIndexChanged, this, &TfrmMain::actApplyVolumeFilterExecute);
    connect(cboxHideFiltered, &QCheckBox::clicked, this, &TfrmMain::cboxHideFilteredClick);
    for (QCheckBox* option : {cboxDeleteHiddenFiles, cboxDeleteReadOnlyFiles, cboxUseRecycleBin})
        connect(option, &QCheckBox::clicked, this, [this] {
            FSession.Model().SetOptions({cboxDeleteHiddenFiles->isChecked(), cboxDeleteReadOnlyFiles->isChecked(),
                                         cboxUseRecycleBin->isChecked()});
            ShowModified();
        });

    // ---- the volumes and the configuration ----
    for (const TVolume& volume : FSession.Model().Volumes())
        cboxVolumeFilter->addItem(QString::fromStdString(volume.Name));
    cboxVolumeFilter->setCurrentIndex(0);
    ShowModified();

    if (FSession.HasServer())
        actReloadExecute();
    else
        ShowServerMissing();
}

void TfrmMain::ShowServerMissing()
{
    const AnsiString handlerFolder = zelcom::DLLPathByGUID(CLSID_TidewashCtrl);
    const AnsiString module = (handlerFolder.empty() ? FProgramFolder : handlerFolder) + "TWSConfig.so";
    lblNoServer = new QLabel(QString::fromStdString(FSession.ServerMissingText("twsregsvr " + module)));
    lblNoServer->setObjectName("lblNoServer");
    lblNoServer->setWordWrap(true);
    lblNoServer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblNoServer->setMargin(16);
    pcMain->removeTab(pcMain->indexOf(tsMasksAndExclFolders));
    pcMain->addTab(lblNoServer, "Settings Unavailable");
    for (QAction* action : findChildren<QAction*>())
        if (action != actExit)
            action->setEnabled(false);
    for (QCheckBox* box : {cboxDeleteHiddenFiles, cboxDeleteReadOnlyFiles, cboxUseRecycleBin})
        box->setEnabled(false);
}

TfrmMain::~TfrmMain() = default;

TfrmExcludedFolders* TfrmMain::EditorOf(const AnsiString& mask) const
{
    const int index = FSession.Model().IndexOfMask(mask);
    return index < 0 ? nullptr : EditorAt(index);
}

TfrmExcludedFolders* TfrmMain::EditorAt(int tab) const
{
    QWidget* page = pcFileMasks->widget(tab);
    return page == nullptr ? nullptr : page->findChild<TfrmExcludedFolders*>();
}

void TfrmMain::ShowModified()
{
    const bool modified = Modified();
    sbarPanel0->setText(modified ? " Modified" : "");
    actSave->setEnabled(modified);
}

void TfrmMain::ShowNotice(const TNotice& notice)
{
    UserDialogs().MessageBox(this, notice.Text, notice.Caption, TBoxIcon::Error, TBoxButtons::Ok, TBoxAnswer::Ok);
}

// ---- loading ----

void TfrmMain::actReloadExecute()
{
    if (!FSession.HasServer())
        return;
    RemoveMaskTabs();
    TNotice notice;
    const bool loaded = FSession.Reload(notice);
    ShowSettingsFile();
    if (!loaded) {
        ShowNotice(notice);
        ShowModified();
        return;
    }
    ShowModel();
    pcMain->setCurrentWidget(tsMasksAndExclFolders);
    actApplyVolumeFilterExecute();
    ShowModified();
}

void TfrmMain::ShowModel()
{
    const TConfiguratorModel& model = FSession.Model();
    for (int i = 0; i < model.MaskCount(); ++i)
        AddMaskTab(i);
    cboxDeleteHiddenFiles->setChecked(model.Options().DeleteHiddenFiles);
    cboxDeleteReadOnlyFiles->setChecked(model.Options().DeleteReadOnlyFiles);
    cboxUseRecycleBin->setChecked(model.Options().UseRecycleBin);
    RebuildExcludedVolumesMenu();
}

void TfrmMain::RebuildExcludedVolumesMenu()
{
    miExcludedVolumes->clear();
    const std::vector<TVolumeChoice>& choices = FSession.Model().VolumeChoices();
    for (std::size_t i = 0; i < choices.size(); ++i) {
        QAction* item = miExcludedVolumes->addAction(QString::fromStdString(choices[i].Caption));
        item->setCheckable(true);
        item->setChecked(choices[i].Excluded);
        connect(item, &QAction::triggered, this, [this, i](bool checked) {
            FSession.Model().SetVolumeExcluded(static_cast<int>(i), checked);
            ShowModified();
        });
    }
}

// ---- mask tabs ----

QWidget* TfrmMain::AddMaskTab(int index)
{
    auto* page = new QWidget;
    auto* editor = new TfrmExcludedFolders(FSession.Model().FoldersOf(index), page);
    editor->setObjectName("");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(editor);
    pcFileMasks->addTab(page, QString::fromStdString(FSession.Model().Mask(index)));
    editor->Refresh();
    editor->OnModified = [this](TfrmExcludedFolders*) { ShowModified(); };
    if (pnlMasks->isHidden() && pcFileMasks->count() > 0) {
        pnlMasks->show();
        Label2->hide();
    }
    return page;
}

void TfrmMain::RemoveMaskTabs()
{
    while (pcFileMasks->count() > 0) {
        QWidget* page = pcFileMasks->widget(0);
        pcFileMasks->removeTab(0);
        delete page;
    }
    pnlMasks->hide();
    Label2->show();
}

bool TfrmMain::ValidMask(const AnsiString& mask, int editedTab)
{
    const TMaskCheck check = FSession.Model().CheckMask(mask, editedTab);
    switch (check.Verdict) {
    case TMaskVerdict::Refuse:
        UserDialogs().MessageBox(this, check.Message, check.Caption, TBoxIcon::Error, TBoxButtons::Ok,
                                 TBoxAnswer::Ok);
        return false;
    case TMaskVerdict::Ask:
        return UserDialogs().MessageBox(this, check.Message, check.Caption, TBoxIcon::Warning, TBoxButtons::YesNo,
                                        TBoxAnswer::No) == TBoxAnswer::Yes;
    default:
        return true;
    }
}

void TfrmMain::actAddMaskExecute()
{
    AnsiString mask;
    if (!UserDialogs().InputQuery(this, "Add File Mask", "File Mask: ", mask) || !ValidMask(mask, -1))
        return;
    pcFileMasks->setCurrentWidget(AddMaskTab(FSession.Model().AddMask(mask)));
    ShowModified();
}

void TfrmMain::actEditMaskExecute()
{
    const int tab = pcFileMasks->currentIndex();
    if (tab < 0)
        return;
    AnsiString mask = FSession.Model().Mask(tab);
    if (!UserDialogs().InputQuery(this, "Edit File Mask", "File Mask: ", mask) || !ValidMask(mask, tab))
        return;
    FSession.Model().RenameMask(tab, mask);
    pcFileMasks->setTabText(tab, QString::fromStdString(mask));
    ShowModified();
}

void TfrmMain::actDeleteMaskExecute()
{
    const int tab = pcFileMasks->currentIndex();
    if (tab < 0)
        return;
    const AnsiString mask = FSession.Model().Mask(tab);
    if (UserDialogs().MessageBox(this, "Are you sure you want to\ndelete the file mask ?\n\n    " + mask,
                                 "Confirm", TBoxIcon::Question, TBoxButtons::YesNo,
                                 TBoxAnswer::Yes) != TBoxAnswer::Yes)
        return;
    // The tab's editor goes before the folder set it shows.
    QWidget* page = pcFileMasks->widget(tab);
    pcFileMasks->removeTab(tab);
    delete page;
    FSession.Model().DeleteMask(tab);
    if (pcFileMasks->count() == 0) {
        pnlMasks->hide();
        Label2->show();
    } else {
        pcFileMasks->setCurrentIndex(tab > 0 ? tab - 1 : 0);
    }
    ShowModified();
}

// ---- menus ----

void TfrmMain::miFileClick() { actSave->setEnabled(Modified()); }

void TfrmMain::miEditClick()
{
    const bool onMasks = pcMain->currentWidget() == tsMasksAndExclFolders;
    miMask->setEnabled(onMasks);
    actAddMask->setEnabled(onMasks);
    actEditMask->setEnabled(onMasks && pcFileMasks->count() > 0);
    actDeleteMask->setEnabled(onMasks && pcFileMasks->count() > 0);
}

AnsiString TfrmMain::WizardPath() const { return FProgramFolder + kWizardProgram; }

void TfrmMain::miToolsClick()
{
    std::error_code error;
    actRunTWSUtil->setEnabled(std::filesystem::is_regular_file(WizardPath(), error));
}

void TfrmMain::actRunTWSUtilExecute()
{
    try {
        // Started in its own folder, named relative to it: the folder's
        // path may hold blanks, and a bare name would be looked up in PATH.
        const AnsiString commandLine = AnsiString("./") + kWizardProgram;
        if (!zelutils::LaunchApplication(FProgramFolder, commandLine, "", zelutils::TLaunchWait::NoWait, nullptr,
                                         nullptr))
            UserDialogs().MessageBox(this, "Unable to start " + WizardPath(), "TWS Configurator", TBoxIcon::Error,
                                     TBoxButtons::Ok, TBoxAnswer::Ok);
    } catch (const std::exception& error) {
        ShowException(this, error);
    }
}

void TfrmMain::actAboutExecute()
{
    UserDialogs().MessageBox(this, AboutText(TProgram::Configurator), "About TWS Configurator", TBoxIcon::Information,
                             TBoxButtons::Ok, TBoxAnswer::Ok);
}

void TfrmMain::actApplyVolumeFilterExecute()
{
    FSession.Model().SetVolumeFilter(cboxVolumeFilter->currentIndex());
    for (int tab = 0; tab < pcFileMasks->count(); ++tab)
        if (TfrmExcludedFolders* editor = EditorAt(tab))
            editor->Refresh();
}

void TfrmMain::cboxHideFilteredClick()
{
    FSession.Model().SetHideFiltered(cboxHideFiltered->isChecked() ? THideFiltered::Hide : THideFiltered::Grey);
    for (int tab = 0; tab < pcFileMasks->count(); ++tab)
        if (TfrmExcludedFolders* editor = EditorAt(tab))
            editor->Refresh();
}

// ---- saving ----

void TfrmMain::actSaveExecute() { SaveConfiguration(); }

bool TfrmMain::SaveConfiguration()
{
    TNotice notice;
    if (!FSession.Save(notice)) {
        ShowNotice(notice);
        return false;
    }
    ShowSettingsFile();
    ShowModified();
    return true;
}

void TfrmMain::ShowSettingsFile()
{
    sbarSettingsFile->setText(QString::fromLocal8Bit(FSession.SettingsFileText().c_str()));
}

// ---- window ----

void TfrmMain::actExitExecute() { close(); }

bool TfrmMain::FormCloseQuery()
{
    if (!Modified())
        return true;
    switch (UserDialogs().MessageBox(this, "Do you want to save the changes ?", "Configuration Modified",
                                     TBoxIcon::Question, TBoxButtons::YesNoCancel, TBoxAnswer::Cancel)) {
    case TBoxAnswer::Yes:
        // A save that failed keeps the window, so the changes are not lost.
        return SaveConfiguration();
    case TBoxAnswer::No:
        return true;
    default:
        return false;
    }
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FSession.Release();
    event->accept();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    // Only the mask tabs' own focus deletes a mask: a Delete released in a
    // tab's folder list or on its buttons reaches the tabs too, passed up
    // by the child that had the focus.
    if (event->type() == QEvent::KeyRelease && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
        (watched == pcFileMasks || watched == pcFileMasks->tabBar()) && watched == focusWidget()) {
        actDeleteMaskExecute();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    // The editors fill their tabs through the tabs' layouts.
    QMainWindow::showEvent(event);
}

}  // namespace twsconfigurator
