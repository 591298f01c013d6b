#include "qt_message_box.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

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

// The styles with a button of their own beside OK: its text and its answer.
struct ActionButton {
    int style;
    const char* text;  // English, translated when shown
    int answer;
};
constexpr ActionButton kActionButtons[] = {
    {kButtonsOkOpenFolder, QT_TRANSLATE_NOOP("kofrex::QtMessageBox", "Open Folder"),
     kAnswerOpenFolder},
    {kButtonsOkOpenWith, QT_TRANSLATE_NOOP("kofrex::QtMessageBox", "Open With…"), kAnswerOpenWith},
};

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
    }
    QPushButton* action = nullptr;
    int actionAnswer = kAnswerOk;
    for (const ActionButton& button : kActionButtons) {
        if (style == button.style) {
            box.setStandardButtons(QMessageBox::Ok);
            action = box.addButton(QCoreApplication::translate("kofrex::QtMessageBox", button.text),
                                   QMessageBox::ActionRole);
            actionAnswer = button.answer;
        }
    }  // else Qt gives the box its OK button
    box.exec();
    return box.clickedButton() != nullptr && box.clickedButton() == action
               ? actionAnswer
               : AnswerFor(box.standardButton(box.clickedButton()));
}

QString QtMessageBox::InputBox(const QString& prompt, const QString& title, const QString& text,
                               const Preview& preview) {
    QInputDialog dialog(parent_);
    dialog.setWindowTitle(title);
    dialog.setTextValue(text);
    const auto showPrompt = [&](const QString& typed) {
        dialog.setLabelText(preview ? prompt + u'\n' + preview(typed) : prompt);
    };
    showPrompt(text);
    QObject::connect(&dialog, &QInputDialog::textValueChanged, &dialog, showPrompt);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

}  // namespace kofrex
