#pragma once

#include <QString>
#include <QWidget>

// One page of a property sheet. The page builds its controls when it is
// made, but reads its record only when it is first shown (OnInitPage), and
// writes it back only if it was shown, when the sheet is confirmed with OK
// or Apply (OnOK). Any change a user makes marks the page modified, which
// enables the sheet's Apply.
class CPropertyPage : public QWidget
{
    Q_OBJECT

public:
    CPropertyPage(int dialogId, const QString& caption, QWidget* parent = nullptr);

    const QString& Caption() const { return m_caption; }
    bool IsInitialized() const { return m_initialized; }
    // Runs OnInitPage the first time; later calls do nothing.
    void EnsureInitialized();

    bool IsModified() const { return m_modified; }
    void SetModified(bool modified = true);

    // Checks the values before the sheet is confirmed; false keeps the
    // sheet open on this page (the reason was shown).
    virtual bool OnKillActive() { return true; }
    // The confirm step: takes the values from the controls and stores them.
    virtual void OnOK() { }

Q_SIGNALS:
    void ModifiedChanged(bool modified);

protected:
    // Fills the controls from the page's record (first showing only).
    virtual void OnInitPage() { }
    // Connects `signal` of `sender` so that it marks the page modified.
    template <typename Sender, typename Signal> void MarkModifiedOn(Sender* sender, Signal signal)
    {
        connect(sender, signal, this, [this] { SetModified(); });
    }

private:
    QString m_caption;
    bool m_initialized = false;
    bool m_modified = false;
};
