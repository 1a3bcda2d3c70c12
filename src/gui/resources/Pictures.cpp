#include "gui/resources/Pictures.h"

#include "core/resources/CommandIds.h"

#include <QPainter>
#include <array>

// The pictures are compiled into the GUI library; a static library needs its
// resources registered explicitly (outside any namespace).
static void RegisterPictureResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(pairwell);
        return true;
    }();
    (void)registered;
}

namespace {

QString PicturePath(const QString& name)
{
    return QStringLiteral(":/pairwell/") + name;
}

const QPixmap& StripImage()
{
    RegisterPictureResources();
    static const QPixmap strip(PicturePath(QStringLiteral("strip.png")));
    return strip;
}

// An icon of a pixel-art picture: the picture itself and a copy with every
// pixel doubled, so that high-density screens get sharp pixels, not a blur.
QIcon PixelIcon(const QPixmap& pixmap)
{
    QIcon icon;
    icon.addPixmap(pixmap);
    icon.addPixmap(pixmap.scaled(pixmap.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    return icon;
}

QString ToolbarPictureName(int commandId)
{
    switch (commandId) {
    case Cmd::ToolbarCreateProject:
    case Cmd::CreateProject:
        return QStringLiteral("create-project");
    case Cmd::FileNew:
        return QStringLiteral("new");
    case Cmd::FileOpen:
        return QStringLiteral("open");
    case Cmd::FileSave:
        return QStringLiteral("save");
    case Cmd::Delete:
        return QStringLiteral("delete");
    case Cmd::ToolbarShowProjectState:
    case Cmd::ShowProjectSyncState:
        return QStringLiteral("project-state");
    case Cmd::ShowFileSyncState:
        return QStringLiteral("file-state");
    case Cmd::Import:
        return QStringLiteral("import");
    case Cmd::Export:
        return QStringLiteral("export");
    case Cmd::CompareText:
        return QStringLiteral("compare-text");
    case Cmd::CompareBinary:
        return QStringLiteral("compare-binary");
    default:
        return {};
    }
}

constexpr std::array<int, 8> kIconSizes = {16, 22, 24, 32, 48, 64, 128, 256};

} // namespace

QPixmap StripPixmap(int index)
{
    if (index < 0 || index >= Strip::Count) {
        QPixmap empty(Strip::Size, Strip::Size);
        empty.fill(Qt::transparent);
        return empty;
    }
    return StripImage().copy(index * Strip::Size, 0, Strip::Size, Strip::Size);
}

QIcon StripPicture(int index)
{
    return CImageList::Shared().Icon(index);
}

QPixmap SortPicture(int direction)
{
    RegisterPictureResources();
    return QPixmap(PicturePath(direction == 0 ? QStringLiteral("sort-up.png") : QStringLiteral("sort-down.png")));
}

QIcon ToolbarIcon(int commandId)
{
    RegisterPictureResources();
    const QString name = ToolbarPictureName(commandId);
    if (name.isEmpty())
        return {};
    return PixelIcon(QPixmap(PicturePath(QStringLiteral("toolbar/") + name + QStringLiteral(".png"))));
}

std::vector<int> ToolbarCommands()
{
    return {Cmd::ToolbarCreateProject, Cmd::FileNew, Cmd::FileOpen, Cmd::FileSave, 0, Cmd::Delete,
        Cmd::ToolbarShowProjectState, Cmd::ShowFileSyncState, Cmd::Import, Cmd::Export, Cmd::CompareText,
        Cmd::CompareBinary};
}

QIcon ProgramIcon()
{
    RegisterPictureResources();
    QIcon icon;
    for (int size : kIconSizes)
        icon.addFile(PicturePath(QStringLiteral("icons/pairwell-%1.png").arg(size)), QSize(size, size));
    return icon;
}

QPixmap ProgramPixmap(int size)
{
    RegisterPictureResources();
    for (int stored : kIconSizes)
        if (stored == size)
            return QPixmap(PicturePath(QStringLiteral("icons/pairwell-%1.png").arg(size)));
    return ProgramIcon().pixmap(size, size);
}

const CImageList& CImageList::Shared()
{
    static const CImageList list;
    return list;
}

CImageList::CImageList()
{
    m_icons.reserve(Strip::Count);
    for (int i = 0; i < Strip::Count; ++i)
        m_icons.push_back(PixelIcon(StripPixmap(i)));
    m_pairs.resize(size_t(Strip::Count + 1) * size_t(Strip::Count + 1));
}

QIcon CImageList::Icon(int index) const
{
    if (index < 0 || index >= Strip::Count)
        return PixelIcon(StripPixmap(-1));
    return m_icons[size_t(index)];
}

QPixmap CImageList::Pixmap(int index) const
{
    return StripPixmap(index);
}

QIcon CImageList::Pair(int left, int right) const
{
    left = (left < 0 || left >= Strip::Count) ? -1 : left;
    right = (right < 0 || right >= Strip::Count) ? -1 : right;
    QIcon& pair = m_pairs[size_t(left + 1) * size_t(Strip::Count + 1) + size_t(right + 1)];
    if (pair.isNull()) {
        QPixmap combined(PairSize());
        combined.fill(Qt::transparent);
        QPainter painter(&combined);
        if (left >= 0)
            painter.drawPixmap(0, 0, StripPixmap(left));
        if (right >= 0)
            painter.drawPixmap(Strip::Size + 2, 0, StripPixmap(right));
        painter.end();
        pair = PixelIcon(combined);
    }
    return pair;
}
