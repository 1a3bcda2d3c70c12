#include "gui/sync/CFileProgressDlg.h"

#include "core/platform/Paths.h"
#include "core/resources/Texts.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kNameLabel = 1001;
constexpr int kCountsLabel = 1002;
constexpr int kProgressBar = 1003;
constexpr int kCancel = 2;
constexpr int kBarRange = 1000;

} // namespace

CFileProgressDlg::CFileProgressDlg(FileOpKind kind, QWidget* parent)
    : QDialog(parent),
      m_kind(kind),
      m_name(new QLabel(this)),
      m_counts(new QLabel(this)),
      m_bar(new QProgressBar(this)),
      m_cancel(new QPushButton(QStringLiteral("キャンセル"), this))
{
    setObjectName(QStringLiteral("FileProgress"));
    setWindowTitle(
        kind == FileOpKind::Copy ? QStringLiteral("コピーしています...") : QStringLiteral("削除しています..."));
    setModal(true);
    m_name->setObjectName(IdName(kNameLabel));
    m_name->setTextFormat(Qt::PlainText);
    m_name->setMinimumWidth(420);
    m_name->setWordWrap(false);
    m_counts->setObjectName(IdName(kCountsLabel));
    m_counts->setTextFormat(Qt::PlainText);
    m_bar->setObjectName(IdName(kProgressBar));
    m_bar->setRange(0, kBarRange);
    m_bar->setValue(0);
    m_cancel->setObjectName(IdName(kCancel));
    connect(m_cancel, &QPushButton::clicked, this, &CFileProgressDlg::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_name);
    layout->addWidget(m_bar);
    layout->addWidget(m_counts);
    layout->addLayout(buttons);
    SetProgress(0, 0, 0, 0, QString());
}

void CFileProgressDlg::SetProgress(
    qint64 totalFiles, qint64 totalBytes, qint64 filesDone, qint64 bytesDone, const QString& name)
{
    const QLocale locale;
    // Long paths are cut in the middle so that the name of the file stays visible.
    m_name->setText(
        m_name->fontMetrics().elidedText(name, Qt::ElideMiddle, qMax(m_name->width(), m_name->minimumWidth())));
    m_name->setToolTip(name);
    QString counts
        = QStringLiteral("%1 / %2 個のファイル").arg(locale.toString(filesDone), locale.toString(totalFiles));
    if (m_kind == FileOpKind::Copy) {
        counts += QStringLiteral("    %1 / %2 バイト").arg(locale.toString(bytesDone), locale.toString(totalBytes));
    }
    if (!m_cancelPressed)
        m_counts->setText(counts);
    // The bar follows the bytes of a copy (a large file moves it as well) and the entries of a deletion.
    double part = 0;
    if (m_kind == FileOpKind::Copy && totalBytes > 0)
        part = double(bytesDone) / double(totalBytes);
    else if (totalFiles > 0)
        part = double(filesDone) / double(totalFiles);
    m_bar->setValue(int(qBound(0.0, part, 1.0) * kBarRange));
}

void CFileProgressDlg::reject()
{
    if (m_finished) {
        QDialog::reject();
        return;
    }
    if (m_cancelPressed)
        return;
    m_cancelPressed = true;
    m_cancel->setEnabled(false);
    m_counts->setText(QStringLiteral("キャンセルしています..."));
    Q_EMIT CancelRequested();
}

void CFileProgressDlg::Finish()
{
    m_finished = true;
    QDialog::reject();
}

void CFileProgressDlg::closeEvent(QCloseEvent* event)
{
    if (m_finished) {
        QDialog::closeEvent(event);
        return;
    }
    // The close box cancels; the window stays until the operation has stopped.
    event->ignore();
    reject();
}
