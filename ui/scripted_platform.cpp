#include "scripted_platform.h"

#include <QGuiApplication>

namespace kofrex {

void ScriptedDialog::Show(const char* kind) {
    uses << QString("%1 '%2' %3 %4 %5 %6")
                .arg(kind, FileName, Filter)
                .arg(Flags, 0, 16)
                .arg(DialogTitle, DefaultExt);
    if (!choices.empty()) {  // an unscripted use is a cancel
        FileName = choices.front();
        choices.pop_front();
    }
}

int ScriptedMessageBox::Present(const QString& text, int buttons, const QString& title) {
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    shown << QString("%1 %2%3: %4").arg(title).arg(buttons).arg(busy ? " busy" : "", text);
    if (buttons != kButtonsYesNo || answers.empty()) {
        return buttons == kButtonsYesNo ? kAnswerNo : kAnswerOk;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace kofrex
