// TfrmMain: the wizard's Qt window, a view over its session and model.
#include "Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <map>

#include <algorithm>
#include <emptyvc.h>
#include <objbase.h>
#include <textconv.h>

#include "Cleanuphandler.h"
#include "Emptycachecallback.h"
#include "Graphics.hpp"
#include "Historyform.h"
#include "Programinfo.h"
#include "Runrecord.h"
#include "Twshelpers.h"
#include "Twsresname.h"
#include "Undo.h"
#include "Wizardmodel.h"
#include "Wizardruns.h"
#include "Wizardsession.h"
#include "Zelcomutils.h"
#include "Zelformat.h"
#include "Zellibutils.h"

namespace {

// The hourglass for the length of a scope.
struct TCursorGuard {
    TCursorGuard() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TCursorGuard() { QGuiApplication::restoreOverrideCursor(); }
    TCursorGuard(const TCursorGuard&) = delete;
    TCursorGuard& operator=(const TCursorGuard&) = delete;
};

QString FromWide(LPCWSTR text) { return text == nullptr ? QString() : QString::fromStdString(twscom::Utf16ToUtf8(text)); }

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QString ByteDisplay(std::uint64_t bytes) { return Text(twswizard::ByteDisplay(bytes)); }

std::unique_ptr<QMessageBox> QuestionBox(const QString& caption, const QString& question)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, caption, question,
                                             QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::Yes);  // Enter answers it
    box->setWindowModality(Qt::ApplicationModal);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    return box;
}

TWizardServices DefaultWizardServices()
{
    TWizardServices s;
    s.ListVolumes = [](TStrings* volumes) { ListFixedVolumes(volumes); };
    s.MessageBox = [](TMessageKind kind, const QString& caption, const QString& text) {
        QMessageBox box(kind == TMessageKind::Warning ? QMessageBox::Warning
                        : kind == TMessageKind::Error ? QMessageBox::Critical
                                                      : QMessageBox::Information,
                        caption, text, QMessageBox::Ok);
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.raise();
        box.activateWindow();
        box.exec();
    };
    s.OpenWithShell = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    s.Ask = [](const QString& caption, const QString& question) {
        const std::unique_ptr<QMessageBox> box = QuestionBox(caption, question);
        box->raise();
        box->activateWindow();
        return box->exec() == QMessageBox::Yes;
    };
    return s;
}

TfrmMain::TfrmMain(TWizardServices services)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      FServices(std::move(services))
{
    CreateComponents();
    LoadResources();
    FComInitialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    if (FComInitialized) {
        CreateHandler();
        FillDrives();
    }
    if (cboxDrives->count() > 0)
        cboxDrives->setCurrentIndex(0);
    actGotoStep1Execute();
    if (FSession == nullptr || !FSession->Available())
        Status(twswizard::kNoHandler);
    // Room for every caption in the platform's font, never less than the
    // classic window.
    const QSize hint = sizeHint().expandedTo(QSize(298, 199));
    setFixedSize(hint);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TfrmMain::~TfrmMain()
{
    FSession.reset();
    if (FComInitialized)
        CoUninitialize();
}

void TfrmMain::CreateComponents()
{
    setObjectName("frmMain");
    setWindowTitle(twswizard::kWizardTitle);

    actCheckSpace = new QAction("Scan...", this);
    actAbort = new QAction("Abort", this);
    actAbort->setEnabled(false);
    actScanAborted = new QAction(this);
    actPurge = new QAction("&Purge", this);
    actGotoStep1 = new QAction("Back", this);
    actGotoStep2 = new QAction(this);
    actGotoStep3 = new QAction(this);
    const std::pair<QAction*, void (TfrmMain::*)()> handlers[] = {
        {actCheckSpace, &TfrmMain::actCheckSpaceExecute}, {actAbort, &TfrmMain::actAbortExecute},
        {actScanAborted, &TfrmMain::actScanAbortedExecute}, {actPurge, &TfrmMain::actPurgeExecute},
        {actGotoStep1, &TfrmMain::actGotoStep1Execute},   {actGotoStep2, &TfrmMain::actGotoStep2Execute},
        {actGotoStep3, &TfrmMain::actGotoStep3Execute}};
    for (const auto& [action, handler] : handlers)
        connect(action, &QAction::triggered, this, handler);

    // A button that shows an action: its caption is the button's own, its
    // enabled state the action's.
    const auto actionButton = [this](const char* name, const QString& caption, QAction* action) {
        auto* button = new QPushButton(caption);
        button->setObjectName(name);
        button->setEnabled(action->isEnabled());
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, button, [button, action] { button->setEnabled(action->isEnabled()); });
        return button;
    };
    const auto plainButton = [this](const char* name, const QString& caption, void (TfrmMain::*handler)()) {
        auto* button = new QPushButton(caption);
        button->setObjectName(name);
        connect(button, &QPushButton::clicked, this, handler);
        return button;
    };
    const auto label = [](const char* name, const QString& text) {
        auto* l = new QLabel(text);
        l->setObjectName(name);
        return l;
    };

    pcMain = new QTabWidget;
    pcMain->setObjectName("pcMain");
    setCentralWidget(pcMain);
    btnAbout = new QToolButton;
    btnAbout->setObjectName("btnAbout");
    btnAbout->setText("?");
    btnAbout->setToolTip("About TWS Utility");
    btnAbout->setAutoRaise(true);
    connect(btnAbout, &QToolButton::clicked, this, &TfrmMain::btnAboutClick);
    pcMain->setCornerWidget(btnAbout, Qt::TopRightCorner);

    tsStep1 = new QWidget;
    tsStep1->setObjectName("tsStep1");
    auto* g1 = new QGridLayout(tsStep1);
    g1->addWidget(new QLabel("Select the drive you want to cleanup:"), 0, 0, 1, 2);
    Image1 = label("Image1", QString());
    Image1->setFixedSize(32, 32);
    g1->addWidget(Image1, 0, 2, 2, 1, Qt::AlignTop | Qt::AlignRight);
    cboxDrives = new QComboBox;
    cboxDrives->setObjectName("cboxDrives");
    cboxDrives->setIconSize(QSize(16, 16));
    g1->addWidget(cboxDrives, 1, 0, 1, 2);
    btnCheckSpace = actionButton("btnCheckSpace", "Scan...", actCheckSpace);
    btnAbortCheckSpace = actionButton("btnAbortCheckSpace", "Abort", actAbort);
    g1->addWidget(btnCheckSpace, 2, 0);
    g1->addWidget(btnAbortCheckSpace, 2, 1);
    lblProgressTitle = label("lblProgressTitle", "Progress:");
    lblScanProgress = label("lblScanProgress", QString());
    g1->addWidget(lblProgressTitle, 3, 0);
    g1->addWidget(lblScanProgress, 3, 1, 1, 2);
    lblScanStatus = label("lblScanStatus", QString());
    lblScanStatus->setWordWrap(true);
    lblScanStatus->hide();
    g1->addWidget(lblScanStatus, 4, 0, 1, 3);
    g1->setRowStretch(5, 1);
    pcMain->addTab(tsStep1, "Step 1");

    tsStep2 = new QWidget;
    tsStep2->setObjectName("tsStep2");
    auto* g2 = new QGridLayout(tsStep2);
    lblSelectedCount = label("lblSelectedCount", "0");
    lblSelectedSize = label("lblSelectedSize", "0");
    lblTotalCount = label("lblTotalCount", "0");
    lblTotalSize = label("lblTotalSize", "0");
    const std::pair<const char*, QLabel*> rows[] = {{"Selected Count:", lblSelectedCount},
                                                    {"Selected Size:", lblSelectedSize},
                                                    {"Total Count:", lblTotalCount},
                                                    {"Total Size:", lblTotalSize}};
    int row = 0;
    for (const auto& [caption, value] : rows) {
        g2->addWidget(new QLabel(caption), row, 0);
        g2->addWidget(value, row++, 1, 1, 2);
    }
    lvMasks = new QTreeWidget;
    lvMasks->setObjectName("lvMasks");
    lvMasks->setHeaderLabels({"Mask", "Files", "Size"});
    lvMasks->setRootIsDecorated(false);
    lvMasks->setSelectionMode(QAbstractItemView::NoSelection);
    lvMasks->setFocusPolicy(Qt::NoFocus);
    lvMasks->setMinimumHeight(5 * lvMasks->fontMetrics().height() + 8);
    // The figures keep their width; the mask takes the rest.
    lvMasks->header()->setStretchLastSection(false);
    lvMasks->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lvMasks->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    lvMasks->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    lvMasks->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    lvMasks->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    g2->addWidget(lvMasks, row++, 0, 1, 3);
    btnBackTo1 = actionButton("btnBackTo1", "Back", actGotoStep1);
    btnReviewScan = plainButton("btnReviewScan", "&Review...", &TfrmMain::btnReviewScanClick);
    btnPurge = actionButton("btnPurge", "&Purge", actPurge);
    g2->setRowStretch(row++, 1);
    g2->addWidget(btnBackTo1, row, 0);
    g2->addWidget(btnReviewScan, row, 1);
    g2->addWidget(btnPurge, row, 2);
    pcMain->addTab(tsStep2, "Step 2");

    tsStep3 = new QWidget;
    tsStep3->setObjectName("tsStep3");
    auto* g3 = new QGridLayout(tsStep3);
    lblPurgeSummary = label("lblPurgeSummary", QString());
    lblPurgeSummary->setWordWrap(true);
    g3->addWidget(lblPurgeSummary, 0, 0, 1, 3);
    btnUndo = plainButton("btnUndo", "Undo", &TfrmMain::btnUndoClick);
    btnUndo->setEnabled(false);
    btnHistory = plainButton("btnHistory", "History...", &TfrmMain::btnHistoryClick);
    g3->addWidget(btnUndo, 1, 0);
    g3->addWidget(btnHistory, 1, 1);
    g3->setRowStretch(2, 1);
    btnScanAgain = actionButton("btnScanAgain", "Scan Again", actGotoStep1);
    btnReviewReport = plainButton("btnReviewReport", "View Report", &TfrmMain::btnReviewReportClick);
    btnClose = plainButton("btnClose", "Close", &TfrmMain::btnCloseClick);
    g3->addWidget(btnScanAgain, 3, 0);
    g3->addWidget(btnReviewReport, 3, 1);
    g3->addWidget(btnClose, 3, 2);
    pcMain->addTab(tsStep3, "Step3");

    sbarMain = new QStatusBar;
    sbarMain->setObjectName("sbarMain");
    sbarMain->setSizeGripEnabled(false);
    setStatusBar(sbarMain);
}

void TfrmMain::LoadResources()
{
    zelutils::TResourceLoader resources;
    if (!resources.LoadLibraryA(zelcom::DLLPathByGUID(CLSID_TidewashCtrl) + TWSRES_FILE_NAME))
        return;  // the default look
    cboxDrives->setProperty("driveGlyph", resources.LoadGlyph("NT_VOLUME"));
    const std::pair<const char*, QPushButton*> glyphs[] = {
        {"ACT_ABORT2", btnAbortCheckSpace}, {"ACT_DRIVE_SRCH2", btnCheckSpace}, {"ACT_DRIVE_SRCH2", btnScanAgain},
        {"ACT_BACK", btnBackTo1},           {"ACT_REVIEW", btnReviewScan},      {"ACT_REVIEW", btnReviewReport},
        {"ACT_PURGE2", btnPurge},           {"ACT_EXIT", btnClose}};
    for (const auto& [name, button] : glyphs)
        if (const QPixmap glyph = resources.LoadGlyph(name); !glyph.isNull())
            button->setIcon(glyph);
    TIcon icon;
    if (resources.LoadIconA("TIDEWASH1", &icon)) {
        Image1->setPixmap(icon.Icon().pixmap(32, 32));
        setWindowIcon(icon.Icon());
        QApplication::setWindowIcon(icon.Icon());
    }
}

void TfrmMain::CreateHandler()
{
    if (!FComInitialized)
        return;
    if (FSession == nullptr)
        FSession = std::make_unique<twswizard::TWizardSession>();
    else
        FSession->Restart();
}

void TfrmMain::FillDrives()
{
    TStringList listed;
    FServices.ListVolumes(&listed);
    std::vector<twswizard::TVolume> volumes;
    for (int i = 0; i < listed.Count(); ++i)
        volumes.push_back({listed.Names(i), listed.ValueFromIndex(i)});
    const QIcon glyph(cboxDrives->property("driveGlyph").value<QPixmap>());
    for (const twswizard::TVolume& volume : FSession->Scannable(volumes)) {
        cboxDrives->addItem(glyph, Text(volume.Name));
        FVolumeRoots.push_back(volume.Root);
    }
}

void TfrmMain::Status(const QString& text)
{
    if (text.isEmpty())
        sbarMain->clearMessage();
    else
        sbarMain->showMessage(text);
}

void TfrmMain::Message(TMessageKind kind, const QString& caption, const QString& text)
{
    if (FServices.MessageBox)
        FServices.MessageBox(kind, caption, text);
}

void TfrmMain::ShowStep(QWidget* step)
{
    for (QWidget* tab : {tsStep1, tsStep2, tsStep3})
        pcMain->setTabVisible(pcMain->indexOf(tab), tab == step);
    pcMain->setCurrentWidget(step);
}

void TfrmMain::actGotoStep1Execute()
{
    if (FBusy)
        return;  // Back and Scan Again are not for the middle of a purge
    lblProgressTitle->hide();
    lblScanProgress->hide();
    lblScanStatus->hide();
    actAbort->setEnabled(false);
    Status(FAbort ? " Process Aborted." : "");
    // An empty list has nothing to scan.
    actCheckSpace->setEnabled(!FVolumeRoots.empty());
    CreateHandler();
    if (FComInitialized && !FSession->Available())
        actCheckSpace->setEnabled(false);
    ShowStep(tsStep1);
}

void TfrmMain::actCheckSpaceExecute()
{
    if (FBusy || FReviewing || FSession == nullptr || !FSession->Available())
        return;
    TCursorGuard cursor;
    const int index = cboxDrives->currentIndex();
    if (index < 0 || index >= static_cast<int>(FVolumeRoots.size()))
        return;
    FBusy = true;
    actCheckSpace->setEnabled(false);
    FAbort = false;
    actAbort->setEnabled(true);
    Status(" Scanning...");
    lblScanProgress->clear();
    lblScanStatus->clear();
    lblProgressTitle->show();
    lblScanProgress->show();
    const twswizard::TScanEnd end = FSession->Scan(
        FVolumeRoots[static_cast<std::size_t>(index)], [this](std::uint64_t used, const std::u16string& status) {
            bool abort = false;
            ScanProgress(used, status, abort);
            return abort;
        });
    FBusy = false;
    btnReviewScan->setText(Text(FSession->ButtonText()));
    switch (end) {
    case twswizard::TScanEnd::Aborted:
        actScanAborted->trigger();
        return;
    case twswizard::TScanEnd::Done:
        actGotoStep2->trigger();
        return;
    case twswizard::TScanEnd::Refused:
        Message(TMessageKind::Warning, twswizard::kScanRefusedCaption, twswizard::kScanRefused);
        break;
    case twswizard::TScanEnd::Failed:
        Message(TMessageKind::Warning, twswizard::kScanFailedCaption,
                Text(twswizard::ScanFailed(FSession->ScanError())));
        break;
    }
    // A refused or failed scan leaves a handler that is not to be scanned
    // again: start over on a fresh one, as Back would.
    actGotoStep1Execute();
}

void TfrmMain::ScanProgress(std::uint64_t spaceUsed, const std::u16string& status, bool& abort)
{
    lblScanProgress->setText(ByteDisplay(spaceUsed));
    // The handler may say how far it is (files and folders counted, the
    // folder it is in); a long folder is cut in its middle.
    if (!status.empty()) {
        const QString text = QString::fromStdU16String(status);
        const int width = std::max(lblScanStatus->width(), pcMain->width() - 24);
        lblScanStatus->setText(lblScanStatus->fontMetrics().elidedText(text, Qt::ElideMiddle, width));
        lblScanStatus->setToolTip(text);
    }
    lblScanStatus->setVisible(!lblScanStatus->text().isEmpty());
    QApplication::processEvents();
    abort = FAbort;
}

void TfrmMain::actAbortExecute()
{
    FAbort = true;
    actAbort->setEnabled(false);
    Status(" Aborting...");
}

void TfrmMain::actScanAbortedExecute() { actGotoStep1Execute(); }

void TfrmMain::actGotoStep2Execute()
{
    Status("");
    UpdateTotals();
    SetStep2Enabled(true);
    ShowStep(tsStep2);
}

void TfrmMain::UpdateTotals()
{
    if (FSession == nullptr || !FSession->Available())
        return;
    const twswizard::TTotals t = FSession->Totals();
    lblSelectedCount->setText(QString::number(t.SelectedCount));
    lblTotalCount->setText(QString::number(t.TotalCount));
    lblSelectedSize->setText(ByteDisplay(static_cast<std::uint64_t>(t.SelectedSize)));
    lblTotalSize->setText(ByteDisplay(static_cast<std::uint64_t>(t.TotalSize)));
    FCanPurge = t.CanPurge();
    actPurge->setEnabled(FCanPurge);
    UpdateMaskLines();
}

void TfrmMain::UpdateMaskLines()
{
    lvMasks->clear();
    if (FSession == nullptr)
        return;
    for (const twswizard::TMaskRow& row : twswizard::MaskRows(*FSession)) {
        auto* item = new QTreeWidgetItem(lvMasks);
        item->setText(0, QString::fromStdString(row.Mask));
        item->setText(1, Text(row.Count));
        item->setText(2, Text(row.Bytes));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
}

void TfrmMain::SetStep2Enabled(bool enabled)
{
    btnBackTo1->setEnabled(enabled);
    btnReviewScan->setEnabled(enabled);
    actPurge->setEnabled(enabled && FCanPurge);
}

void TfrmMain::btnReviewScanClick()
{
    if (FBusy || FReviewing)
        return;
    if (FSession == nullptr || !FSession->Available())
        return;
    FReviewing = true;
    SetStep2Enabled(false);
    FSession->Review(reinterpret_cast<HWND>(winId()));
    FReviewing = false;
    SetStep2Enabled(true);
    UpdateTotals();
}

void TfrmMain::actPurgeExecute()
{
    if (FBusy || FReviewing || FSession == nullptr || !FSession->Available())
        return;
    TCursorGuard cursor;
    FBusy = true;
    SetStep2Enabled(false);
    const twswizard::TTotals totals = FSession->Totals();
    const QString question = Text(twswizard::PurgeQuestion(
        totals.SelectedCount, static_cast<std::uint64_t>(totals.SelectedSize), FSession->PurgeMode()));
    // A purge that could do nothing (a read-only volume, a trash that
    // cannot be used) is not offered: its reason is told once instead.
    if (const std::optional<std::string> obstacle = FSession->PurgeObstacle()) {
        Message(TMessageKind::Error, twswizard::kPurgeCaption, Text(twswizard::PurgeRefused(*obstacle)));
        FBusy = false;
        SetStep2Enabled(true);
        return;
    }
    if (FServices.Ask && !FServices.Ask(twswizard::kPurgeCaption, question)) {
        FBusy = false;
        SetStep2Enabled(true);
        return;
    }
    FSession->Purge(totals, [this](const std::string& status) {
        Status(Text(status));
        QApplication::processEvents();
        return FAbort;
    });
    FBusy = false;
    RecordPurge();
    SetStep2Enabled(true);
    actGotoStep3->trigger();
}

void TfrmMain::RecordPurge()
{
    btnUndo->setEnabled(false);
    lblPurgeSummary->clear();
    const twswizard::TPurgeRecord record = twswizard::RecordPurge(*FSession);
    FRunId = record.RunId;
    FReportPath = record.ReportPath;
    lblPurgeSummary->setText(Text(record.Summary));
    btnUndo->setEnabled(record.CanUndo);
}

void TfrmMain::actGotoStep3Execute()
{
    Status("");
    ShowStep(tsStep3);
}

void TfrmMain::btnReviewReportClick()
{
    // This window's purge, not whatever purge wrote the handler's report
    // last: another purge (twscleanup, another window) may have replaced
    // that one since.
    const QString path = QString::fromStdString(FReportPath);
    // A report that is not there cannot be opened, whatever the shell says.
    const bool opened =
        !path.isEmpty() && QFileInfo::exists(path) && FServices.OpenWithShell && FServices.OpenWithShell(path);
    if (!opened)
        Message(TMessageKind::Error, twswizard::kReportFailedCaption, twswizard::kReportFailed);
}

void TfrmMain::btnUndoClick()
{
    if (FBusy || FRunId.empty())
        return;
    try {
        const cleanuphost::TUndoCounts counts = twswizard::UndoRecordedRun(FRunId);
        btnUndo->setEnabled(false);
        lblPurgeSummary->setText(lblPurgeSummary->text() + Text(twswizard::UndoneLine(counts)));
        Message(counts.NotRestored > 0 ? TMessageKind::Warning : TMessageKind::Information, twswizard::kUndoCaption,
                Text(twswizard::UndoMessage(counts)));
    } catch (const std::exception& e) {
        Message(TMessageKind::Error, "Undo", QString::fromUtf8(e.what()));
    }
}

void TfrmMain::btnHistoryClick()
{
    if (FBusy)
        return;
    TfrmHistory history(this, [this](TMessageKind kind, const QString& caption, const QString& text) {
        Message(kind, caption, text);
    });
    history.exec();
    // The dialog may have undone this window's own run.
    if (!FRunId.empty() && btnUndo->isEnabled())
        btnUndo->setEnabled(twswizard::RunUndoable(FRunId));
}

void TfrmMain::btnAboutClick()
{
    Message(TMessageKind::Information, "About TWS Utility", QString::fromStdString(AboutText(TProgram::Wizard)));
}

void TfrmMain::btnCloseClick() { close(); }

bool TfrmMain::FormCloseQuery()
{
    if (FBusy || FReviewing) {
        Message(TMessageKind::Warning, twswizard::kCloseRefusedCaption, twswizard::kCloseRefused);
        return false;
    }
    FSession.reset();
    if (FComInitialized) {
        CoUninitialize();
        FComInitialized = false;
    }
    return true;
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}
