#pragma once

// Dialog and message-box stand-ins for tests and the benchmark: each use is recorded as one
// line of text, and the answers come from a script filled beforehand.

#include <QStringList>
#include <deque>

#include "common_dialog.h"
#include "message_box.h"

namespace kofrex {

class ScriptedDialog : public CommonDialog {
  public:
    std::deque<QString> choices;  // the next uses' answers: a path, or "" for a cancel
    // Each use as the dialog was set up: "open|save 'FileName' Filter Flags DialogTitle
    // DefaultExt", the flags in hexadecimal.
    QStringList uses;

    void ShowOpen() override { Show("open"); }
    void ShowSave() override { Show("save"); }

  private:
    void Show(const char* kind);
};

// An OK box answers OK; a Yes/No box answers from the script, and No once it has run out.
class ScriptedMessageBox : public MessageBox {
  public:
    std::deque<int> answers;
    QStringList shown;  // each box as "Title buttons: text", "busy" after the buttons if the
                        // wait cursor was up

  private:
    int Present(const QString& text, int buttons, const QString& title) override;
};

}  // namespace kofrex
