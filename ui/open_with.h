#pragma once

// Open With… for a file the desktop has no program for: the desktop portal's own chooser of
// programs where a portal runs, else a chooser of program files, the chosen one started with the
// file.

#include <QObject>
#include <QString>
#include <QVariantMap>
#include <QWidget>
#include <functional>

#include "common_dialog.h"
#include "message_box.h"

namespace kofrex {

// Whether a desktop entry or an association names a program for the file at `path`, its type or
// one it is a kind of: where none does, opening it would start nothing, whatever the desktop's
// opener reports.
bool DesktopHasProgramFor(const QString& path);

// Where the chooser of program files starts.
inline constexpr const char* kProgramsFolder = "/usr/bin/";

// Lets the user choose a program for the file at `path` and starts it with the file. The portal
// asks over `window`; without one, `dialog` chooses the program and `messages` says why a chosen
// file could not be started.
void OpenWithChosenProgram(const QString& path, QWidget& window, CommonDialog& dialog,
                           MessageBox& messages);

// The portal's answer to one Open With… request, called back where it opened nothing.
class PortalAnswer : public QObject {
    Q_OBJECT

  public:
    PortalAnswer(std::function<void()> otherwise, QObject* parent);

  public slots:
    void Response(uint response, const QVariantMap& results);

  private:
    std::function<void()> otherwise_;
};

}  // namespace kofrex
