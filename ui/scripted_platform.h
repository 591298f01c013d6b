#pragma once

// Dialog and message-box stand-ins for tests: each use is recorded, and the answers come from
// a script the test fills beforehand.

#include <deque>
#include <vector>

#include "common_dialog.h"
#include "message_box.h"

namespace kofrex {

// What the dialog held when it was shown.
struct DialogUse {
    bool save = false;
    QString fileName;
    QString filter;
    int flags = 0;
    QString dialogTitle;
    QString defaultExt;
};

class ScriptedDialog : public CommonDialog {
  public:
    // The next use picks `path`; "" stands for a cancel.
    void WillChoose(const QString& path) { choices_.push_back(path); }

    const std::vector<DialogUse>& Uses() const { return uses_; }
    bool ScriptLeft() const { return !choices_.empty(); }

    void ShowOpen() override { Show(false); }
    void ShowSave() override { Show(true); }

  private:
    void Show(bool save);

    std::deque<QString> choices_;
    std::vector<DialogUse> uses_;
};

struct MessageShown {
    QString text;
    int buttons = 0;
    QString title;
    bool waitCursorShown = false;
};

class ScriptedMessageBox : public MessageBox {
  public:
    // The answer to the next Yes/No box; an OK box always answers OK.
    void WillAnswer(int answer) { answers_.push_back(answer); }

    const std::vector<MessageShown>& Shown() const { return shown_; }

  private:
    int Present(const QString& text, int buttons, const QString& title) override;

    std::deque<int> answers_;
    std::vector<MessageShown> shown_;
};

}  // namespace kofrex
