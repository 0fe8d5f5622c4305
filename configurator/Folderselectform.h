// TfrmFolderSelection: picks a folder in a tree of the file system rooted at
// "/". The tree offers only folders a cleanup may skip: real folders (no
// links), not the operating system's own folders, and no mount point of a
// removable, network, optical or other non-fixed file system.
#pragma once

#include <functional>
#include <map>
#include <set>

#include <QDialog>
#include <QFileSystemModel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTreeView>

#include "System.hpp"

namespace twsconfigurator {

// The tree's add filter, on absolute paths.
class TFolderTreeFilter {
public:
    // fixedRoots: the roots of the fixed volumes, ending in "/".
    // volumeRootOf: the root of the volume holding an existing path.
    TFolderTreeFilter(std::set<AnsiString> fixedRoots, std::function<AnsiString(const AnsiString&)> volumeRootOf);
    // The machine's fixed volumes and mount table.
    static TFolderTreeFilter ForThisMachine();

    bool Accept(const AnsiString& path) const;

private:
    std::set<AnsiString> FFixedRoots;
    std::function<AnsiString(const AnsiString&)> FVolumeRootOf;
    mutable std::map<AnsiString, bool> FDecided;  // a tree asks for a folder many times
};

class TFolderTreeModel : public QSortFilterProxyModel {
public:
    TFolderTreeModel(TFolderTreeFilter filter, QObject* parent);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    TFolderTreeFilter FFilter;
};

class TfrmFolderSelection : public QDialog {
    Q_OBJECT

public:
    explicit TfrmFolderSelection(QWidget* parent,
                                 TFolderTreeFilter filter = TFolderTreeFilter::ForThisMachine());

    // The path of the folder selected in the tree; empty when none is.
    AnsiString SelectedPath() const;
    // Selects and shows the folder when the tree offers it; false otherwise.
    bool SelectPath(const AnsiString& path);

    QFileSystemModel* fileSystem;
    TFolderTreeModel* shellFoldersModel;
    QTreeView* shellFolders;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};

}  // namespace twsconfigurator
