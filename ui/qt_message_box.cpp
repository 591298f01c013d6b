#include "qt_message_box.h"

#include <QMessageBox>

namespace kofrex {
namespace {

int AnswerFor(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Yes:
            return kAnswerYes;
        case QMessageBox::No:
            return kAnswerNo;
        default:
            return kAnswerOk;
    }
}

}  // namespace

int QtMessageBox::Present(const QString& text, int buttons, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::NoButton, parent_);
    if (buttons == kButtonsYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.exec();
    return AnswerFor(box.standardButton(box.clickedButton()));
}

}  // namespace kofrex
