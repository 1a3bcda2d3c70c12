#include "gui/shell/CAboutDlg.h"

#include "core/resources/ResourceIds.h"
#include "core/resources/Texts.h"
#include "gui/resources/Pictures.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent),
      m_icon(new QLabel(this)),
      m_version(new QLabel(QStringLiteral("Pairwell Version 2.31"), this)),
      m_description(new QLabel(QStringLiteral("プロジェクトフォルダとターゲットフォルダの組を同期します。"), this))
{
    setObjectName(IdName(Res::AboutDialog));
    setWindowTitle(QStringLiteral("Pairwellのﾊﾞｰｼﾞｮﾝ情報"));
    m_icon->setPixmap(ProgramPixmap(32));
    m_icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);
    layout->addWidget(m_icon, 0, 0, 2, 1);
    layout->addWidget(m_version, 0, 1);
    layout->addWidget(m_description, 1, 1);
    layout->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
