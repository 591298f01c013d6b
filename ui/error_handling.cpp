#include "error_handling.h"

#include <cerrno>
#include <exception>
#include <new>

#include <QCoreApplication>

namespace kofrex {
namespace {

// Error numbers for failures that do not come from the store, which numbers by errno.
constexpr int kOutOfMemoryNumber = ENOMEM;
constexpr int kUnknownErrorNumber = -1;

QString Described(int number, const QString& description) {
    return QCoreApplication::translate("kofrex::frmMain", "Error %1: %2")
        .arg(number)
        .arg(description);
}

}  // namespace

std::optional<QString> ErrorEscaping(const std::function<void()>& work) {
    try {
        work();
        return std::nullopt;
    } catch (const ArchiveError& error) {
        return Described(error.Number(), TranslatedDescription(error));
    } catch (const std::bad_alloc&) {
        return Described(kOutOfMemoryNumber,
                         QCoreApplication::translate("kofrex::frmMain", "Out of memory"));
    } catch (const std::exception& error) {
        return Described(kUnknownErrorNumber, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        return Described(
            kUnknownErrorNumber,
            QCoreApplication::translate("kofrex::frmMain", "An unexpected error occurred"));
    }
}

}  // namespace kofrex
