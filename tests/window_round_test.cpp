// The window's progress and cancel, its dialogs and list, drops and the archive named on start.

#include "window_fixture.h"
