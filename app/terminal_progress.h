#pragma once

#include <QString>
#include <chrono>

#include "progress.h"

namespace kofrex {

// The store's progress for a command run from a shell: a percentage redrawn on one line of
// stderr when that is a terminal and the work lasts, nothing otherwise; and Ctrl+C turned into
// a cancel, so that the store leaves every file as it was. One at a time in a process.
class TerminalProgress {
  public:
    // `doing` names the work on the line: "Adding", "Extracting".
    explicit TerminalProgress(QString doing);
    ~TerminalProgress();  // clears the line and gives Ctrl+C back
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    // The store's callback: false once Ctrl+C was pressed.
    bool Report(const Progress& progress);

    // Takes the line away, before a message on stderr.
    void Clear();

    // After the store has cancelled: says `why` and ends the program as interrupted by Ctrl+C,
    // so that a calling shell script stops too.
    [[noreturn]] void EndAsInterrupted(const QString& why);

  private:
    using Clock = std::chrono::steady_clock;
    void Draw(const QString& text);

    const QString doing_;
    const bool onTerminal_;
    const Clock::time_point started_ = Clock::now();
    Clock::time_point drawn_{};
    bool shown_ = false;
};

}  // namespace kofrex
