#pragma once
// The wait cursor of the mail dialogs under its older name; the guard itself is the GUI
// layer's (app/ui/wait_cursor.h).

#include "app/ui/wait_cursor.h"

using ScopedWaitCursor = ui::WaitCursor;
