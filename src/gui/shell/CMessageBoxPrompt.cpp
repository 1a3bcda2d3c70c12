#include "gui/shell/CMessageBoxPrompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <vector>

namespace {

struct ButtonDef
{
    QMessageBox::StandardButton button;
    PromptAnswer answer;
    const char16_t* text;
};

constexpr ButtonDef kOk{QMessageBox::Ok, PromptAnswer::Ok, u"OK"};
constexpr ButtonDef kCancel{QMessageBox::Cancel, PromptAnswer::Cancel, u"キャンセル"};
constexpr ButtonDef kYes{QMessageBox::Yes, PromptAnswer::Yes, u"はい(&Y)"};
constexpr ButtonDef kYesToAll{QMessageBox::YesToAll, PromptAnswer::YesToAll, u"すべてはい(&A)"};
constexpr ButtonDef kNo{QMessageBox::No, PromptAnswer::No, u"いいえ(&N)"};
constexpr ButtonDef kRetry{QMessageBox::Retry, PromptAnswer::Retry, u"再試行(&R)"};

std::vector<ButtonDef> ButtonsOf(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok:
        return {kOk};
    case PromptButtons::OkCancel:
        return {kOk, kCancel};
    case PromptButtons::YesNo:
        return {kYes, kNo};
    case PromptButtons::YesNoCancel:
        return {kYes, kNo, kCancel};
    case PromptButtons::RetryCancel:
        return {kRetry, kCancel};
    case PromptButtons::YesYesToAllNoCancel:
        return {kYes, kYesToAll, kNo, kCancel};
    }
    return {kOk};
}

QMessageBox::Icon IconOf(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::None:
        return QMessageBox::NoIcon;
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

PromptAnswer CMessageBoxPrompt::Ask(const PromptRequest& request)
{
    QMessageBox box(m_parent ? m_parent : QApplication::activeWindow());
    box.setWindowTitle(request.caption.isEmpty() ? QStringLiteral("Pairwell") : request.caption);
    box.setText(request.text);
    box.setIcon(IconOf(request.icon));

    const std::vector<ButtonDef> buttons = ButtonsOf(request.buttons);
    QMessageBox::StandardButtons standard;
    for (const ButtonDef& def : buttons)
        standard |= def.button;
    box.setStandardButtons(standard);
    for (const ButtonDef& def : buttons)
        box.button(def.button)->setText(QString::fromUtf16(def.text));
    box.setDefaultButton(buttons.front().button);

    // Escape and the close box give the answer that changes nothing.
    const PromptAnswer cautious = CautiousAnswer(request.buttons);
    for (const ButtonDef& def : buttons)
        if (def.answer == cautious)
            box.setEscapeButton(def.button);

    box.exec();
    const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
    for (const ButtonDef& def : buttons)
        if (def.button == clicked)
            return def.answer;
    return cautious;
}
