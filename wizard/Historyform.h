// TfrmHistory: the purges recorded (the runs twscleanup --history lists),
// newest first, one row each: the run, its volume, what it removed and
// what of it is still in the trash. Picking a row and Undo puts that run's
// files back, as twscleanup --undo does; a run with nothing in the trash
// cannot be picked for it. The rows and texts are Wizardruns.h's.
#pragma once

#include <QDialog>
#include <functional>
#include <string>


class QLabel;
class QPushButton;
class QTreeWidget;
enum class TMessageKind;

class TfrmHistory : public QDialog {
public:
    using TMessage = std::function<void(TMessageKind kind, const QString& caption, const QString& text)>;
    TfrmHistory(QWidget* parent, TMessage message);

    // Reads the runs again and lists them.
    void Reload();
    // The run of the selected row, "" when none is selected.
    std::string SelectedRun() const;

    QLabel* lblRuns;
    QTreeWidget* lvRuns;
    QPushButton *btnUndo, *btnClose;

private:
    void btnUndoClick();
    void UpdateButtons();

    TMessage FMessage;
};
