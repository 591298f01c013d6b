#include "terminal_progress.h"

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "command_line.h"

namespace kofrex {
namespace {

using namespace std::chrono_literals;
constexpr auto kQuietStart = 500ms;  // short work shows nothing
constexpr auto kRedrawEvery = 100ms;

volatile std::sig_atomic_t interrupted = 0;
struct sigaction beforeUs {};

// The first Ctrl+C asks the work to stop; the one before us (which removes temporaries and
// ends the program) then takes the next, for a user who does not want to wait.
void NoteInterrupt(int) {
    interrupted = 1;
    ::sigaction(SIGINT, &beforeUs, nullptr);
}

}  // namespace

TerminalProgress::TerminalProgress(QString doing)
    : doing_(std::move(doing)), onTerminal_(::isatty(STDERR_FILENO) == 1) {
    interrupted = 0;
    ::sigaction(SIGINT, nullptr, &beforeUs);
    // A background job ignores Ctrl+C, which is meant for the job in the foreground.
    if (beforeUs.sa_handler != SIG_IGN) {
        struct sigaction action {};
        action.sa_handler = NoteInterrupt;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, nullptr);
    }
}

TerminalProgress::~TerminalProgress() {
    Clear();
    ::sigaction(SIGINT, &beforeUs, nullptr);
}

bool TerminalProgress::Report(const Progress& progress) {
    if (interrupted != 0) {
        return false;
    }
    const Clock::time_point now = Clock::now();
    if (!onTerminal_ || now - started_ < kQuietStart || now - drawn_ < kRedrawEvery) {
        return true;
    }
    drawn_ = now;
    if (progress.waiting) {
        Draw(
            CommandLine::tr("Waiting for another program to finish with "
                            "the archive (Ctrl+C cancels)"));
    } else if (progress.total > 0) {
        Draw(QStringLiteral("%1: %2%").arg(doing_).arg(progress.done * 100 / progress.total));
    }
    return true;
}

void TerminalProgress::EndAsInterrupted(const QString& why) {
    Clear();
    std::fprintf(stderr, "kofrex: %s\n", qPrintable(why));  // stderr is never buffered
    ::sigaction(SIGINT, &beforeUs, nullptr);
    ::raise(SIGINT);
    std::_Exit(130);  // only when the one before us did not end the program
}

void TerminalProgress::Draw(const QString& text) {
    // Back to the line's start, the text, and the rest of the line erased.
    std::fprintf(stderr, "\r%s\033[K", qPrintable(text));
    shown_ = true;
}

void TerminalProgress::Clear() {
    if (shown_) {
        std::fputs("\r\033[K", stderr);
        shown_ = false;
    }
}

}  // namespace kofrex
