#include "gui/shell/CPathBar.h"

#include "core/resources/ResourceIds.h"
#include "core/resources/Texts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

CPathBar::CPathBar(const QString& label, int barId, QWidget* parent)
    : QWidget(parent), m_label(new QLabel(label, this)), m_edit(new QLineEdit(this))
{
    setObjectName(IdName(barId));
    m_edit->setObjectName(IdName(Ctl::PathBarEdit));
    m_edit->setReadOnly(true);
    m_edit->setFrame(true);
    m_label->setBuddy(m_edit);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(4);
    layout->addWidget(m_label);
    layout->addWidget(m_edit, 1); // the edit always reaches the bar's right edge
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    SetPath({});
}

void CPathBar::SetPath(const QString& path)
{
    m_path = path;
    m_edit->setText(path.isEmpty() ? Txt::NotSet() : path);
    m_edit->setCursorPosition(0);
    m_edit->setToolTip(path);
}

QString CPathBar::Text() const
{
    return m_edit->text();
}
