#pragma once

// The file managers' actions that ask first: "Add to Kofrex Archive…" asks for the archive in
// the save chooser, "Extract To…" for the folder in the folder chooser.

#include "batch_commands.h"
#include "command_line.h"
#include "common_dialog.h"

namespace kofrex {

// Asks through `dialog`, then runs the command, answering through `desktop` where it is given;
// its exit status, 0 when the user cancelled.
int RunAskingAction(const AskingAction& action, CommonDialog& dialog, DesktopAnswer* desktop);

// The archive "Add to Kofrex Archive…" proposes for `files`: in the first one's folder, named
// after it without its extension, or after that folder for several, with ".kfx".
QString ProposedArchive(const std::vector<std::string>& files);

}  // namespace kofrex
