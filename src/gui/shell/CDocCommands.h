#pragma once

#include "gui/shell/CommandTarget.h"

#include <QObject>
#include <QString>
#include <functional>

class CMyDoc;
class QWidget;

// The document's commands, second in the command route after the active
// view: new, open, save, save as, the four recent files, the options sheet,
// and the two filter file commands that have no action. Every replacement
// or close of the document first asks whether to save it (SaveModified).
class CDocCommands : public QObject, public ICommandTarget
{
    Q_OBJECT

public:
    // `window` owns the file dialogs.
    CDocCommands(CMyDoc& doc, QWidget* window);
    ~CDocCommands() override;

    // New empty document, after SaveModified. False when the user cancelled.
    bool NewDocument();
    // Opens `path` as the document, after SaveModified. A file that cannot be
    // read is reported and leaves the current document as it was (false).
    // Otherwise the document is read and rescanned on a worker thread (true:
    // started; CMyDoc::LoadFinished tells the end): a damaged file is then
    // reported and leaves an empty document; once it was read the path goes
    // to the front of the recent-file list.
    bool OpenDocumentFile(const QString& path);
    // Recent file `index` (0 to 3); an entry that cannot be opened (or turns
    // out damaged) is removed.
    bool OpenRecentFile(int index);
    // Asks for a document and opens it.
    bool OpenWithDialog();
    // Saves under the current path, or asks for one.
    bool Save();
    // Asks for a path and saves there.
    bool SaveAs();
    // Before the document is closed or replaced: true to go on.
    bool SaveModified();
    // Undoes the document's last run: shows what the undo will do in the
    // preview list (rows may be unticked), then does the ticked steps and
    // reports what was left alone or failed. False when nothing was done.
    bool UndoLastRun();

    // The file dialogs; tests replace them. An empty answer cancels.
    using PathChooser = std::function<QString(const QString& title)>;
    void SetOpenPathChooser(PathChooser chooser) { m_openChooser = std::move(chooser); }
    void SetSavePathChooser(PathChooser chooser) { m_saveChooser = std::move(chooser); }

    // The filter of the file dialogs.
    static QString FileDialogFilter(); // "Pairwell ﾌｧｲﾙ (*.snc)"
    // `path` with ".snc" appended when it has no extension.
    static QString WithDefaultExtension(const QString& path);

    // ICommandTarget
    bool HandlesCommand(int id) const override;
    void UpdateCommand(int id, CommandState& state) override;
    void ExecuteCommand(int id) override;

private:
    bool OpenWithoutAsking(const QString& path);
    QString AskOpenPath() const;
    QString AskSavePath(const QString& title) const;
    void RememberPath(const QString& path);

    CMyDoc& m_doc;
    QWidget* m_window;
    PathChooser m_openChooser;
    PathChooser m_saveChooser;
    QString m_openingRecent; // the recent entry being opened
};
