#pragma once

// What the user is told about files given to add that were not stored, files an extract left
// alone, and files that are no archive Kofrex can read.

#include <QString>
#include <vector>

#include "add_outcome.h"
#include "modKofrex.h"

namespace kofrex {

struct AddResult {
    QString path;
    AddOutcome outcome;
};

// The name a file is stored under, as the window shows it: without its padding spaces.
QString ShownStoredName(const QString& path);

// One message naming every file of `results` that was not stored, and why; empty when all were.
QString RefusalReport(const std::vector<AddResult>& results);

// One message naming every file of `results` that was stored under a name other than its own
// by more than case ("Holiday picture 2024.jpg" as HOLIDAY PICTURE); empty when there is none.
QString RenamedReport(const std::vector<AddResult>& results);
// Both reports of an add, in one message.
QString AddReport(const std::vector<AddResult>& results);

// Why an extract left a file alone, as a sentence naming it.
QString LeftAloneSentence(const modKofrex::LeftAlone& file);
// One message naming the files an extract of several left alone, and why (the first few of a
// long list, and how many more); empty when there were none.
QString LeftAloneReport(const std::vector<modKofrex::LeftAlone>& files);

// Why a file is no archive Kofrex reads, and where, as a sentence.
QString DamageReason(const Damage& damage);
// The refusal of the file at `path`: the sentence that names it, then the reason when known.
QString NotAnArchive(const QString& path, const std::optional<Damage>& damage);
// One line for each entry of a damaged archive that could not be recovered, with its reason.
QString LostReport(const std::vector<modKofrex::LostEntry>& lost);

}  // namespace kofrex
