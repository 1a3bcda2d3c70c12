#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <vector>

// The program's pictures: the shared strip of fifteen 16 x 16 pictures that
// the project tree and the file list show, the header's sort triangles, the
// toolbar buttons and the program icon. All have real transparency.

// Indices into the picture strip. 7 to 14 are the state pictures.
namespace Strip {
constexpr int Count = 15;
constexpr int Size = 16;
constexpr int Empty = 0; // no status
constexpr int Root = 1; // window with a document: the root item
constexpr int File = 2; // a file page
constexpr int Project = 3; // stacked yellow folders: a top-level project
constexpr int Folder = 4; // yellow folder: a subfolder
constexpr int ProjectNoSubfolders = 5; // stacked grey folders
constexpr int FolderNoSubfolders = 6; // grey folder
constexpr int StateSame = 7; // empty: in sync
constexpr int ProjectOnly = 8; // red plus
constexpr int TargetOnly = 9; // green minus
constexpr int ProjectNewer = 10; // red tick
constexpr int TargetNewer = 11; // green tick
constexpr int WithinTolerance = 12; // blue approximately-equal sign
constexpr int Excluded = 13; // dark red cross
constexpr int Mixed = 14; // yellow question mark
} // namespace Strip

// One picture of the strip, 16 x 16; a transparent picture for an index out of range.
QPixmap StripPixmap(int index);
// The same picture as an icon; it also holds a pixel-doubled copy, so that it
// stays crisp on a screen with twice the pixel density.
QIcon StripPicture(int index);

// The sort triangle of the file list's header (8 x 7): up for direction 0
// (ascending), down for any other direction.
QPixmap SortPicture(int direction);

// The toolbar picture of a command (16 x 16); a null icon for a command without one.
QIcon ToolbarIcon(int commandId);
// The commands of the toolbar, in their order; 0 stands for a separator.
std::vector<int> ToolbarCommands();

// The program icon in all its sizes (16 to 256 pixels).
QIcon ProgramIcon();
// The program icon drawn for exactly `size` pixels (the nearest stored size, scaled if need be).
QPixmap ProgramPixmap(int size);

// The strip as an image list for the views: single pictures, and two
// pictures side by side in one icon for a tree item that shows a state
// picture left of its type picture. Built once, on first use, after the
// QGuiApplication exists.
class CImageList
{
public:
    static const CImageList& Shared();

    int Count() const { return Strip::Count; }
    static QSize PictureSize() { return {Strip::Size, Strip::Size}; }
    QIcon Icon(int index) const;
    QPixmap Pixmap(int index) const;

    // The size of a pair: two pictures with a gap of 2 pixels.
    static QSize PairSize() { return {2 * Strip::Size + 2, Strip::Size}; }
    // Pictures `left` and `right` side by side; a negative index leaves its place empty.
    QIcon Pair(int left, int right) const;

private:
    CImageList();

    std::vector<QIcon> m_icons;
    mutable std::vector<QIcon> m_pairs; // (left + 1) * (Count + 1) + (right + 1), built on demand
};
