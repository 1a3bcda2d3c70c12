#pragma once

#include <QString>

// The one key function for node and file names: names are matched without
// regard to letter case by upper-casing them once. Every table of nodes or
// files builds and looks up its keys through this function, so that the two
// sides of a folder pair and the project tree agree on which names are equal.
inline QString MakeKey(const QString& name)
{
    return name.toUpper();
}
