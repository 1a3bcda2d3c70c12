#include "core/platform/ShowLastErrorBox.h"

#include "core/platform/FileSystem.h"

#include <cerrno>

PromptAnswer ShowLastErrorBox(PromptButtons buttons, PromptIcon icon)
{
    // Taken first: building the request may itself change errno.
    const int error = errno;
    return ShowErrorBox(error, buttons, icon);
}

PromptAnswer ShowErrorBox(int errnoValue, PromptButtons buttons, PromptIcon icon)
{
    PromptRequest request;
    request.text = SystemErrorText(errnoValue);
    request.caption = QStringLiteral("Error");
    request.buttons = buttons;
    request.icon = icon;
    return CurrentPrompt().Ask(request);
}
