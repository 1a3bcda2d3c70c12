#pragma once

#include "core/platform/Prompt.h"

class QWidget;

// The window's prompt: every question and message of the program as a modal
// QMessageBox over the active window, with the request's caption, icon and
// buttons. The first button is the default; Escape gives Cancel, or No when
// there is no Cancel button.
class CMessageBoxPrompt : public CPrompt
{
public:
    // `parent` is the window the boxes belong to; none means the active window.
    explicit CMessageBoxPrompt(QWidget* parent = nullptr) : m_parent(parent) { }
    PromptAnswer Ask(const PromptRequest& request) override;

private:
    QWidget* m_parent;
};
