#pragma once

#include <QString>

// Folder paths as the user gives them, checked and resolved before anything
// is done in them.

// Whether `path` names a folder at all: not empty, absolute, without a NUL
// character. A path that is not set is never resolved against the working
// directory: whatever holds it is refused or left out.
bool IsFolderPathSet(const QString& path);

// The absolute path that the kernel reaches for `path`, as realpath gives it:
// each component in turn, every link followed where it stands, "." and ".."
// applied to what the link led to (so "lnk/../proj" is the "proj" beside the
// link's target, not "./proj"). A relative `path` starts from the working
// directory: only for what a user typed on a command line.
//
// The part of the path from the first component that does not exist (or
// cannot be looked at) on is appended as text, with "." and ".." applied to
// the text: a folder that is still to be created resolves to where it will
// be. With `keepLastLink` a last component that is itself a link stays as it
// is (the path names the link, which is followed each time the folder is
// used). Empty when `path` is empty, holds a NUL character, or is relative
// and the working directory is unknown.
QString ResolvePath(const QString& path, bool keepLastLink = false);

// Whether the folders `first` and `second`, both resolved, are one folder or
// one lies inside the other, compared component by component ("/a/bc" is not
// inside "/a/b"). False when either is not set.
bool FoldersOverlap(const QString& first, const QString& second);
