// TfrmExcludedFolders: the Qt view of one mask's excluded folders
// (TExcludedFoldersModel), each alone or with its sub-folders, shown in a
// sorted check list (checked = sub-folders included) that can be narrowed
// to the folders of one volume.
#pragma once

#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

#include <memory>

#include "Excludedfoldersmodel.h"
#include "System.hpp"

namespace twsconfigurator {

class TfrmExcludedFolders : public QWidget {
    Q_OBJECT

public:
    // Over a set of its own.
    explicit TfrmExcludedFolders(QWidget* parent = nullptr);
    // Over the model's set, which outlives the view.
    TfrmExcludedFolders(TExcludedFoldersModel& model, QWidget* parent);

    TExcludedFoldersModel& Model() { return *FModel; }
    // Shows the set again, after its filter changed.
    void Refresh() { RebuildList(); }

    // Enters the folder with the flag (inserting or overwriting) and shows
    // it; its list index, or -1 when the filter leaves it out of the list.
    int AddFolder(const AnsiString& path, bool withSubFolders);
    // The whole set, in path order (exact byte order).
    std::vector<std::pair<AnsiString, bool>> GetFolders() const;

    // The volumes the filter knows, as roots ending in "/".
    void SetVolumeRoots(const std::deque<AnsiString>& roots);
    // A root of SetVolumeRoots, or empty for no filter; rebuilds the list.
    void SetVolumeFilter(const AnsiString& root);
    // Folders of other volumes leave the list instead of being greyed;
    // rebuilds the list.
    void SetHideFiltered(bool hide);

    // Called after every edit by the user.
    std::function<void(TfrmExcludedFolders* sender)> OnModified;

    QLabel* Label2;
    QListWidget* chklstExcludedFolders;
    QLineEdit* edtFolderPath;
    QToolButton* btnFolderPath;
    QPushButton* btnReplace;
    QPushButton* btnAdd;
    QPushButton* btnDelete;
    QLabel* Label1;
    QLabel* lblHiddenCount;

    void chklstExcludedFoldersClick();
    void chklstExcludedFoldersClickCheck(QListWidgetItem* item);
    void btnAddClick();
    void btnReplaceClick();
    void btnDeleteClick();
    void btnFolderPathClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class TEdit { Add, Replace };

    int ShowFolder(const AnsiString& path, bool withSubFolders);
    void RebuildList();
    // "Hidden Items:": the folders of the set the list leaves out.
    void UpdateHiddenCount();
    // Selects a row for the program: the edit box keeps what was typed.
    void SelectRow(int row);
    bool AcceptTypedPath(TEdit edit);
    int SortedPosition(const QString& text) const;
    void Modified();
    void LoadGlyphs();

    std::unique_ptr<TExcludedFoldersModel> FOwnModel;
    TExcludedFoldersModel* FModel;
    // Set while the list is changed by the program, so that its change
    // signals are not taken for a click on a check mark or a selection by
    // the user.
    bool FFilling = false;
};

}  // namespace twsconfigurator
