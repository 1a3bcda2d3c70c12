#pragma once

#include "core/platform/Prompt.h"

// Shows the system's text for the calling thread's last error (errno) in a
// message box captioned "Error", with the given buttons and icon, and returns
// the answer. Used where a system call failed without a message of its own.
PromptAnswer ShowLastErrorBox(PromptButtons buttons = PromptButtons::Ok, PromptIcon icon = PromptIcon::Information);

// The same for a given error number.
PromptAnswer ShowErrorBox(
    int errnoValue, PromptButtons buttons = PromptButtons::Ok, PromptIcon icon = PromptIcon::Information);
