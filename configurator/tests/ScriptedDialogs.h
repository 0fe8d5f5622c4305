// The user, played by a test: every box is recorded and answered from a
// script, so nothing waits for a person.
#pragma once

#include <QApplication>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "Userdialogs.h"

namespace configuratortest {

using twsconfigurator::TBoxAnswer;
using twsconfigurator::TBoxButtons;
using twsconfigurator::TBoxIcon;

struct TShownBox {
    std::string Text;
    std::string Caption;
    TBoxIcon Icon;
    TBoxButtons Buttons;
};

class TScriptedDialogs : public twsconfigurator::TUserDialogs {
public:
    TScriptedDialogs() { twsconfigurator::SetUserDialogs(this); }
    ~TScriptedDialogs() override { twsconfigurator::SetUserDialogs(nullptr); }

    std::vector<TShownBox> Boxes;
    std::deque<TBoxAnswer> Answers;  // for boxes with a choice; Ok otherwise
    // nullptr entry: the input box is cancelled.
    std::deque<const char*> Inputs;
    std::vector<std::string> InputCaptions;
    std::deque<std::string> Folders;

    TBoxAnswer MessageBox(QWidget*, const AnsiString& text, const AnsiString& caption, TBoxIcon icon,
                          TBoxButtons buttons, TBoxAnswer) override
    {
        Boxes.push_back({text, caption, icon, buttons});
        if (buttons == TBoxButtons::Ok || Answers.empty())
            return buttons == TBoxButtons::Ok ? TBoxAnswer::Ok : TBoxAnswer::Cancel;
        const TBoxAnswer answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    bool InputQuery(QWidget*, const AnsiString& caption, const AnsiString& prompt, AnsiString& value) override
    {
        InputCaptions.push_back(caption + "|" + prompt + "|" + value);
        if (Inputs.empty())
            return false;
        const char* input = Inputs.front();
        Inputs.pop_front();
        if (input == nullptr)
            return false;
        value = input;
        return true;
    }
    bool SelectFolder(QWidget*, AnsiString& path) override
    {
        if (Folders.empty())
            return false;
        path = Folders.front();
        Folders.pop_front();
        return true;
    }

    // The captions and texts of the boxes shown, then forgotten.
    std::vector<std::string> TakeBoxes()
    {
        std::vector<std::string> shown;
        for (const TShownBox& box : Boxes)
            shown.push_back(box.Caption + ": " + box.Text);
        Boxes.clear();
        return shown;
    }
};

inline QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "configurator_test";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace configuratortest

namespace configuratortest {
// The first member of a fixture whose other members are widgets.
struct TQtApp {
    TQtApp() { TestApplication(); }
};
}  // namespace configuratortest
