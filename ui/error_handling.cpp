#include "error_handling.h"

#include <cerrno>
#include <exception>
#include <new>

#include <QCoreApplication>

#include "frmMain.h"

namespace kofrex {
namespace {

// Error numbers for failures that do not come from the store, which numbers by errno.
constexpr int kOutOfMemoryNumber = ENOMEM;
constexpr int kUnknownErrorNumber = -1;

QString Described(int number, const QString& description) {
    return frmMain::tr("Error %1: %2").arg(number).arg(description);
}

QString Translated(const std::string& english) {
    return QCoreApplication::translate("kofrex::ArchiveError", english.c_str());
}

}  // namespace

QString TranslatedDescription(const ArchiveError& error) {
    std::vector<ErrorArgument> arguments = error.Arguments();
    for (ErrorArgument& argument : arguments) {
        if (argument.phrase) {
            argument.text = Translated(argument.text).toStdString();
        }
    }
    return QString::fromStdString(FilledIn(Translated(error.Message()).toStdString(), arguments));
}

std::optional<QString> ErrorEscaping(const std::function<void()>& work) {
    try {
        work();
        return std::nullopt;
    } catch (const ArchiveError& error) {
        return Described(error.Number(), TranslatedDescription(error));
    } catch (const std::bad_alloc&) {
        return Described(kOutOfMemoryNumber, frmMain::tr("Out of memory"));
    } catch (const std::exception& error) {
        return Described(kUnknownErrorNumber, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        return Described(kUnknownErrorNumber, frmMain::tr("An unexpected error occurred"));
    }
}

void frmMain::RunHandler(const std::function<void()>& handler) {
    const std::optional<QString> error = ErrorEscaping(handler);
    if (!error) {
        return;
    }
    // Neither step may let a second error into the event loop; the window goes on regardless.
    ErrorEscaping(
        [&] { messages_->Show(*error, kButtonsOkOnly, QString::fromLatin1(kApplicationTitle)); });
    ErrorEscaping([this] { ShowArchiveAsItIsNow(); });
}

// The command stopped part-way: whatever it had read or changed, the list shows the archive
// file as it is now, and with none left the path box shows none either.
void frmMain::ShowArchiveAsItIsNow() {
    if (!store_.ReadCurrentAgain()) {
        txtArchive->clear();
    }
    ListFiles();
}

}  // namespace kofrex
