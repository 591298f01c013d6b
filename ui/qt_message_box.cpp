#include "qt_message_box.h"

#include <QInputDialog>
#include <QMessageBox>

namespace kofrex {
namespace {

int AnswerFor(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Yes:
            return kAnswerYes;
        case QMessageBox::No:
            return kAnswerNo;
        case QMessageBox::YesToAll:
            return kAnswerYesToAll;
        case QMessageBox::NoToAll:
            return kAnswerNoToAll;
        default:
            return kAnswerOk;
    }
}

}  // namespace

int QtMessageBox::Present(const QString& text, int buttons, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::NoButton, parent_);
    const int style = buttons & ~kDefaultButton2;
    if (style == kButtonsYesNo || style == kButtonsYesNoToAll) {
        const QMessageBox::StandardButtons toAll =
            style == kButtonsYesNoToAll ? QMessageBox::YesToAll | QMessageBox::NoToAll
                                        : QMessageBox::NoButton;
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | toAll);
        box.setDefaultButton((buttons & kDefaultButton2) != 0 ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    }  // else Qt gives the box its OK button
    box.exec();
    return AnswerFor(box.standardButton(box.clickedButton()));
}

QString QtMessageBox::InputBox(const QString& prompt, const QString& title, const QString& text) {
    bool accepted = false;
    const QString typed =
        QInputDialog::getText(parent_, title, prompt, QLineEdit::Normal, text, &accepted);
    return accepted ? typed : QString();
}

}  // namespace kofrex
