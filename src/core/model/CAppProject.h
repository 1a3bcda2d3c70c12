#pragma once

#include "core/model/CProject.h"

// The root of a document's project tree: its children are the projects. It
// is shown under the computer's network name and never stored as an object
// of its own (the document writes its record first, without a tag).
class CAppProject : public CProject
{
public:
    CAppProject() = default;

    // The computer's network name.
    QString GetDisplayName() const override;
    // Whether any node of the tree was created by a rescan or changed since the last store.
    bool IsChanged() const override;
};
