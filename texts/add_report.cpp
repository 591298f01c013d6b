#include "add_report.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <iterator>

#include "error_text.h"
#include "names.h"

namespace kofrex {
namespace {

QString Reason(const AddResult& result) {
    switch (result.outcome) {
        case AddOutcome::DuplicateName:
            return QCoreApplication::translate("kofrex::AddReport",
                                               "its stored name %1 is already in the archive")
                .arg(ShownStoredName(result.path));
        case AddOutcome::NotRegularFile:
            return QCoreApplication::translate("kofrex::AddReport", "it is not a regular file");
        case AddOutcome::Unreadable:
            return QCoreApplication::translate("kofrex::AddReport", "it cannot be read");
        case AddOutcome::ArchiveItself:
            return QCoreApplication::translate("kofrex::AddReport", "it is the archive itself");
        case AddOutcome::NoArchive:
            return QCoreApplication::translate(
                "kofrex::AddReport",
                "the archive is gone or is no longer an archive that Kofrex can read");
        case AddOutcome::ArchiveChanged:
            return QCoreApplication::translate("kofrex::AddReport",
                                               "another program changed the archive meanwhile");
        case AddOutcome::NoSuchEntry:
            return QCoreApplication::translate("kofrex::AddReport",
                                               "the entry is no longer in the archive");
        case AddOutcome::NoName:
            return QCoreApplication::translate("kofrex::AddReport",
                                               "its stored name would be empty");
        case AddOutcome::Stored:
            break;
    }
    return {};
}

// The file as the user knows it: its name, or the whole path where that ends in a slash.
QString Named(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? path : name;
}

// A list of thousands is cut after these, with the number of the rest.
constexpr qsizetype kLinesShown = 20;

// One line for each of `items`, the first kLinesShown of them and then how many more there are.
template <typename Item, typename Line>
QStringList FirstLines(const std::vector<Item>& items, const Line& line) {
    QStringList lines;
    for (const Item& item : items) {
        if (lines.size() == kLinesShown) {
            lines << QCoreApplication::translate("kofrex::AddReport", "… and %n more.", nullptr,
                                                 static_cast<int>(items.size()) - kLinesShown);
            break;
        }
        lines << line(item);
    }
    return lines;
}

}  // namespace

QString ShownStoredName(const QString& path) {
    const std::string stored = FitName(GetStoredName(path.toStdString()));
    return QString::fromStdString(DecodeWindows1252(TrimSpaces(stored)));
}

QString RefusalReport(const std::vector<AddResult>& results) {
    QStringList lines;
    for (const AddResult& result : results) {
        if (result.outcome != AddOutcome::Stored) {
            lines << Named(result.path) + QStringLiteral(": ") + Reason(result) + u'.';
        }
    }
    if (lines.isEmpty()) {
        return {};
    }
    const QString opening =
        lines.size() == 1
            ? QCoreApplication::translate("kofrex::AddReport", "This file was not stored:")
            : QCoreApplication::translate("kofrex::AddReport", "These files were not stored:");
    return opening + u'\n' + lines.join(u'\n');
}

QString RenamedReport(const std::vector<AddResult>& results) {
    std::vector<AddResult> renamed;
    std::copy_if(results.begin(), results.end(), std::back_inserter(renamed),
                 [](const AddResult& result) {
                     return result.outcome == AddOutcome::Stored &&
                            !KeepsFileName(result.path.toStdString());
                 });
    const QStringList lines = FirstLines(renamed, [](const AddResult& result) {
        return QCoreApplication::translate("kofrex::AddReport", "%1 is stored as %2.")
            .arg(Named(result.path), ShownStoredName(result.path));
    });
    if (lines.isEmpty()) {
        return {};
    }
    return QCoreApplication::translate("kofrex::AddReport",
                                       "Stored names are upper case, in Windows-1252 and at "
                                       "most 15 bytes long:") +
           u'\n' + lines.join(u'\n');
}

QString AddReport(const std::vector<AddResult>& results) {
    QStringList reports;
    for (const QString& report : {RefusalReport(results), RenamedReport(results)}) {
        if (!report.isEmpty()) {
            reports << report;
        }
    }
    return reports.join(u'\n');
}

QString LeftAloneSentence(const modKofrex::LeftAlone& file) {
    const QString path = QString::fromStdString(file.path);
    switch (file.reason) {
        case modKofrex::LeftAlone::Reason::Declined:
            return QCoreApplication::translate("kofrex::AddReport",
                                               "'%1' exists already and was left alone.")
                .arg(path);
        case modKofrex::LeftAlone::Reason::ArchiveItself:
            return QCoreApplication::translate(
                       "kofrex::AddReport",
                       "'%1' is the archive itself and was left alone: writing the entry over it "
                       "would lose every other entry.")
                .arg(path);
        case modKofrex::LeftAlone::Reason::CannotWrite:
            break;
    }
    return TranslatedDescription(*file.error);
}

QString LeftAloneReport(const std::vector<modKofrex::LeftAlone>& files) {
    const QStringList lines = FirstLines(files, LeftAloneSentence);
    if (lines.isEmpty()) {
        return {};
    }
    const QString opening =
        QCoreApplication::translate("kofrex::AddReport", "Not every file was extracted:");
    return opening + u'\n' + lines.join(u'\n');
}

QString DamageReason(const Damage& damage) {
    // Each text marked where it stands, so that lupdate finds it.
    const auto say = [](const char* text) {
        return QCoreApplication::translate("kofrex::Damage", text);
    };
    switch (damage.kind) {
        case Damage::Kind::NotRegularFile:
            return say(QT_TRANSLATE_NOOP(
                "kofrex::Damage", "It is not a regular file but a pipe, a device or a socket."));
        case Damage::Kind::ShorterThanHeader:
            return say(QT_TRANSLATE_NOOP("kofrex::Damage",
                                         "It is shorter than the 9 bytes of an archive's header."));
        case Damage::Kind::WrongSignature:
            return say(
                QT_TRANSLATE_NOOP("kofrex::Damage", "It does not start with the signature KFRX."));
        case Damage::Kind::UnknownVersion:
            return say(QT_TRANSLATE_NOOP("kofrex::Damage",
                                         "It is of version %1; Kofrex reads version 1."))
                .arg(damage.value);
        case Damage::Kind::NegativeCount:
            return say(QT_TRANSLATE_NOOP("kofrex::Damage",
                                         "Its header promises %1 entries, a negative number."))
                .arg(damage.value);
        case Damage::Kind::DirectoryPastEnd:
            return say(QT_TRANSLATE_NOOP("kofrex::Damage",
                                         "Its directory runs past the end of the file: %1 entries "
                                         "promised, %2 fit."))
                .arg(damage.value)
                .arg(damage.fit);
        case Damage::Kind::EntryBeforeStart:
            return say(QT_TRANSLATE_NOOP("kofrex::Damage",
                                         "The data of entry %1 start at position %2, before the "
                                         "file's first byte."))
                .arg(damage.entry)
                .arg(damage.value);
        case Damage::Kind::NegativeSize:
            return say(QT_TRANSLATE_NOOP("kofrex::Damage",
                                         "Entry %1 has a negative size, %2 bytes."))
                .arg(damage.entry)
                .arg(damage.value);
        case Damage::Kind::EntryPastEnd:
            return say(QT_TRANSLATE_NOOP(
                           "kofrex::Damage",
                           "The data of entry %1 run past the end of the file; bytes missing: %2."))
                .arg(damage.entry)
                .arg(damage.value);
    }
    return {};
}

QString NotAnArchive(const QString& path, const std::optional<Damage>& damage) {
    const QString refusal =
        QCoreApplication::translate("kofrex::frmMain",
                                    "The file '%1' is not an archive that Kofrex can read.")
            .arg(path);
    return damage ? refusal + u'\n' + DamageReason(*damage) : refusal;
}

QString LostReport(const std::vector<modKofrex::LostEntry>& lost) {
    return FirstLines(lost,
                      [](const modKofrex::LostEntry& entry) {
                          return QCoreApplication::translate("kofrex::Damage",
                                                             "'%1' was not recovered. %2")
                              .arg(
                                  QString::fromStdString(DecodeWindows1252(TrimSpaces(entry.name))),
                                  DamageReason(entry.damage));
                      })
        .join(u'\n');
}

}  // namespace kofrex
