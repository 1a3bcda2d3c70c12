#include "core/platform/Prompt.h"

namespace {

CCautiousPrompt g_cautiousPrompt;
CPrompt* g_currentPrompt = nullptr;

} // namespace

void CPrompt::ShowMessage(const QString& text, PromptIcon icon, const QString& caption)
{
    Ask({text, caption, PromptButtons::Ok, icon});
}

bool CPrompt::AskYesNo(const QString& text, PromptIcon icon)
{
    return Ask({text, QStringLiteral("Pairwell"), PromptButtons::YesNo, icon}) == PromptAnswer::Yes;
}

bool CPrompt::AskOkCancel(const QString& text, PromptIcon icon)
{
    return Ask({text, QStringLiteral("Pairwell"), PromptButtons::OkCancel, icon}) == PromptAnswer::Ok;
}

CPrompt& CurrentPrompt()
{
    return g_currentPrompt ? *g_currentPrompt : g_cautiousPrompt;
}

CPrompt* SetCurrentPrompt(CPrompt* prompt)
{
    CPrompt* previous = g_currentPrompt;
    g_currentPrompt = prompt;
    return previous;
}

PromptAnswer CautiousAnswer(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok:
        return PromptAnswer::Ok;
    case PromptButtons::YesNo:
        return PromptAnswer::No;
    case PromptButtons::OkCancel:
    case PromptButtons::YesNoCancel:
    case PromptButtons::RetryCancel:
    case PromptButtons::YesYesToAllNoCancel:
        return PromptAnswer::Cancel;
    }
    return PromptAnswer::Cancel;
}

PromptAnswer CCautiousPrompt::Ask(const PromptRequest& request)
{
    return CautiousAnswer(request.buttons);
}

PromptAnswer CScriptedPrompt::Ask(const PromptRequest& request)
{
    m_requests.push_back(request);
    if (m_answers.empty()) {
        ++m_unexpected;
        return CautiousAnswer(request.buttons);
    }
    const PromptAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

QStringList CScriptedPrompt::Texts() const
{
    QStringList texts;
    for (const PromptRequest& request : m_requests)
        texts << request.text;
    return texts;
}
