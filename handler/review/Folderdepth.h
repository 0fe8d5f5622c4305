// TfrmFolderDepth: asks how many folder levels the details window's tree
// shows (0 = all).
#pragma once

#include <QDialog>

#include "System.hpp"
#include "Viewtypes.h"

class QLineEdit;
class QPushButton;

namespace tidewash {

class TfrmFolderDepth : public QDialog {
public:
    // Images come from the resource library in installationFolder, when it
    // is there.
    explicit TfrmFolderDepth(const AnsiString& installationFolder, QWidget* parent = nullptr);

    void SetFolderDepth(int depth);
    // The edit box's number, -1 when it is not a non-negative integer.
    int GetFolderDepth() const;

    QLineEdit* edFolderDepth;
    QPushButton* btnOK;
    QPushButton* btnCancel;

private:
    // Centred on the screen the window is on, wherever its owner is.
    void showEvent(QShowEvent* event) override;
    // Leaving the box with something that is no depth is refused with
    // "Invalid Folder Depth", and the box keeps the focus.
    void edFolderDepthExit();
    void accept() override;

    // The box itself takes the focus from the edit box: one complaint at
    // a time.
    bool FRefusing = false;
};

}  // namespace tidewash
