// The error box shows the system's text for the last error, captioned "Error".
#include "core/platform/FileSystem.h"
#include "core/platform/Prompt.h"
#include "core/platform/ShowLastErrorBox.h"

#include <cerrno>
#include <gtest/gtest.h>

TEST(ErrorBox, ShowsTheSystemTextOfErrno)
{
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    prompt.Push(PromptAnswer::Ok);
    errno = ENOENT;
    EXPECT_EQ(ShowLastErrorBox(), PromptAnswer::Ok);
    ASSERT_EQ(prompt.Requests().size(), 1u);
    const PromptRequest& request = prompt.Requests()[0];
    EXPECT_EQ(request.caption, QStringLiteral("Error"));
    EXPECT_EQ(request.text, SystemErrorText(ENOENT));
    EXPECT_FALSE(request.text.isEmpty());
    EXPECT_EQ(request.icon, PromptIcon::Information);
    EXPECT_EQ(request.buttons, PromptButtons::Ok);

    // With buttons and an icon of the caller's.
    prompt.Push(PromptAnswer::Retry);
    errno = EACCES;
    EXPECT_EQ(ShowLastErrorBox(PromptButtons::RetryCancel, PromptIcon::Error), PromptAnswer::Retry);
    EXPECT_EQ(prompt.Requests()[1].text, SystemErrorText(EACCES));
    EXPECT_EQ(prompt.Requests()[1].icon, PromptIcon::Error);
    EXPECT_EQ(prompt.UnexpectedCount(), 0);
}
