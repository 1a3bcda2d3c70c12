#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

// Every question and message of the program goes through one prompt object:
// the window answers with message boxes, the command-line tool from its flags
// or the terminal, and tests with scripted answers.

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, YesYesToAllNoCancel };
enum class PromptIcon { None, Information, Warning, Error, Question };
enum class PromptAnswer { Ok, Cancel, Yes, No, YesToAll, Retry };

struct PromptRequest
{
    QString text;
    QString caption = QStringLiteral("Pairwell");
    PromptButtons buttons = PromptButtons::Ok;
    PromptIcon icon = PromptIcon::None;
};

class CPrompt
{
public:
    virtual ~CPrompt() = default;
    virtual PromptAnswer Ask(const PromptRequest& request) = 0;

    // Shorthands for the common shapes of request.
    void ShowMessage(const QString& text, PromptIcon icon = PromptIcon::Information,
        const QString& caption = QStringLiteral("Pairwell"));
    bool AskYesNo(const QString& text, PromptIcon icon = PromptIcon::Question);
    bool AskOkCancel(const QString& text, PromptIcon icon = PromptIcon::Question);
};

// The process-wide prompt. Until one is installed, questions get the
// cautious answer (see CCautiousPrompt) and messages go nowhere.
CPrompt& CurrentPrompt();
// Installs `prompt` (not owned) and returns the previous one; nullptr restores the default.
CPrompt* SetCurrentPrompt(CPrompt* prompt);

// Answers every question with the answer that changes nothing: No, Cancel,
// or OK for a plain message.
class CCautiousPrompt : public CPrompt
{
public:
    PromptAnswer Ask(const PromptRequest& request) override;
};

// The answer that changes nothing for a given set of buttons.
PromptAnswer CautiousAnswer(PromptButtons buttons);

// Answers from a queue and records every request, for tests. When the queue
// is empty a request gets the cautious answer and counts as unexpected.
class CScriptedPrompt : public CPrompt
{
public:
    void Push(PromptAnswer answer) { m_answers.push_back(answer); }
    PromptAnswer Ask(const PromptRequest& request) override;

    const std::vector<PromptRequest>& Requests() const { return m_requests; }
    QStringList Texts() const;
    int UnexpectedCount() const { return m_unexpected; }
    bool AllAnswersUsed() const { return m_answers.empty(); }

private:
    std::deque<PromptAnswer> m_answers;
    std::vector<PromptRequest> m_requests;
    int m_unexpected = 0;
};

// Installs a prompt for the lifetime of a scope.
class CPromptScope
{
public:
    explicit CPromptScope(CPrompt& prompt) : m_previous(SetCurrentPrompt(&prompt)) { }
    ~CPromptScope() { SetCurrentPrompt(m_previous); }
    CPromptScope(const CPromptScope&) = delete;
    CPromptScope& operator=(const CPromptScope&) = delete;

private:
    CPrompt* m_previous;
};
