// The folder selection dialog over QFileSystemModel.
#include "Folderselectform.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "Configuratorresources.h"
#include "Volumes.h"
#include "listing.h"

namespace twsconfigurator {

TFolderTreeFilter::TFolderTreeFilter(std::set<AnsiString> fixedRoots,
                                     std::function<AnsiString(const AnsiString&)> volumeRootOf)
    : FFixedRoots(std::move(fixedRoots)), FVolumeRootOf(std::move(volumeRootOf))
{
}

TFolderTreeFilter TFolderTreeFilter::ForThisMachine()
{
    std::set<AnsiString> roots;
    for (const auto& volume : twsplatform::ListFixedVolumeInfos())
        roots.insert(volume.Root);
    return TFolderTreeFilter(std::move(roots), twsplatform::VolumeRootOf);
}

bool TFolderTreeFilter::Accept(const AnsiString& path) const
{
    if (path == "/")
        return true;  // the tree's root, which leads to everything else
    const auto known = FDecided.find(path);
    if (known != FDecided.end())
        return known->second;
    bool accept = !twslisting::IsInSystemFolder(path);
    if (accept) {
        // A folder where another file system is mounted is offered only
        // when that file system is a fixed volume.
        const AnsiString root = FVolumeRootOf(path);
        if (root == path + "/" && FFixedRoots.count(root) == 0)
            accept = false;
    }
    FDecided.emplace(path, accept);
    return accept;
}

TFolderTreeModel::TFolderTreeModel(TFolderTreeFilter filter, QObject* parent)
    : QSortFilterProxyModel(parent), FFilter(std::move(filter))
{
}

bool TFolderTreeModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    auto* model = static_cast<QFileSystemModel*>(sourceModel());
    const QModelIndex index = model->index(sourceRow, 0, sourceParent);
    if (!model->isDir(index))
        return false;
    return FFilter.Accept(model->filePath(index).toStdString());
}

TfrmFolderSelection::TfrmFolderSelection(QWidget* parent, TFolderTreeFilter filter) : QDialog(parent)
{
    setWindowTitle("Folder Selection");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(474, 359);

    fileSystem = new QFileSystemModel(this);
    fileSystem->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks);
    fileSystem->setReadOnly(true);
    fileSystem->setRootPath("/");
    shellFoldersModel = new TFolderTreeModel(std::move(filter), this);
    shellFoldersModel->setSourceModel(fileSystem);

    shellFolders = new QTreeView(this);
    shellFolders->setObjectName("shellFolders");
    shellFolders->setModel(shellFoldersModel);
    for (int column = 1; column < fileSystem->columnCount(); ++column)
        shellFolders->hideColumn(column);
    shellFolders->header()->hide();
    shellFolders->setRootIndex(shellFoldersModel->mapFromSource(fileSystem->index("/").parent()));

    btnOK = new QPushButton("OK", this);
    btnCancel = new QPushButton("Cancel", this);
    btnOK->setDefault(true);
    ConfiguratorResources().SetGlyph(btnOK, "ACT_OK");
    ConfiguratorResources().SetGlyph(btnCancel, "ACT_CANCEL");
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(shellFolders, 1);
    layout->addLayout(buttons);
}

AnsiString TfrmFolderSelection::SelectedPath() const
{
    const QModelIndex index = shellFolders->currentIndex();
    if (!index.isValid())
        return AnsiString();
    return fileSystem->filePath(shellFoldersModel->mapToSource(index)).toStdString();
}

bool TfrmFolderSelection::SelectPath(const AnsiString& path)
{
    const QModelIndex index = shellFoldersModel->mapFromSource(fileSystem->index(QString::fromStdString(path)));
    if (!index.isValid())
        return false;
    shellFolders->setCurrentIndex(index);
    shellFolders->scrollTo(index);
    return true;
}

}  // namespace twsconfigurator
