#include "gui/sync/DeleteDialogLayout.h"

#include "core/resources/Texts.h"

#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kOk = 1;
constexpr int kCancel = 2;

} // namespace

QLineEdit* MakeDeletePathText(int id, QWidget* parent)
{
    auto* text = new QLineEdit(parent);
    text->setObjectName(IdName(id));
    text->setReadOnly(true);
    text->setMinimumWidth(360);
    return text;
}

void LayOutDeleteDialog(
    QDialog& dialog, const QString& groupTitle, std::initializer_list<QWidget*> rows, QPushButton& ok)
{
    ok.setObjectName(IdName(kOk));
    ok.setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), &dialog);
    cancel->setObjectName(IdName(kCancel));
    cancel->setAutoDefault(false);
    QObject::connect(&ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

    auto* group = new QGroupBox(groupTitle, &dialog);
    auto* groupLayout = new QVBoxLayout(group);
    for (QWidget* row : rows)
        groupLayout->addWidget(row);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(&ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
