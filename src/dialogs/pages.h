#pragma once
// Every page of the launcher, for the flow that shows them.

#include "dialogs/change_folder.h"
#include "dialogs/plugin_dialog.h"
#include "dialogs/restore_security_dialog.h"
#include "dialogs/setup_complete.h"
#include "dialogs/setup_complete_error.h"
#include "dialogs/setup_progress_dialog.h"
#include "dialogs/welcome_dialog.h"
