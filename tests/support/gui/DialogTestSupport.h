#pragma once

// Helpers of the GUI tests of the dialogs and property sheets: a temporary
// profile with fresh option records, controls by their id, and scripts that
// act on modal dialogs once they are open; with them the option records and
// the filter set that the dialogs edit.

#include "core/filters/FilterSet.h"
#include "core/platform/Profile.h"
#include "core/settings/CAppOptionDisp.h"
#include "core/settings/CAppOptionSync.h"
#include "core/settings/CAppOptionTool.h"
#include "support/TempProfile.h"
#include "support/gui/Controls.h"
#include "support/gui/ModalDialogs.h"

#include <QApplication>
