// handler/review: the review window, in these parts:
//   Reviewmodel          the window without a toolkit: tabs, list, folder
//                        tree, checks, ordering, totals (tidewash_reviewmodel,
//                        built on every platform)
//   Viewtypes            what a row shows, check states, tree places, ordering
//   Filedetailsform_qt   the Qt view over the model (this header)
//   Folderdepth_qt       the folder depth dialog
// The Qt parts are built on Linux only; the Windows build draws the same
// model with the system's controls (Filedetailsform_win32.h).
//
// TfrmFileDetails: the review window. Shows what a scan found, per mask, as
// a folder tree and a detail list, and lets the user check (mark for
// deletion) or uncheck files, folders or the whole tab: a TReviewModel
// drawn with Qt Widgets. The window owns neither the results nor the
// selection table; both must outlive it.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "Resultmodel.h"
#include "Reviewmodel.h"
#include "Viewtypes.h"
#include "Zelfilesearch.h"

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabBar;
class QTimer;
class QTreeView;

namespace tidewash {

class TResultListModel;
class TResultTreeModel;

// Makes the application object a command-line host lacks. False when no
// window can be shown: no display and no display-less platform chosen, or
// a host application that has no widgets.
bool EnsureWidgetApplication();

class TfrmFileDetails : public QDialog {
public:
    // reasons (may be null) says why the scan left files unselected; the
    // reports folder and the resource library are in installationFolder.
    TfrmFileDetails(const AnsiString& volume, zelutils::TFileSearch& searcher, TFileFlags& selection,
                    const TFileReasons* reasons, const AnsiString& installationFolder);
    ~TfrmFileDetails() override;

    // Shows the window modally. The first show builds the views just after
    // the window is on screen; later shows find them as they were left.
    int ShowModal();
    // Makes the window transient for the top-level window of this process
    // whose native id is owner (what a caller hands as its HWND): it then
    // stays above that window, as its stay-on-top hint too. 0, or an id of
    // no window here, leaves the window on its own.
    void SetOwner(std::uintptr_t owner);
    // Whether the views have been built (the first show is done).
    bool ViewsBuilt() const { return FViewsBuilt; }
    // Builds the views now, unless they were built already.
    void BuildViewsNow();

    // The shell and the save dialog, replaceable so that the window can be
    // driven without a desktop. OpenWithShell answers whether it opened.
    std::function<bool(const QString& path)> OpenWithShell;
    std::function<QString(const QString& initialFolder)> ChooseReportFile;

    // Set before the first show, when the scan has them (may stay null):
    // files found again under another mask -> their first finding, listed
    // once under all masks together and sharing its mark; and the files
    // the settings keep whatever their mark (hidden, read-only), with the
    // reason, shown unchecked with it and never checked.
    const TFileAliases* Aliases = nullptr;
    const TFileReasons* KeptBySettings = nullptr;

    // Status panel texts: 0 the current view, 1 the totals.
    QString StatusText(int panel) const;
    // The path a tree node stands for (volume, folders, leaf).
    QString NodePath(const QModelIndex& treeIndex) const;

    // Components, named for what they are.
    QTabBar* tcMain;
    QTreeView* tvResults;
    QTreeView* lvResults;
    QPushButton* btnOK;
    QProgressBar* pbarBuildViewProgress;
    QAction* actClose;
    QAction* SyncViews1;
    QAction* actSelectAll;
    QAction* actUnselectAll;
    QAction* FolderDepth1;
    QAction* AutoExpand1;
    QAction* ShowFullPath1;
    QAction* actExportSearchResults;
    QAction* puiCopyLocationToClipboard;
    QAction* puiOpenSelectedFolder;
    QAction* puiOpenContainingFolder;
    QAction* CopyLocationToClipboard1;

    // The actions' bodies, for menus, keys and callers alike.
    void SetFolderDepth(int depth);  // rebuilds the tree
    int FolderDepth() const { return FModel.FolderDepth(); }
    void SortList(TListColumn column);  // as a click on the column's header
    void ExportSearchResults();
    void OpenSelectedFolder();
    void OpenContainingFolder();

private:
    friend class TResultListModel;
    friend class TResultTreeModel;

    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void CreateComponents();
    void LoadResources(const AnsiString& installationFolder);
    void BuildTabs();
    void tcMainChange();
    void RebuildViews();
    void BuildList();
    void BuildTree();
    void UpdateViewStatus();
    void UpdateTotalsStatus();
    // The Name column at its initial width or wider, filling the list's
    // width beside the other columns.
    void FitNameColumn();

    // Toggles (or only synchronises) one file in both views.
    void SyncOrToggle(TViewItem* item, bool toggle);
    // A click on a tree node's check: a file toggles, a folder becomes
    // unchecked when checked and checked otherwise.
    void TreeCheckClicked(int node);
    void SetAll(bool marked);
    void ShowFolderDepthDialog();
    void CopyTreeLocation();
    void CopyListLocation();
    void OpenPath(const QString& path);

    bool FStarted = false;
    bool FViewsBuilt = false;
    AnsiString FInstallationFolder;
    TReviewModel FModel;
    int FPopupNode = -1;
    bool FUpdating = false;
    bool FSyncViews = true;

    std::unique_ptr<TResultListModel> FListModel;
    std::unique_ptr<TResultTreeModel> FTreeModel;
    QLabel* FStatus[2];
    QTimer* tmrStartup;
    // Started by each change of the tree's selection; the list follows
    // the selected file when it fires.
    QTimer* tmrTreeChange;
    // ilNodeTypes: folder, folder selected, item, item selected, volume.
    std::vector<QPixmap> FNodeTypes;
};

}  // namespace tidewash
