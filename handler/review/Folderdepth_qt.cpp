#include "Folderdepth.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "Graphics.hpp"
#include "Twsresname.h"
#include "Zellibutils.h"

namespace tidewash {

TfrmFolderDepth::TfrmFolderDepth(const AnsiString& installationFolder, QWidget* parent) : QDialog(parent)
{
    setObjectName("frmFolderDepth");
    setWindowTitle("Folder Depth");
    setFixedSize(226, 94);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Folder Depth :"), 0, 0);
    edFolderDepth = new QLineEdit("0");
    edFolderDepth->setObjectName("edFolderDepth");
    grid->addWidget(edFolderDepth, 0, 1);
    grid->addWidget(new QLabel("(0=All) "), 0, 2);
    auto* buttons = new QHBoxLayout;
    btnOK = new QPushButton("OK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton("Cancel");
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    grid->addLayout(buttons, 1, 0, 1, 3);
    connect(btnOK, &QPushButton::clicked, this, &TfrmFolderDepth::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);  // Escape rejects too
    connect(edFolderDepth, &QLineEdit::editingFinished, this, &TfrmFolderDepth::edFolderDepthExit);

    zelutils::TResourceLoader resources;
    if (resources.LoadLibraryA(installationFolder + kResourceLibraryName)) {
        TBitmap glyph;
        if (resources.LoadBitmapA("ACT_OK", &glyph))
            btnOK->setIcon(QPixmap::fromImage(MaskColor(glyph.Image(), clFuchsia)));
        if (resources.LoadBitmapA("ACT_CANCEL", &glyph))
            btnCancel->setIcon(QPixmap::fromImage(MaskColor(glyph.Image(), clFuchsia)));
    }
}

void TfrmFolderDepth::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (const QScreen* shown = screen())
        move(shown->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TfrmFolderDepth::SetFolderDepth(int depth) { edFolderDepth->setText(QString::number(depth)); }

int TfrmFolderDepth::GetFolderDepth() const { return ParseFolderDepth(edFolderDepth->text().toStdString()); }

void TfrmFolderDepth::edFolderDepthExit()
{
    if (GetFolderDepth() >= 0 || FRefusing)
        return;
    FRefusing = true;
    QMessageBox::critical(this, windowTitle(), "Invalid Folder Depth");
    FRefusing = false;
    edFolderDepth->setFocus();
}

void TfrmFolderDepth::accept()
{
    if (GetFolderDepth() < 0) {
        edFolderDepthExit();
        return;
    }
    QDialog::accept();
}

}  // namespace tidewash
