#include "batch_commands.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringList>
#include <cstdio>
#include <optional>
#include <string_view>

#include "add_report.h"
#include "command_line.h"
#include "modKofrex.h"
#include "path_rules.h"
#include "terminal_progress.h"

namespace kofrex {
namespace {

QString Shown(const std::string& path) {
    return QString::fromStdString(path);
}

// What a command says: each failure on stderr as it comes, as scripts read it; from a desktop
// also gathered, for the one message Told() shows at the end.
class Speaker {
  public:
    explicit Speaker(DesktopAnswer* desktop) : desktop_(desktop) {}
    DesktopAnswer* Desktop() const { return desktop_; }
    // On stderr only.
    static void Print(const QString& why) { std::fprintf(stderr, "kofrex: %s\n", qPrintable(why)); }
    // In the desktop's message only.
    void Show(const QString& why) {
        if (!why.isEmpty()) {
            said_ << why;
        }
    }
    int Fail(const QString& why) {
        Print(why);
        Show(why);
        return 1;
    }
    // Shows what was gathered; returns `status`.
    int Told(int status) {
        if (desktop_ != nullptr && !said_.isEmpty()) {
            desktop_->Tell(said_.join(u'\n'));
        }
        said_.clear();
        return status;
    }

  private:
    DesktopAnswer* desktop_;
    QStringList said_;
};

// The archive at `path` made current; false after saying why it cannot be.
bool OpenOrSay(modKofrex& store, const std::string& path, Speaker& speaker) {
    if (store.OpenArchive(path)) {
        return true;
    }
    if (!store.SomethingAt(path)) {
        speaker.Fail(CommandLine::tr("There is no file '%1'.").arg(Shown(path)));
    } else if (!store.FileExists(path)) {
        speaker.Fail(CommandLine::tr("The file '%1' cannot be read.").arg(Shown(path)));
    } else {
        speaker.Fail(NotAnArchive(Shown(path), store.Refusal()));
    }
    return false;
}

// Each file an extract left alone, with its reason; 1 when there was one. A desktop's message
// words them as the window does, where no option can be given.
int SayLeftAlone(const modKofrex::ExtractReport& report, Speaker& speaker) {
    for (const modKofrex::LeftAlone& file : report.leftAlone) {
        Speaker::Print(
            file.reason == modKofrex::LeftAlone::Reason::Declined
                ? CommandLine::tr(
                      "'%1' exists already and was left alone (--overwrite replaces it).")
                      .arg(Shown(file.path))
                : LeftAloneSentence(file));
    }
    speaker.Show(LeftAloneReport(report.leftAlone));
    return report.leftAlone.empty() ? 0 : 1;
}

// A stored name as a person reads it: padding trimmed, in UTF-8.
std::string ReadableName(const ArchiveEntry& entry) {
    return DecodeWindows1252(TrimSpaces(entry.Name));
}

// Names come from the archive, which anyone may have written: no control character reaches
// a terminal or splits a line.
std::string OnOneLine(std::string name) {
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') {
            c = '?';
        }
    }
    return name;
}

std::string JsonString(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

// One entry's line, or its JSON object after the separator that precedes it.
std::string Listed(const ArchiveEntry& entry, bool json, bool first) {
    const std::string size = std::to_string(entry.Size);
    const std::string offset = std::to_string(entry.Offset);
    if (json) {
        return (first ? "\n" : ",\n") + std::string("{\"name\":") +
               JsonString(ReadableName(entry)) + ",\"size\":" + size + ",\"offset\":" + offset +
               "}";
    }
    return OnOneLine(ReadableName(entry)) + '\t' + size + '\t' + offset + '\n';
}

// Written as it is made, a piece at a time: ten million entries cost the directory's memory, not
// the listing's as well. False when a write failed.
bool PrintListing(const EntryTable& entries, bool json) {
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    std::string out = json ? "[" : "";
    for (std::size_t row = 0; row < entries.size(); ++row) {
        out += Listed(entries[row], json, row == 0);
        if (out.size() >= kPiece) {
            if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) {
                return false;
            }
            out.clear();
        }
    }
    return Printed(json ? out + (entries.empty() ? "]\n" : "\n]\n") : out);
}

// Runs `work` with `progress` as the store's callback, and a desktop's progress window named
// `doing`; the store's errors said on stderr. A cancel from the terminal ends the program as
// Ctrl+C does; one from the window is no failure to tell.
template <typename Work>
int WithProgress(modKofrex& store, TerminalProgress& progress, Speaker& speaker,
                 const QString& doing, const QString& cancelled, const Work& work) {
    DesktopAnswer* desktop = speaker.Desktop();
    store.SetProgress([&](const Progress& now) {
        return progress.Report(now) && (desktop == nullptr || desktop->Report(doing, now));
    });
    const auto done = qScopeGuard([desktop] { desktop != nullptr ? desktop->Done() : void(); });
    try {
        return work();
    } catch (const OperationCancelled&) {
        if (desktop == nullptr) {
            progress.EndAsInterrupted(cancelled);
        }
        Speaker::Print(cancelled);
        return 1;
    }
}

QString NameOf(const std::string& path) {
    return QFileInfo(Shown(path)).fileName();
}

// Extracting `archive` into `folder`, made first with the rule for links in shared folders as
// every folder the store writes into: `work` with the terminal's progress, which it clears
// before it speaks.
template <typename Work>
int Extracting(modKofrex& store, const std::string& folder, const std::string& archive,
               Speaker& speaker, const Work& work) {
    MakeFolders(FileSystem::Default(), folder);
    TerminalProgress progress(CommandLine::tr("Extracting"));
    const QString cancelled =
        CommandLine::tr("Cancelled: the files written so far are kept, none in part.");
    return WithProgress(store, progress, speaker,
                        CommandLine::tr("Extracting %1…").arg(NameOf(archive)), cancelled,
                        [&] { return work(progress); });
}

int ChangedWhileRead(const std::string& archive, Speaker& speaker) {
    return speaker.Fail(
        CommandLine::tr("The archive '%1' changed while it was read; nothing was written.")
            .arg(Shown(archive)));
}

// The entries stored as `names`, 1-based: each that a name finds; nullopt after naming each name
// that finds none.
std::optional<std::vector<std::int32_t>> Rows(const modKofrex& store,
                                              const std::vector<std::string>& names,
                                              Speaker& speaker) {
    std::vector<std::int32_t> rows;
    bool allFound = true;
    for (const std::string& name : names) {
        const std::vector<std::int32_t> found = store.EntryRows(EncodeWindows1252(name));
        if (found.empty()) {
            speaker.Fail(CommandLine::tr("No entry is stored as '%1'.").arg(Shown(name)));
            allFound = false;
        }
        rows.insert(rows.end(), found.begin(), found.end());
    }
    return allFound ? std::optional(rows) : std::nullopt;
}

}  // namespace

bool Printed(std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
           std::fflush(stdout) == 0;
}

int ListArchive(const std::string& archive, bool json) {
    modKofrex store;
    Speaker speaker(nullptr);
    if (!OpenOrSay(store, archive, speaker)) {
        return 1;
    }
    if (!PrintListing(store.Entries(), json)) {
        return speaker.Fail(CommandLine::tr("The list could not be written."));
    }
    return 0;
}

int AddToArchive(const std::string& archive, const std::vector<std::string>& files,
                 DesktopAnswer* desktop) {
    modKofrex store;
    Speaker speaker(desktop);
    // A new archive is made in the same write as its first entries: none when none is stored.
    const bool exists = store.SomethingAt(archive);
    if (exists && !OpenOrSay(store, archive, speaker)) {
        return speaker.Told(1);
    }
    TerminalProgress progress(CommandLine::tr("Adding"));
    return speaker.Told(WithProgress(
        store, progress, speaker, CommandLine::tr("Adding to %1…").arg(NameOf(archive)),
        CommandLine::tr("Cancelled: the archive is as it was."), [&] {
            const std::vector<AddOutcome> outcomes =
                exists ? store.AddFilesToArchive(files) : store.AddFilesToArchive(archive, files);
            std::vector<AddResult> results;
            for (std::size_t i = 0; i < files.size(); ++i) {
                results.push_back({Shown(files[i]), outcomes[i]});
            }
            const QString refused = RefusalReport(results);
            const QString renamed = RenamedReport(results);
            progress.Clear();
            const int status = refused.isEmpty() ? 0 : speaker.Fail(refused);
            if (!renamed.isEmpty()) {  // told, but no failure
                std::printf("%s\n", qPrintable(renamed));
                speaker.Show(renamed);
            }
            return status;
        }));
}

namespace {

int ExtractOpened(modKofrex& store, const std::string& folder, const std::string& archive,
                  const std::vector<std::int32_t>& rows, bool overwrite, Speaker& speaker) {
    return Extracting(store, folder, archive, speaker, [&](TerminalProgress& progress) {
        const modKofrex::ExtractReport report =
            store.ExtractEntries(folder, rows, [&](const std::string&) { return overwrite; });
        progress.Clear();
        return report.archiveChanged ? ChangedWhileRead(archive, speaker)
                                     : SayLeftAlone(report, speaker);
    });
}

}  // namespace

int ExtractFromArchive(const std::string& folder, const std::string& archive,
                       const std::vector<std::string>& names, bool overwrite,
                       DesktopAnswer* desktop) {
    modKofrex store;
    Speaker speaker(desktop);
    if (!OpenOrSay(store, archive, speaker)) {
        return speaker.Told(1);
    }
    const std::optional<std::vector<std::int32_t>> rows = Rows(store, names, speaker);
    if (!rows) {
        return speaker.Told(1);
    }
    return speaker.Told(ExtractOpened(store, folder, archive, *rows, overwrite, speaker));
}

int ExtractHere(const std::vector<std::string>& archives, bool overwrite, DesktopAnswer* desktop) {
    Speaker speaker(desktop);
    int status = 0;
    for (const std::string& archive : archives) {
        modKofrex store;
        if (!OpenOrSay(store, archive, speaker)) {
            status = 1;
            continue;
        }
        const std::string folder =
            store.EntryCount() == 1 ? FolderOf(archive) : FolderNamedAfter(archive);
        status |= ExtractOpened(store, folder, archive, {}, overwrite, speaker);
    }
    return speaker.Told(status);
}

int SalvageFromArchive(const std::string& folder, const std::string& archive, bool overwrite,
                       DesktopAnswer* desktop) {
    modKofrex store;
    Speaker speaker(desktop);
    const std::optional<modKofrex::SalvageReport> survey = store.SurveyDamaged(archive);
    if (!survey) {  // not even its directory is whole: said as a refused open says it
        OpenOrSay(store, archive, speaker);
        return speaker.Told(1);
    }
    if (survey->whole == 0 && survey->total > 0) {
        return speaker.Told(speaker.Fail(
            CommandLine::tr("No entry of '%1' lies whole in it: nothing was recovered.")
                .arg(Shown(archive))));
    }
    return speaker.Told(
        Extracting(store, folder, archive, speaker, [&](TerminalProgress& progress) {
            const std::optional<modKofrex::SalvageReport> report = store.SalvageEntries(
                archive, folder, [&](const std::string&) { return overwrite; });
            progress.Clear();
            if (!report) {
                return ChangedWhileRead(archive, speaker);
            }
            if (!report->lost.empty()) {
                speaker.Fail(LostReport(report->lost));
            }
            return SayLeftAlone(report->extracted, speaker) | (report->lost.empty() ? 0 : 1);
        }));
}

}  // namespace kofrex
