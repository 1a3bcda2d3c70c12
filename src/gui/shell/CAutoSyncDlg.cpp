#include "gui/shell/CAutoSyncDlg.h"

#include "core/platform/Prompt.h"
#include "core/resources/ResourceIds.h"
#include "core/resources/Texts.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <limits>

namespace {

QString NotANumberText()
{
    return QStringLiteral("整数を入力してください。");
}

QString OutOfRangeText()
{
    return QStringLiteral("%1 から %2 までの整数を入力してください。")
        .arg(CAutoSyncDlg::MinMinutes)
        .arg(CAutoSyncDlg::MaxMinutes);
}

QToolButton* MakeArrow(Qt::ArrowType arrow, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(18, 12);
    return button;
}

} // namespace

CAutoSyncDlg::CAutoSyncDlg(QWidget* parent) : QDialog(parent), m_edit(new QLineEdit(this))
{
    setObjectName(IdName(Res::AutoSyncDialog));
    setWindowTitle(QStringLiteral("自動同期の開始"));

    auto* explanation = new QLabel(
        QStringLiteral("自動同期を開始すると、タスクトレイに常駐し、\n指定間隔で同期を実行します。"), this);

    auto* label = new QLabel(QStringLiteral("自動同期間隔(&N)"), this);
    label->setBuddy(m_edit);
    m_edit->setObjectName(IdName(IntervalEditId));
    m_edit->setAlignment(Qt::AlignRight);
    m_edit->setMaximumWidth(80);
    m_edit->installEventFilter(this);

    // The spin control: two arrows attached to the right of the edit box.
    auto* spin = new QWidget(this);
    spin->setObjectName(IdName(IntervalSpinId));
    m_up = MakeArrow(Qt::UpArrow, spin);
    m_down = MakeArrow(Qt::DownArrow, spin);
    auto* arrows = new QVBoxLayout(spin);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    arrows->addWidget(m_up);
    arrows->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });

    auto* unit = new QLabel(QStringLiteral("（分）"), this);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addSpacing(8);
    row->addWidget(m_edit);
    row->setSpacing(0);
    row->addWidget(spin);
    row->addSpacing(4);
    row->addWidget(unit);
    row->addStretch(1);

    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    m_start = buttons->addButton(QStringLiteral("開始"), QDialogButtonBox::AcceptRole);
    m_start->setObjectName(IdName(Ctl::Ok));
    m_start->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(IdName(Ctl::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* left = new QVBoxLayout;
    left->addWidget(explanation);
    left->addSpacing(12);
    left->addLayout(row);
    left->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addSpacing(12);
    layout->addWidget(buttons);

    SetMinutes(m_minutes);
    m_edit->setFocus();
}

void CAutoSyncDlg::SetMinutes(int minutes)
{
    m_minutes = std::clamp(minutes, MinMinutes, MaxMinutes);
    m_edit->setText(QString::number(m_minutes));
    m_edit->selectAll();
}

bool CAutoSyncDlg::ParseMinutes(const QString& text, int* minutes)
{
    // Full-width digits and signs (typed with an input method) count as digits.
    const QString plain = text.normalized(QString::NormalizationForm_KC).trimmed();
    if (plain.isEmpty())
        return false;
    qsizetype i = 0;
    if (plain[0] == QLatin1Char('+') || plain[0] == QLatin1Char('-'))
        ++i;
    if (i == plain.size())
        return false;
    for (qsizetype j = i; j < plain.size(); ++j) {
        if (plain[j] < QLatin1Char('0') || plain[j] > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    const qlonglong value = plain.toLongLong(&ok, 10);
    if (!ok) {
        // More digits than any number holds: certainly out of range.
        *minutes = plain[0] == QLatin1Char('-') ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
        return true;
    }
    *minutes = static_cast<int>(
        std::clamp<qlonglong>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    return true;
}

void CAutoSyncDlg::Step(int delta)
{
    int minutes = m_minutes;
    if (!ParseMinutes(m_edit->text(), &minutes))
        minutes = m_minutes;
    SetMinutes(static_cast<int>(std::clamp<qint64>(qint64(minutes) + delta, MinMinutes, MaxMinutes)));
}

bool CAutoSyncDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                Step(key == Qt::Key_Up ? 1 : -1);
                return true;
            }
        } else if (event->type() == QEvent::Wheel) {
            const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
            if (delta != 0) {
                Step(delta > 0 ? 1 : -1);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CAutoSyncDlg::accept()
{
    int minutes = 0;
    QString refusal;
    if (!ParseMinutes(m_edit->text(), &minutes))
        refusal = NotANumberText();
    else if (minutes < MinMinutes || minutes > MaxMinutes)
        refusal = OutOfRangeText();
    if (!refusal.isEmpty()) {
        // A zero or negative interval would make the timer fire without
        // pause; one beyond the timer's range would wrap around.
        CurrentPrompt().ShowMessage(refusal, PromptIcon::Warning);
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    m_minutes = minutes;
    QDialog::accept();
}
