#pragma once

#include <QString>

class CFileEntry;

// The one enumeration of sync states, shared by files and folders.
enum SyncState : int {
    SyncNone = 0, // file: on neither side
    SyncSame, // file: same time and size; folder: nothing to do
    SyncSameWithinTolerance, // file: same size, times 1 or 2 seconds apart
    SyncProjectNewer, // file, folder
    SyncTargetNewer, // file, folder
    SyncProjectOnly, // file: only in the project folder; folder: only the project folder exists
    SyncTargetOnly, // file: only in the target folder; folder: only the target folder exists
    SyncSizeDiffers, // file: same time, different size
    SyncMixed, // folder: work in both directions, or a size difference
    SyncNeitherExists, // folder: neither folder reachable
};

// Indices of the state pictures in the shared strip of fifteen 16 x 16 pictures.
namespace Picture {
constexpr int None = -1; // no picture
constexpr int Same = 7;
constexpr int ProjectOnly = 8;
constexpr int TargetOnly = 9;
constexpr int ProjectNewer = 10;
constexpr int TargetNewer = 11;
constexpr int WithinTolerance = 12;
constexpr int Excluded = 13;
constexpr int Mixed = 14;
} // namespace Picture

// Time difference up to which two files of equal size count as equal (both bounds included).
constexpr qint64 kTimeToleranceSeconds = 2;

// Compares the project side `project` with the target side `target` by last-write
// time and size only: SyncSame, SyncSameWithinTolerance, SyncProjectNewer,
// SyncTargetNewer or SyncSizeDiffers.
SyncState CompareEntries(const CFileEntry& project, const CFileEntry& target);
// The same from the two sides' times (whole seconds) and sizes.
SyncState CompareStamps(qint64 projectTime, quint64 projectSize, qint64 targetTime, quint64 targetSize);

// Status text of a file state in the file list ("" for the folder-only states).
QString GetFileStateText(SyncState state);
// Picture of a file state; `showToleranceIcon` is display flag bit 1.
int GetFileStatePicture(SyncState state, bool showToleranceIcon);
// Picture of a folder state; Picture::None for SyncNeitherExists. States that a
// folder never gets (2, 7) and SyncNone show Picture::Same.
int GetFolderStatePicture(SyncState state);
// Info tip of a folder state in the tree ("" for none).
QString GetFolderTipText(SyncState state);
// Info tip of the file list chosen by a file's picture ("" for none).
QString GetFilePictureTip(int picture);
// Info tip of the tree for an excluded folder (a node that is not synchronised).
QString GetExcludedFolderTipText();
// Info tip of the tree for a folder pair whose project folder (`project`),
// target folder (`target`) or both could not be read completely.
QString GetUnreadFolderTipText(bool project, bool target);
