// Qt's message box, input box and the shared folder selection dialog.
#include "Userdialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>

#include "Folderselectform.h"

namespace twsconfigurator {

namespace {

QMessageBox::StandardButton ToQt(TBoxAnswer answer)
{
    switch (answer) {
    case TBoxAnswer::Yes:
        return QMessageBox::Yes;
    case TBoxAnswer::No:
        return QMessageBox::No;
    case TBoxAnswer::Cancel:
        return QMessageBox::Cancel;
    case TBoxAnswer::Ok:
        break;
    }
    return QMessageBox::Ok;
}

class TQtDialogs : public TUserDialogs {
public:
    TBoxAnswer MessageBox(QWidget* owner, const AnsiString& text, const AnsiString& caption, TBoxIcon icon,
                          TBoxButtons buttons, TBoxAnswer defaultAnswer) override
    {
        QMessageBox box(owner);
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.setWindowTitle(QString::fromStdString(caption));
        box.setText(QString::fromStdString(text));
        box.setIcon(icon == TBoxIcon::Error     ? QMessageBox::Critical
                    : icon == TBoxIcon::Warning ? QMessageBox::Warning
                    : icon == TBoxIcon::Information ? QMessageBox::Information
                                                : QMessageBox::Question);
        switch (buttons) {
        case TBoxButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case TBoxButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case TBoxButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        }
        box.setDefaultButton(ToQt(defaultAnswer));
        box.raise();
        box.activateWindow();
        switch (box.exec()) {
        case QMessageBox::Yes:
            return TBoxAnswer::Yes;
        case QMessageBox::No:
            return TBoxAnswer::No;
        case QMessageBox::Cancel:
            return TBoxAnswer::Cancel;
        default:
            return buttons == TBoxButtons::Ok ? TBoxAnswer::Ok : TBoxAnswer::Cancel;
        }
    }

    bool InputQuery(QWidget* owner, const AnsiString& caption, const AnsiString& prompt, AnsiString& value) override
    {
        bool ok = false;
        const QString text = QInputDialog::getText(owner, QString::fromStdString(caption),
                                                   QString::fromStdString(prompt), QLineEdit::Normal,
                                                   QString::fromStdString(value), &ok);
        if (ok)
            value = text.toStdString();
        return ok;
    }

    bool SelectFolder(QWidget*, AnsiString& path) override
    {
        // One dialog serves every editor and outlives each of them: the
        // application owns it.
        static QPointer<TfrmFolderSelection> dialog;
        if (dialog == nullptr) {
            dialog = new TfrmFolderSelection(nullptr);
            QObject::connect(qApp, &QCoreApplication::aboutToQuit, dialog.data(), &QObject::deleteLater);
        }
        if (dialog->exec() != QDialog::Accepted)
            return false;
        path = dialog->SelectedPath();
        return true;
    }
};

TQtDialogs& QtDialogs()
{
    static TQtDialogs dialogs;
    return dialogs;
}

TUserDialogs* current = nullptr;

}  // namespace

TUserDialogs& UserDialogs() { return current != nullptr ? *current : QtDialogs(); }

void SetUserDialogs(TUserDialogs* dialogs) { current = dialogs; }

void ShowException(QWidget* owner, const std::exception& error)
{
    UserDialogs().MessageBox(owner, error.what(), "TWS Configurator", TBoxIcon::Error, TBoxButtons::Ok,
                             TBoxAnswer::Ok);
}

}  // namespace twsconfigurator
