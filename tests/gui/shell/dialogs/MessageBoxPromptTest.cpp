#include "GuiTestSupport.h"

#include "gui/shell/CMessageBoxPrompt.h"
#include "gui/shell/CWaitCursor.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Seen
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons; // texts, in the box's order
    QString defaultButton;
};

// Asks `request`, and when the box is open records what it shows and clicks `click`.
PromptAnswer AskAndClick(const PromptRequest& request, QMessageBox::StandardButton click, Seen* seen = nullptr)
{
    ModalWatch<QMessageBox> watch([&](QMessageBox* box) {
        if (seen) {
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            for (QAbstractButton* button : box->buttons())
                seen->buttons << button->text();
            seen->buttons.sort();
            seen->defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        }
        if (click == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(click)->click();
    });
    CMessageBoxPrompt prompt;
    const PromptAnswer answer = prompt.Ask(request);
    EXPECT_TRUE(watch.Ran());
    return answer;
}

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

TEST(MessageBoxPrompt, EveryButtonGivesItsAnswer)
{
    struct Case
    {
        PromptButtons buttons;
        QMessageBox::StandardButton click;
        PromptAnswer answer;
    };
    const Case cases[] = {
        {PromptButtons::Ok, QMessageBox::Ok, PromptAnswer::Ok},
        {PromptButtons::OkCancel, QMessageBox::Ok, PromptAnswer::Ok},
        {PromptButtons::OkCancel, QMessageBox::Cancel, PromptAnswer::Cancel},
        {PromptButtons::YesNo, QMessageBox::Yes, PromptAnswer::Yes},
        {PromptButtons::YesNo, QMessageBox::No, PromptAnswer::No},
        {PromptButtons::YesNoCancel, QMessageBox::Yes, PromptAnswer::Yes},
        {PromptButtons::YesNoCancel, QMessageBox::No, PromptAnswer::No},
        {PromptButtons::YesNoCancel, QMessageBox::Cancel, PromptAnswer::Cancel},
        {PromptButtons::RetryCancel, QMessageBox::Retry, PromptAnswer::Retry},
        {PromptButtons::RetryCancel, QMessageBox::Cancel, PromptAnswer::Cancel},
        {PromptButtons::YesYesToAllNoCancel, QMessageBox::Yes, PromptAnswer::Yes},
        {PromptButtons::YesYesToAllNoCancel, QMessageBox::YesToAll, PromptAnswer::YesToAll},
        {PromptButtons::YesYesToAllNoCancel, QMessageBox::No, PromptAnswer::No},
        {PromptButtons::YesYesToAllNoCancel, QMessageBox::Cancel, PromptAnswer::Cancel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.click));
        EXPECT_EQ(
            AskAndClick({QStringLiteral("上書きしますか？"), {}, c.buttons, PromptIcon::Question}, c.click), c.answer);
    }
}

TEST(MessageBoxPrompt, EscapeGivesTheAnswerThatChangesNothing)
{
    EXPECT_EQ(AskAndClick({QStringLiteral("x"), {}, PromptButtons::Ok}, QMessageBox::NoButton), PromptAnswer::Ok);
    EXPECT_EQ(
        AskAndClick({QStringLiteral("x"), {}, PromptButtons::OkCancel}, QMessageBox::NoButton), PromptAnswer::Cancel);
    EXPECT_EQ(AskAndClick({QStringLiteral("x"), {}, PromptButtons::YesNo}, QMessageBox::NoButton), PromptAnswer::No);
    EXPECT_EQ(AskAndClick({QStringLiteral("x"), {}, PromptButtons::YesYesToAllNoCancel}, QMessageBox::NoButton),
        PromptAnswer::Cancel);
}

TEST(MessageBoxPrompt, ShowsCaptionTextIconAndJapaneseButtons)
{
    Seen seen;
    AskAndClick({QStringLiteral("ファイルを上書きしますか？"), QStringLiteral("Error"),
                    PromptButtons::YesYesToAllNoCancel, PromptIcon::Warning},
        QMessageBox::Cancel, &seen);
    EXPECT_EQ(seen.title, QStringLiteral("Error"));
    EXPECT_EQ(seen.text, QStringLiteral("ファイルを上書きしますか？"));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons,
        Sorted({QStringLiteral("はい(&Y)"), QStringLiteral("すべてはい(&A)"), QStringLiteral("いいえ(&N)"),
            QStringLiteral("キャンセル")}));
    EXPECT_EQ(seen.defaultButton, QStringLiteral("はい(&Y)"));

    // Without a caption the box is captioned "Pairwell".
    seen = Seen();
    AskAndClick({QStringLiteral("完了しました。"), QString(), PromptButtons::OkCancel, PromptIcon::Error},
        QMessageBox::Ok, &seen);
    EXPECT_EQ(seen.title, QStringLiteral("Pairwell"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, Sorted({QStringLiteral("OK"), QStringLiteral("キャンセル")}));

    seen = Seen();
    AskAndClick(
        {QStringLiteral("?"), {}, PromptButtons::RetryCancel, PromptIcon::Information}, QMessageBox::Retry, &seen);
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, Sorted({QStringLiteral("再試行(&R)"), QStringLiteral("キャンセル")}));
}

TEST(MessageBoxPrompt, TheLogicsQuestionsReachTheBoxWhenItIsTheCurrentPrompt)
{
    CMessageBoxPrompt prompt;
    CPromptScope scope(prompt);
    QString asked;
    ModalWatch<QMessageBox> watch([&](QMessageBox* box) {
        asked = box->text();
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(CurrentPrompt().AskYesNo(QStringLiteral("削除しますか？")));
    EXPECT_EQ(asked, QStringLiteral("削除しますか？"));
}

TEST(WaitCursor, ShowsTheWaitCursorForItsScopeAndNests)
{
    TestApp();
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        CWaitCursor outer;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            CWaitCursor inner;
        }
        EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
