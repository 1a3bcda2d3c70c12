#include "gui/sync/CPathPropertiesDlg.h"

#include "core/platform/FileSystem.h"
#include "core/platform/Paths.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <sys/stat.h>

namespace {

QString SizeText(quint64 size)
{
    const QLocale locale;
    const QString bytes = QStringLiteral("%1 バイト").arg(locale.toString(size));
    if (size < 1024)
        return bytes;
    return locale.formattedDataSize(qint64(size), 1, QLocale::DataSizeTraditionalFormat) + QStringLiteral(" (") + bytes
        + QLatin1Char(')');
}

QString TimeText(qint64 seconds)
{
    const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds, Qt::LocalTime);
    return time.isValid() ? time.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")) : QString();
}

QString TypeText(const QString& path, const PathInfo& info)
{
    if (info.isLink)
        return QStringLiteral("シンボリックリンク");
    if (info.isDirectory)
        return QStringLiteral("フォルダ");
    if (!S_ISREG(info.mode))
        return QStringLiteral("特殊ファイル");
    return GetFileTypeName(path);
}

} // namespace

CPathPropertiesDlg::CPathPropertiesDlg(const QString& path, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PathProperties"));
    const QString name = GetLastComponent(path);
    setWindowTitle(QStringLiteral("%1のプロパティ").arg(name.isEmpty() ? path : name));

    auto* form = new QFormLayout;
    const auto add = [this, form](const QString& label, const QString& value) {
        auto* text = new QLabel(value, this);
        text->setObjectName(label);
        text->setTextFormat(Qt::PlainText);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        text->setWordWrap(true);
        form->addRow(label + QLatin1Char(':'), text);
    };
    const PathInfo info = GetPathInfo(path);
    add(QStringLiteral("名前"), name);
    add(QStringLiteral("場所"), GetParentFolder(path));
    if (!info.exists) {
        add(QStringLiteral("種類"), QStringLiteral("見つかりません"));
    } else {
        add(QStringLiteral("種類"), TypeText(path, info));
        if (info.isLink)
            add(QStringLiteral("リンク先"), info.linkTarget);
        if (!info.isDirectory)
            add(QStringLiteral("サイズ"), SizeText(info.size));
        add(QStringLiteral("更新日時"), TimeText(info.mtime));
        add(QStringLiteral("アクセス権"), PermissionText(info.mode));
        add(QStringLiteral("所有者"), info.owner);
        add(QStringLiteral("グループ"), info.group);
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

QString CPathPropertiesDlg::FactText(const QString& label) const
{
    const auto* text = findChild<QLabel*>(label);
    return text ? text->text() : QString();
}

QString CPathPropertiesDlg::PermissionText(quint32 mode)
{
    static const char letters[] = "rwxrwxrwx";
    QString text;
    for (int bit = 0; bit < 9; ++bit)
        text += (mode & (0400u >> bit)) ? QLatin1Char(letters[bit]) : QLatin1Char('-');
    // The set-id and sticky bits show in the execute places, as ls shows them.
    if (mode & S_ISUID)
        text[2] = (mode & S_IXUSR) ? u's' : u'S';
    if (mode & S_ISGID)
        text[5] = (mode & S_IXGRP) ? u's' : u'S';
    if (mode & S_ISVTX)
        text[8] = (mode & S_IXOTH) ? u't' : u'T';
    return text + QStringLiteral(" (%1)").arg(mode & 07777, 4, 8, QLatin1Char('0'));
}
