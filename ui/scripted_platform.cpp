#include "scripted_platform.h"

#include <QGuiApplication>

namespace kofrex {

void ScriptedDialog::Show(bool save) {
    uses_.push_back({save, FileName, Filter, Flags, DialogTitle, DefaultExt});
    // An unscripted use behaves as a cancel; the tests check the uses they expect.
    if (choices_.empty()) {
        return;
    }
    const QString choice = choices_.front();
    choices_.pop_front();
    if (!choice.isEmpty()) {
        FileName = choice;
    }
}

int ScriptedMessageBox::Present(const QString& text, int buttons, const QString& title) {
    shown_.push_back({text, buttons, title, QGuiApplication::overrideCursor() != nullptr});
    if (buttons != kButtonsYesNo) {
        return kAnswerOk;
    }
    if (answers_.empty()) {
        return kAnswerNo;
    }
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

}  // namespace kofrex
