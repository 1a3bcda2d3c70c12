#pragma once

#include <QDialog>
#include <vector>

class CPropertyPage;
class QPushButton;
class QTabWidget;

// A property sheet: pages on tabs, with OK, "キャンセル" and "適用(&A)" and no
// Help button. A page is initialised when it is first shown; OK and Apply
// check and then confirm every page that has been shown. Apply is enabled
// while a page is modified.
class CPropertySheet : public QDialog
{
    Q_OBJECT

public:
    CPropertySheet(const QString& title, QWidget* parent = nullptr, int firstPage = 0);

    // Adds a page (the sheet owns it) as the next tab.
    void AddPage(CPropertyPage* page);
    int PageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* Page(int index) const { return m_pages.at(static_cast<size_t>(index)); }
    int ActivePageIndex() const;
    void SetActivePage(int index);

    QTabWidget* Tabs() const { return m_tabs; }
    QPushButton* ApplyButton() const { return m_apply; }

    // OK: the pages are checked and confirmed, then OnSheetConfirmed decides
    // whether the sheet closes.
    void accept() override;
    // Apply: the same, but the sheet stays open. True when everything was stored.
    bool Apply();
    // Whether Apply stored something at least once.
    bool WasApplied() const { return m_applied; }

protected:
    void showEvent(QShowEvent* event) override;
    // After every shown page was confirmed (`closing`: by OK). False keeps
    // the sheet open (a message was shown).
    virtual bool OnSheetConfirmed(bool closing);

private:
    // Checks every shown page (OnKillActive), then confirms them (OnOK).
    bool ConfirmPages();
    void UpdateApplyButton();

    QTabWidget* m_tabs;
    QPushButton* m_apply;
    std::vector<CPropertyPage*> m_pages;
    int m_firstPage;
    bool m_applied = false;
};
