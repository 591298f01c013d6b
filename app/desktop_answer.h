#pragma once

// The window system's side of a command started from a desktop without a terminal: the progress
// window of the window's own work, with Cancel, and the window's message box.

#include <memory>

#include "batch_commands.h"
#include "message_box.h"
#include "work_progress.h"

namespace kofrex {

// True when the program was started without a terminal (neither stdin nor stderr is one) and a
// window system is at hand: from a file manager's action or a launcher.
bool StartedFromDesktop();

class DesktopMessages : public DesktopAnswer {
  public:
    DesktopMessages();
    bool Report(const QString& doing, const Progress& progress) override;
    void Done() override { work_.reset(); }
    void Tell(const QString& said) override;

  private:
    std::unique_ptr<MessageBox> messages_;
    std::unique_ptr<WorkProgress> work_;
};

}  // namespace kofrex
