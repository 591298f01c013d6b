#include "desktop_answer.h"

#include <unistd.h>

#include <QFile>
#include <QTextStream>

#include "qt_message_box.h"

namespace kofrex {
namespace {

// The messages written to a file instead of shown, one a line as "title buttons: text", where
// KOFREX_MESSAGES_TO_FILE names one: for tests of the program as a file manager starts it, which
// cannot press a box's button.
class MessagesToFile : public MessageBox {
  public:
    explicit MessagesToFile(QString path) : path_(std::move(path)) {}
    QString InputBox(const QString&, const QString&, const QString&, const Preview&) override {
        return {};
    }

  private:
    int Present(const QString& text, int buttons, const QString& title) override {
        QFile file(path_);
        if (file.open(QIODevice::Append)) {
            QTextStream(&file) << title << ' ' << buttons << ": " << text << '\n';
        }
        return kAnswerOk;
    }
    QString path_;
};

}  // namespace

bool StartedFromDesktop() {
    const bool terminal = ::isatty(STDIN_FILENO) == 1 || ::isatty(STDERR_FILENO) == 1;
    return !terminal &&
           (qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
            qEnvironmentVariableIsSet("QT_QPA_PLATFORM"));
}

DesktopMessages::DesktopMessages() {
    const QString toFile = qEnvironmentVariable("KOFREX_MESSAGES_TO_FILE");
    messages_ = toFile.isEmpty() ? std::unique_ptr<MessageBox>(new QtMessageBox(nullptr))
                                 : std::make_unique<MessagesToFile>(toFile);
}

bool DesktopMessages::Report(const QString& doing, const Progress& progress) {
    if (!work_) {
        work_ = std::make_unique<WorkProgress>(nullptr, doing, kProgressDelay);
    }
    return work_->Report(progress);
}

void DesktopMessages::Tell(const QString& said) {
    work_.reset();
    messages_->Show(said);
}

}  // namespace kofrex
