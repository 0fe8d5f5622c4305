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

struct TRelease {
    void operator()(IUnknown* p) const
    {
        if (p != nullptr)
            p->Release();
    }
};
template <typename T>
using TIntf = std::unique_ptr<T, TRelease>;

AnsiString Narrow(const char16_t* text)
{
    if (text == nullptr)
        return AnsiString();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    AnsiString out(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

// A mutable copy of a text for the LPSTR parameters.
class TArg {
public:
    explicit TArg(AnsiString text) : FText(std::move(text)) {}
    operator LPSTR() { return FText.data(); }

private:
    AnsiString FText;
};

TIntf<IConfigStrings> NewStrings()
{
    IConfigStrings* list = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ConfigStrings, nullptr, CLSCTX_INPROC_SERVER, IID_IConfigStrings,
                                reinterpret_cast<void**>(&list))))
        return nullptr;
    return TIntf<IConfigStrings>(list);
}

std::vector<AnsiString> Items(IConfigStrings* list)
{
    std::vector<AnsiString> items;
    LONG count = 0;
    if (list == nullptr || FAILED(list->Count(&count)))
        return items;
    for (LONG i = 0; i < count; ++i) {
        BSTR item = nullptr;
        if (SUCCEEDED(list->GetItem(i, &item)))
            items.push_back(Narrow(item));
        SysFreeString(item);
    }
    return items;
}

// The description of the thread's COM error information, taking it.
AnsiString TakeErrorDescription()
{
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || info == nullptr)
        return AnsiString();
    BSTR text = nullptr;
    AnsiString description;
    if (SUCCEEDED(info->GetDescription(&text)))
        description = Narrow(text);
    SysFreeString(text);
    info->Release();
    return description;
}

VARIANT_BOOL ToVariantBool(const QCheckBox* box) { return box->isChecked() ? VARIANT_TRUE : VARIANT_FALSE; }

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
    : QMainWindow(parent), FSettings(setup.Settings), FProgramFolder(setup.ProgramFolder)
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
        connect(option, &QCheckBox::clicked, this, [this] { SetModified(true); });

    // ---- the volumes and the configuration ----
    TStringList volumes;
    if (setup.ListVolumes)
        setup.ListVolumes(&volumes);
    for (int i = 0; i < volumes.Count(); ++i) {
        const AnsiString name = volumes.Names(i);
        cboxVolumeFilter->addItem(QString::fromStdString(name));
        FVolumeNames.push_back(name);
        FVolumeRoots.push_back(volumes.ValueFromIndex(i));
    }
    cboxVolumeFilter->setCurrentIndex(0);
    SetModified(false);

    FTidewashConfig = CreateConfiguration();
    if (FTidewashConfig != nullptr)
        actReloadExecute();
    else
        ShowServerMissing();
}

void TfrmMain::ShowServerMissing()
{
    // A form over no server would show blank settings that are not the
    // file's and a Save that does nothing: show none, and say what to do.
    const AnsiString handlerFolder = zelcom::DLLPathByGUID(CLSID_TidewashCtrl);
    const AnsiString module = (handlerFolder.empty() ? FProgramFolder : handlerFolder) + "TWSConfig.so";
    lblNoServer = new QLabel(QString::fromStdString(
        "The settings cannot be shown or changed: the configuration server TWSConfig could not be created (" +
        FServerError + ").\n\nRegister it where the cleanup handler is registered, for example:\n    twsregsvr " +
        module + "\nthen open the settings again. Nothing was changed; TWS.cfg is left as it is."));
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

TfrmMain::~TfrmMain() { ReleaseConfiguration(); }

TfrmExcludedFolders* TfrmMain::EditorOf(const AnsiString& mask) const
{
    const auto it = FMaskEditors.find(mask);
    return it == FMaskEditors.end() ? nullptr : it->second;
}

TfrmExcludedFolders* TfrmMain::EditorAt(int tab) const
{
    QWidget* page = pcFileMasks->widget(tab);
    return page == nullptr ? nullptr : page->findChild<TfrmExcludedFolders*>();
}

ITidewashConfig* TfrmMain::CreateConfiguration()
{
    ITidewashConfig* config = nullptr;
    const HRESULT hr =
        zelcom::CreateServerObject(CLSID_TidewashConfig, IID_ITidewashConfig, reinterpret_cast<void**>(&config));
    if (FAILED(hr) || config == nullptr) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
        FServerError = hr == REGDB_E_CLASSNOTREG ? AnsiString("it is not registered") : AnsiString("error ") + code;
        return nullptr;
    }
    if (FAILED(config->Initialize())) {
        config->Release();
        FServerError = "it could not initialise its settings";
        return nullptr;
    }
    return config;
}

void TfrmMain::ReleaseConfiguration()
{
    if (FTidewashConfig != nullptr)
        FTidewashConfig->Release();
    FTidewashConfig = nullptr;
}

void TfrmMain::SetModified(bool modified)
{
    FModified = modified;
    sbarPanel0->setText(modified ? " Modified" : "");
    actSave->setEnabled(modified);
}

void TfrmMain::ReportServerError(const AnsiString& what, const AnsiString& file, const AnsiString& caption)
{
    const AnsiString reason = TakeErrorDescription();
    UserDialogs().MessageBox(this, what + "\n" + file + (reason.empty() ? "" : "\n\n" + reason), caption,
                             TBoxIcon::Error, TBoxButtons::Ok, TBoxAnswer::Ok);
}

// ---- loading ----

void TfrmMain::actReloadExecute()
{
    if (FTidewashConfig == nullptr)
        return;
    while (pcFileMasks->count() > 0)
        DeleteMaskTab(0);

    // Until the user saves settings of their own, a shared installation's
    // are read (tws::SettingsSource).
    FConfigSource = tws::SettingsSource(FSettings);
    ShowSettingsFile();
    const HRESULT loaded = FTidewashConfig->Load(TArg(FConfigSource));
    FLoadFailed = FAILED(loaded);
    if (FLoadFailed) {
        // What the object holds now is not the file: show nothing of it.
        ReportServerError("The settings file cannot be read; it is left as it is:", FConfigSource,
                          "Settings Not Loaded");
        SetModified(false);
        return;
    }

    IConfigStrings* masks = nullptr;
    if (SUCCEEDED(FTidewashConfig->GetActiveMasks(&masks))) {
        TIntf<IConfigStrings> held(masks);
        for (const AnsiString& mask : Items(masks))
            AddMaskTab(mask);
    }
    VARIANT_BOOL flag = VARIANT_FALSE;
    if (SUCCEEDED(FTidewashConfig->GetDeleteHiddenFiles(&flag)))
        cboxDeleteHiddenFiles->setChecked(flag == VARIANT_TRUE);
    if (SUCCEEDED(FTidewashConfig->GetDeleteReadOnlyFiles(&flag)))
        cboxDeleteReadOnlyFiles->setChecked(flag == VARIANT_TRUE);
    if (SUCCEEDED(FTidewashConfig->GetUseRecycleBin(&flag)))
        cboxUseRecycleBin->setChecked(flag == VARIANT_TRUE);

    IConfigStrings* volumes = nullptr;
    if (SUCCEEDED(FTidewashConfig->GetExcludedVolumes(&volumes))) {
        TIntf<IConfigStrings> held(volumes);
        BSTR text = nullptr;
        if (SUCCEEDED(volumes->GetAsCommaText(&text)))
            RebuildExcludedVolumesMenu(Narrow(text));
        SysFreeString(text);
    }

    pcMain->setCurrentWidget(tsMasksAndExclFolders);
    actApplyVolumeFilterExecute();
    SetModified(false);
}

void TfrmMain::RebuildExcludedVolumesMenu(const AnsiString& commaText)
{
    TStringList excluded;
    excluded.SetCommaText(commaText);
    miExcludedVolumes->clear();
    const auto addItem = [this](const AnsiString& caption, const AnsiString& root, bool checked) {
        QAction* item = miExcludedVolumes->addAction(QString::fromStdString(caption));
        item->setCheckable(true);
        item->setChecked(checked);
        // Saving writes the roots of the checked items, whatever they show.
        item->setData(QString::fromStdString(root));
        connect(item, &QAction::triggered, this, [this] { SetModified(true); });
    };
    TStringList listed;
    for (std::size_t i = 0; i < FVolumeNames.size(); ++i) {
        addItem(FVolumeNames[i], FVolumeRoots[i], excluded.IndexOf(FVolumeRoots[i]) >= 0);
        listed.Add(FVolumeRoots[i]);
    }
    // A volume excluded while it was attached stays excluded while it is
    // not: it keeps an item of its own, so that a save writes it back and
    // the user can still remove it.
    for (int i = 0; i < excluded.Count(); ++i)
        if (!excluded[i].empty() && listed.IndexOf(excluded[i]) < 0)
            addItem(excluded[i] + kNotAttached, excluded[i], true);
}

// ---- mask tabs ----

QWidget* TfrmMain::AddMaskTab(const AnsiString& mask)
{
    auto* page = new QWidget;
    auto* editor = new TfrmExcludedFolders(page);
    editor->setObjectName("");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(editor);
    pcFileMasks->addTab(page, QString::fromStdString(mask));
    editor->SetVolumeRoots(FVolumeRoots);
    // A new tab shows its folders as the other tabs show theirs.
    editor->SetVolumeFilter(VolumeFilterRoot());
    editor->SetHideFiltered(cboxHideFiltered->isChecked());
    editor->OnModified = [this](TfrmExcludedFolders*) { SetModified(true); };
    FMaskEditors[mask] = editor;

    bool filled = false;
    if (FTidewashConfig != nullptr) {
        IConfigStrings* alone = nullptr;
        IConfigStrings* withSub = nullptr;
        if (SUCCEEDED(FTidewashConfig->GetExcludedFolders(TArg(mask), &alone, &withSub))) {
            TIntf<IConfigStrings> heldAlone(alone), heldWithSub(withSub);
            for (const AnsiString& folder : Items(withSub))
                editor->AddFolder(folder, true);
            for (const AnsiString& folder : Items(alone))
                editor->AddFolder(folder, false);
            filled = true;
        }
    }
    if (pnlMasks->isHidden() && pcFileMasks->count() > 0) {
        pnlMasks->show();
        Label2->hide();
    }
    return filled ? page : nullptr;
}

void TfrmMain::DeleteMaskTab(int tab)
{
    const AnsiString mask = pcFileMasks->tabText(tab).toStdString();
    FMaskEditors.erase(mask);
    QWidget* page = pcFileMasks->widget(tab);
    pcFileMasks->removeTab(tab);
    delete page;
    if (pcFileMasks->count() == 0) {
        pnlMasks->hide();
        Label2->show();
    }
}

bool TfrmMain::ValidMask(const AnsiString& mask, int editedTab)
{
    AnsiString refusal;
    if (mask.empty()) {
        refusal = "Cannot have an empty mask";
    } else {
        for (int tab = 0; tab < pcFileMasks->count(); ++tab)
            if (tab != editedTab && SameText(pcFileMasks->tabText(tab).toStdString(), mask))
                refusal = "The entered mask already exists";
    }
    if (refusal.empty())
        refusal = tws::MaskRefusal(mask);
    if (!refusal.empty()) {
        UserDialogs().MessageBox(this, refusal, "Invalid Mask", TBoxIcon::Error, TBoxButtons::Ok, TBoxAnswer::Ok);
        return false;
    }
    // Only the user knows whether such files are temporary where they work.
    const AnsiString sources = tws::SourceExtensionsMatched(mask);
    if (sources.empty())
        return true;
    return UserDialogs().MessageBox(this,
                                    "The mask \"" + mask + "\" matches source or project files (" + sources +
                                        "): every scan would offer them for removal.\n\nUse this mask anyway?",
                                    "Mask Matches Source Files", TBoxIcon::Warning, TBoxButtons::YesNo,
                                    TBoxAnswer::No) == TBoxAnswer::Yes;
}

void TfrmMain::actAddMaskExecute()
{
    AnsiString mask;
    if (!UserDialogs().InputQuery(this, "Add File Mask", "File Mask: ", mask) || !ValidMask(mask, -1))
        return;
    if (QWidget* page = AddMaskTab(mask)) {
        pcFileMasks->setCurrentWidget(page);
        SetModified(true);
    } else {
        UserDialogs().MessageBox(this, "Unable to create new mask tab", "Unexpected Error", TBoxIcon::Error,
                                 TBoxButtons::Ok, TBoxAnswer::Ok);
    }
}

void TfrmMain::actEditMaskExecute()
{
    const int tab = pcFileMasks->currentIndex();
    if (tab < 0)
        return;
    const AnsiString old = pcFileMasks->tabText(tab).toStdString();
    AnsiString mask = old;
    if (!UserDialogs().InputQuery(this, "Edit File Mask", "File Mask: ", mask) || !ValidMask(mask, tab))
        return;
    TfrmExcludedFolders* editor = EditorAt(tab);
    FMaskEditors.erase(old);
    FMaskEditors[mask] = editor;
    pcFileMasks->setTabText(tab, QString::fromStdString(mask));
    SetModified(true);
}

void TfrmMain::actDeleteMaskExecute()
{
    const int tab = pcFileMasks->currentIndex();
    if (tab < 0)
        return;
    const AnsiString mask = pcFileMasks->tabText(tab).toStdString();
    if (UserDialogs().MessageBox(this, "Are you sure you want to\ndelete the file mask ?\n\n    " + mask,
                                 "Confirm", TBoxIcon::Question, TBoxButtons::YesNo,
                                 TBoxAnswer::Yes) != TBoxAnswer::Yes)
        return;
    try {
        DeleteMaskTab(tab);
        if (pcFileMasks->count() > 0)
            pcFileMasks->setCurrentIndex(tab > 0 ? tab - 1 : 0);
        SetModified(true);
    } catch (const std::exception& error) {
        ShowException(this, error);
    }
}

// ---- menus ----

void TfrmMain::miFileClick() { actSave->setEnabled(FModified); }

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

AnsiString TfrmMain::VolumeFilterRoot() const
{
    const int selected = cboxVolumeFilter->currentIndex();
    return selected > 0 && selected <= static_cast<int>(FVolumeRoots.size())
               ? FVolumeRoots[static_cast<std::size_t>(selected - 1)]
               : AnsiString();
}

void TfrmMain::actAboutExecute()
{
    UserDialogs().MessageBox(this, AboutText(TProgram::Configurator), "About TWS Configurator", TBoxIcon::Information,
                             TBoxButtons::Ok, TBoxAnswer::Ok);
}

void TfrmMain::actApplyVolumeFilterExecute()
{
    const AnsiString root = VolumeFilterRoot();
    for (int tab = 0; tab < pcFileMasks->count(); ++tab)
        if (TfrmExcludedFolders* editor = EditorAt(tab))
            editor->SetVolumeFilter(root);
}

void TfrmMain::cboxHideFilteredClick()
{
    for (int tab = 0; tab < pcFileMasks->count(); ++tab)
        if (TfrmExcludedFolders* editor = EditorAt(tab))
            editor->SetHideFiltered(cboxHideFiltered->isChecked());
}

// ---- saving ----

void TfrmMain::actSaveExecute() { SaveConfiguration(); }

bool TfrmMain::SaveConfiguration()
{
    if (FLoadFailed) {
        UserDialogs().MessageBox(this,
                                 "The settings file could not be read, so it is not replaced:\n" +
                                     FConfigSource + "\n\nRepair it or remove it, then reload.",
                                 "Settings Not Saved", TBoxIcon::Error, TBoxButtons::Ok, TBoxAnswer::Ok);
        return false;
    }
    ReleaseConfiguration();
    FTidewashConfig = CreateConfiguration();
    if (FTidewashConfig == nullptr) {
        UserDialogs().MessageBox(this,
                                 "The settings were not saved: the configuration server could not be created (" +
                                     FServerError + ").\n" + FSettings.File + " is left as it is.",
                                 "Settings Not Saved", TBoxIcon::Error, TBoxButtons::Ok, TBoxAnswer::Ok);
        return false;
    }

    TIntf<IConfigStrings> masks = NewStrings();
    if (masks == nullptr)
        return false;
    for (int tab = 0; tab < pcFileMasks->count(); ++tab)
        masks->Add(TArg(pcFileMasks->tabText(tab).toStdString()), nullptr);
    // A mask the server refuses must not leave the file's old masks saved
    // under a "saved" status.
    if (FAILED(FTidewashConfig->SetActiveMasks(masks.get()))) {
        ReportServerError("The settings could not be saved:", FSettings.File, "Settings Not Saved");
        return false;
    }

    TIntf<IConfigStrings> alone = NewStrings(), withSub = NewStrings();
    if (alone == nullptr || withSub == nullptr)
        return false;
    for (int tab = 0; tab < pcFileMasks->count(); ++tab) {
        alone->Clear();
        withSub->Clear();
        if (TfrmExcludedFolders* editor = EditorAt(tab))
            for (const auto& [folder, sub] : editor->GetFolders())
                (sub ? withSub : alone)->Add(TArg(folder), nullptr);
        FTidewashConfig->SetExcludedFolders(TArg(pcFileMasks->tabText(tab).toStdString()), alone.get(),
                                            withSub.get());
    }

    TIntf<IConfigStrings> volumes = NewStrings();
    if (volumes == nullptr)
        return false;
    for (const QAction* item : miExcludedVolumes->actions())
        if (item->isChecked())
            volumes->Add(TArg(item->data().toString().toStdString()), nullptr);
    FTidewashConfig->SetExcludedVolumes(volumes.get());

    FTidewashConfig->SetDeleteHiddenFiles(ToVariantBool(cboxDeleteHiddenFiles));
    FTidewashConfig->SetDeleteReadOnlyFiles(ToVariantBool(cboxDeleteReadOnlyFiles));
    FTidewashConfig->SetUseRecycleBin(ToVariantBool(cboxUseRecycleBin));

    try {
        tws::PrepareSettingsFolder(FSettings);
    } catch (const Exception& e) {
        UserDialogs().MessageBox(this, e.Message(), "Settings Not Saved", TBoxIcon::Error, TBoxButtons::Ok,
                                 TBoxAnswer::Ok);
        return false;
    }
    if (FAILED(FTidewashConfig->Save(TArg(FSettings.File)))) {
        ReportServerError("The settings could not be saved:", FSettings.File, "Settings Not Saved");
        return false;
    }
    FConfigSource = FSettings.File;
    ShowSettingsFile();
    SetModified(false);
    return true;
}

void TfrmMain::ShowSettingsFile()
{
    AnsiString text = "Settings: " + FSettings.File;
    if (FConfigSource != FSettings.File)
        text += " (from " + FConfigSource + " until saved)";
    sbarSettingsFile->setText(QString::fromLocal8Bit(text.c_str()));
}

// ---- window ----

void TfrmMain::actExitExecute() { close(); }

bool TfrmMain::FormCloseQuery()
{
    if (!FModified)
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
    ReleaseConfiguration();
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
