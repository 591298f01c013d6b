// The round trip of an opened entry: the copies watched, and the question whether an edit goes
// back into the archive.

#include "opened_entries.h"

#include <QApplication>
#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>

#include "frmMain.h"

namespace kofrex {

OpenedEntries::OpenedEntries(QObject* parent) : QObject(parent) {
    quiet_.setSingleShot(true);
    quiet_.setInterval(kEditQuiet);
    connect(&quiet_, &QTimer::timeout, this, &OpenedEntries::Quiet);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &OpenedEntries::Changed);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &OpenedEntries::Changed);
}

void OpenedEntries::Watch(OpenedCopy copy) {
    std::erase_if(copies_, [&](const OpenedCopy& old) { return old.Path() == copy.Path(); });
    const QString path = QString::fromStdString(copy.Path());
    copies_.push_back(std::move(copy));
    watcher_.addPath(QFileInfo(path).path());
    watcher_.addPath(path);
}

// Each change starts the moment anew. A copy replaced by a rename is no longer watched as a
// file; it is watched again.
void OpenedEntries::Changed() {
    for (const OpenedCopy& copy : copies_) {
        const QString path = QString::fromStdString(copy.Path());
        if (!watcher_.files().contains(path) && QFileInfo::exists(path)) {
            watcher_.addPath(path);
        }
    }
    quiet_.start();
}

std::vector<OpenedCopy*> OpenedEntries::Edited(EditsToAsk which) {
    std::vector<OpenedCopy*> edited;
    for (OpenedCopy& copy : copies_) {
        if (which == EditsToAsk::New ? copy.EditedSinceAsked() : copy.Edited()) {
            edited.push_back(&copy);
        }
    }
    return edited;
}

void frmMain::WatchOpened(const QString& path, int row) {
    if (!opened_) {
        opened_ = std::make_unique<OpenedEntries>(this);
        connect(opened_.get(), &OpenedEntries::Quiet, this,
                [this] { RunHandler([this] { AskAboutEdits(); }); });
    }
    opened_->Watch(OpenedCopy(FileSystem::Default(), path.toStdString(), store_.ArchivePath(),
                              row + 1,
                              std::string(store_.Entries().NameAt(static_cast<std::size_t>(row)))));
}

void frmMain::AskAboutEdits(EditsToAsk which) {
    if (!opened_) {
        return;
    }
    // Never inside other work or another question: asked once that has ended.
    if (askingAboutEdits_ || work_ != nullptr || QApplication::activeModalWidget() != nullptr) {
        opened_->AskLater();
        return;
    }
    askingAboutEdits_ = true;
    const auto done = qScopeGuard([this] { askingAboutEdits_ = false; });
    for (OpenedCopy* copy : opened_->Edited(which)) {
        const QString name = QString::fromStdString(DecodeWindows1252(TrimSpaces(copy->Name())));
        copy->MarkAsked();
        if (messages_->Show(tr("'%1' was changed. Update it in the archive?").arg(name),
                            kButtonsYesNo) == kAnswerYes) {
            PutBackEdit(*copy, name);
        } else {
            copy->TakeAsCurrent();
        }
    }
}

// The archive shown, or the one the entry came from where another is shown now. An edit that
// could not be put back stays an edit: asked about again at its next change and at the close.
void frmMain::PutBackEdit(OpenedCopy& copy, const QString& name) {
    const bool shown = store_.IsCurrentArchive(copy.Archive());
    modKofrex other;
    modKofrex& store = shown ? store_ : other;
    AddOutcome outcome = AddOutcome::NoArchive;
    if (!RunWork(tr("Updating %1…").arg(name), [&] {
            if (shown || other.OpenArchive(copy.Archive())) {
                const std::int32_t row = copy.RowIn(store.Entries());
                outcome = row == 0 ? AddOutcome::NoSuchEntry : store.ReplaceEntry(row, copy.Path());
            }
        })) {
        return;
    }
    if (shown) {
        outcome == AddOutcome::NoArchive ? ShowArchiveAsItIsNow() : ListFiles();
    }
    const QString kept = QString::fromStdString(copy.Path());
    switch (outcome) {
        case AddOutcome::Stored:
            copy.TakeAsCurrent();
            ReleaseWhenIdle();
            return;
        case AddOutcome::ArchiveChanged:
            messages_->Show(tr("'%1' could not be updated: another program changed the archive "
                               "meanwhile, and its list has been read again. The edited file is "
                               "kept at %2 until Kofrex closes.")
                                .arg(name, kept));
            return;
        default:
            messages_->Show(RefusalReport({{kept, outcome}}) + u'\n' +
                            tr("The edited file is kept at %1 until Kofrex closes.").arg(kept));
    }
}

}  // namespace kofrex
