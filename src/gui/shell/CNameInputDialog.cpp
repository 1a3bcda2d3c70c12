#include "gui/shell/CNameInputDialog.h"

#include "core/resources/ResourceIds.h"
#include "core/resources/Texts.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CNameInputDialog::CNameInputDialog(QWidget* parent) : QDialog(parent), m_edit(new QLineEdit(this))
{
    setObjectName(IdName(Res::NameInputDialog));
    setWindowTitle(QStringLiteral("名称入力"));

    auto* label = new QLabel(QStringLiteral("名前(&N)"), this);
    label->setBuddy(m_edit);
    m_edit->setObjectName(IdName(Ctl::NameEdit));

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(IdName(Ctl::Ok));
    QPushButton* cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(IdName(Ctl::Cancel));
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_edit, &QLineEdit::textChanged, this, [this] { m_ok->setEnabled(true); });

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_edit, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setMinimumWidth(320);
    m_edit->setFocus();
}

void CNameInputDialog::accept()
{
    // Only OK leaves with a name, and only once the text was changed.
    if (!m_ok->isEnabled())
        return;
    m_enteredName = m_edit->text();
    QDialog::accept();
}
