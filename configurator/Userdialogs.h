// The configurator's questions to the user: message boxes, the input box
// and the folder selection. Every one goes through the dialogs set here, so
// that a test can answer them instead of a person.
#pragma once

#include <QWidget>

#include "System.hpp"

namespace twsconfigurator {

enum class TBoxIcon { Error, Warning, Question, Information };
enum class TBoxButtons { Ok, YesNo, YesNoCancel };
enum class TBoxAnswer { Ok, Yes, No, Cancel };

class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;

    // An application-modal box kept on top of the owner's windows.
    virtual TBoxAnswer MessageBox(QWidget* owner, const AnsiString& text, const AnsiString& caption, TBoxIcon icon,
                                  TBoxButtons buttons, TBoxAnswer defaultAnswer) = 0;
    // Asks for one line of text starting from value; false when cancelled
    // (value is then unchanged).
    virtual bool InputQuery(QWidget* owner, const AnsiString& caption, const AnsiString& prompt,
                            AnsiString& value) = 0;
    // Lets the user pick a folder; false when cancelled.
    virtual bool SelectFolder(QWidget* owner, AnsiString& path) = 0;
};

// The dialogs in use: Qt's own unless a replacement is set.
TUserDialogs& UserDialogs();
// Replaces them (not owned); null goes back to Qt's.
void SetUserDialogs(TUserDialogs* dialogs);

// The box an escaped exception gets: its message, with the error icon.
void ShowException(QWidget* owner, const std::exception& error);

}  // namespace twsconfigurator
