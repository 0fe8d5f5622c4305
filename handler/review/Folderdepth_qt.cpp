#include "Folderdepth.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <utility>
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
        for (const auto& [name, button] : {std::pair{"ACT_OK", btnOK}, std::pair{"ACT_CANCEL", btnCancel}})
            if (const QPixmap glyph = resources.LoadGlyph(name); !glyph.isNull())
                button->setIcon(glyph);
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
