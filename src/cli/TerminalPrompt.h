#pragma once

#include "core/platform/Prompt.h"

// Questions of the command-line tool: "--yes" answers Yes (or OK); otherwise
// they are asked on the terminal, and without a terminal they get the
// cautious answer. Messages are printed on stderr.
class CTerminalPrompt : public CPrompt
{
public:
    explicit CTerminalPrompt(bool answerYes) : m_answerYes(answerYes) { }
    PromptAnswer Ask(const PromptRequest& request) override;

private:
    bool m_answerYes;
};
