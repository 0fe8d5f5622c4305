#include "Folderdepth.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

#include "ReviewTesting.h"

namespace tidewash {
namespace {

TEST(FolderdepthTest, TheDialogShowsAndReadsTheDepth)
{
    reviewtest::EnsureOffscreenApplication();
    TfrmFolderDepth dialog("/nonexistent/");
    EXPECT_EQ(dialog.windowTitle(), "Folder Depth");
    EXPECT_EQ(dialog.GetFolderDepth(), 0);
    dialog.SetFolderDepth(4);
    EXPECT_EQ(dialog.edFolderDepth->text(), "4");
    EXPECT_EQ(dialog.GetFolderDepth(), 4);
    dialog.edFolderDepth->setText("-1");
    EXPECT_EQ(dialog.GetFolderDepth(), -1);
}

TEST(FolderdepthTest, TheDialogIsCentredOnTheScreenNotOnItsOwner)
{
    reviewtest::EnsureOffscreenApplication();
    QWidget owner;
    owner.setGeometry(10, 10, 200, 150);
    owner.show();
    TfrmFolderDepth dialog("/nonexistent/", &owner);
    dialog.show();
    const QRect screen = dialog.screen()->availableGeometry();
    EXPECT_LE((dialog.geometry().center() - screen.center()).manhattanLength(), 2)
        << dialog.geometry().center().x() << "," << dialog.geometry().center().y();
}

}  // namespace
}  // namespace tidewash

namespace tidewash {
namespace {

TEST(FolderdepthTest, OKWithAnInvalidDepthIsRefused)
{
    reviewtest::EnsureOffscreenApplication();
    TfrmFolderDepth dialog("/nonexistent/");
    dialog.show();
    dialog.edFolderDepth->setText("-1");
    dialog.edFolderDepth->setFocus();
    // Every box that comes up is read and closed.
    QStringList texts;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&texts] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            texts << box->text();
            box->close();
        }
    });
    closer.start(5);
    dialog.btnOK->click();
    EXPECT_EQ(texts, QStringList{"Invalid Folder Depth"}) << "one complaint, though the box takes the focus";
    EXPECT_EQ(dialog.result(), QDialog::Rejected) << "not accepted";
    EXPECT_TRUE(dialog.isVisible());
    dialog.edFolderDepth->setText("2");
    dialog.btnOK->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace tidewash
