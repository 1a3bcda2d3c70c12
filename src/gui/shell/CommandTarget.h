#pragma once

#include <QString>

class QWidget;

// The state of one command as its enable rule leaves it, asked whenever
// menus and toolbars are about to show and when the selection changes.
struct CommandState
{
    bool enabled = false;
    bool checked = false; // shows a check mark
    QString text; // replaces the menu text when not empty
};

// Something that handles numbered commands: the active view, the document's
// commands, the frame, the application — asked in that order, as the first
// that handles an id wins.
class ICommandTarget
{
public:
    virtual ~ICommandTarget() = default;
    // Whether this target has a handler for `id` (then it also owns its enable rule).
    virtual bool HandlesCommand(int id) const = 0;
    virtual void UpdateCommand(int id, CommandState& state) = 0;
    virtual void ExecuteCommand(int id) = 0;
};

// What the views need of the main window.
class IMainFrame
{
public:
    virtual ~IMainFrame() = default;
    // The two path bars; an empty path shows "設定されていません".
    virtual void ShowProjectFolderPath(const QString& path) = 0;
    virtual void ShowTargetFolderPath(const QString& path) = 0;
    // The selection-size pane: project side, target side and their difference.
    virtual void ShowSelectionSizes(qint64 projectBytes, qint64 targetBytes) = 0;
    // Re-evaluates the enable rules of every action (after a selection change).
    virtual void UpdateCommandStates() = 0;
    // The top-level window: the owner of dialogs and menus.
    virtual QWidget* Window() = 0;
};
