#pragma once

#include <QString>
#include <QStringView>

// File-name masks: letter case is ignored; "*" matches any run of characters
// (none, and dots included); "?" matches exactly one character; every other
// character matches itself; the whole name must match. "*.*" matches every
// name, also one without a dot. Matching is linear in practice and never
// backtracks exponentially.
bool MatchesMask(const QString& name, const QString& mask);

// For repeated matching: both texts folded once with FoldForMatch (each
// character upper-cased on its own, so the length is kept), then compared.
QString FoldForMatch(QStringView text);
bool MatchesFoldedMask(QStringView foldedName, QStringView foldedMask);
