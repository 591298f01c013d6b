#pragma once

// The entries the window opened in other programs, watched for their edits. The private folder
// is watched as well as each copy, so that a program that saves by writing a new file and
// renaming it over the copy is seen too. Once the copies have been quiet for a moment after a
// change, so that a program still writing is not interrupted, Quiet() is emitted.

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <vector>

#include "opened_copy.h"

namespace kofrex {

// How long the copies stay unchanged before the window asks about an edit.
inline constexpr std::chrono::milliseconds kEditQuiet{700};

// The edits a question covers: those not asked about in their present state, or also those
// asked about and kept out of the archive, when their copies are about to go.
enum class EditsToAsk { New, AlsoAskedBefore };

class OpenedEntries : public QObject {
    Q_OBJECT

  public:
    explicit OpenedEntries(QObject* parent);

    // Watches `copy`, instead of any copy watched at its path before.
    void Watch(OpenedCopy copy);
    // The copies edited since their bytes were last taken, as `which` says.
    std::vector<OpenedCopy*> Edited(EditsToAsk which);
    // Quiet() comes again after the moment, for edits that could not be asked about yet.
    void AskLater() { quiet_.start(); }

  signals:
    void Quiet();

  private:
    void Changed();

    QFileSystemWatcher watcher_;
    QTimer quiet_;
    std::vector<OpenedCopy> copies_;
};

}  // namespace kofrex
