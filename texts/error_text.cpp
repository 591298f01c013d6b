#include "error_text.h"

#include <QCoreApplication>

namespace kofrex {
namespace {

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

}  // namespace kofrex
