#pragma once

#include "gui/shell/CommandTarget.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;

// The program's icon in the desktop's system tray, with its popup menu (the
// tray menu: start and stop auto-sync, open, exit; the first item is the
// default, shown bold) and the double-click that issues the default item's
// command. Every command goes to the window's command routing, so each is
// subject to its enable rule as a menu choice is.
//
// States: not created -> created (in the tray) -> hidden <-> shown -> deleted.
// Where the desktop has no system tray, Create fails and the icon stays
// disabled: the window then minimises to the task bar as usual.
class CSystemTray : public QObject
{
    Q_OBJECT

public:
    // What the tray needs of the window: the enable rule and the execution of
    // a command, and the window that it brings to the foreground.
    struct Router
    {
        std::function<CommandState(int id)> state;
        std::function<bool(int id)> run;
        std::function<QWidget*()> window;
    };

    static constexpr int MaxToolTipLength = 63;

    explicit CSystemTray(QObject* parent = nullptr);
    ~CSystemTray() override;

    void SetRouter(Router router) { m_router = std::move(router); }

    // Puts `icon` with `toolTip` (cut to 63 characters) into the tray; `iconId`
    // names this icon in HandleTrayMessage. False (and disabled) where the
    // desktop has no system tray.
    bool Create(const QString& toolTip, const QIcon& icon, int iconId);
    // Takes the icon out of the tray and puts it back (when enabled).
    void HideTrayIcon();
    void ShowTrayIcon();
    // Final removal; also done on destruction. The icon leaves the tray at
    // once; the icon object and its menu are deleted once the event being
    // handled has returned (the removal may come from the menu's own item).
    void DeleteTrayIcon();

    bool IsEnabled() const { return m_enabled; }
    bool IsHidden() const { return m_hidden; }
    bool IsShown() const { return m_enabled && !m_hidden; }
    int IconId() const { return m_iconId; }
    QString ToolTip() const { return m_toolTip; }

    // The popup menu (built on Create), with the enable rules applied when it
    // is about to show; position DefaultItem is the default item.
    QMenu* Menu() const { return m_menu.get(); }
    int DefaultItem() const { return m_defaultItem; }
    // Applies the enable rules to the menu's items.
    void UpdateMenu();
    // The icon in the tray (null before Create or after DeleteTrayIcon).
    QSystemTrayIcon* Icon() const { return m_icon.get(); }

    // One activation of icon `iconId`: the popup menu on the context request,
    // the default item's command on a double-click. False when the icon id is
    // not this icon's, or the menu is missing.
    bool HandleTrayMessage(int iconId, QSystemTrayIcon::ActivationReason reason);

    // Whether the desktop has a system tray (QSystemTrayIcon's answer unless a
    // test has decided it).
    static bool IsTrayAvailable();
    static void SetTrayAvailableForTesting(std::optional<bool> available);

private:
    void BuildMenu();
    void RunCommand(int id);
    void BringWindowForward();
    void RetireLater(QObject* object);
    void DeleteRetired();

    Router m_router;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::unique_ptr<QMenu> m_menu;
    std::vector<QPointer<QObject>> m_retired; // deleted later, or with the tray
    bool m_enabled = false;
    bool m_hidden = false;
    int m_iconId = 0;
    int m_defaultItem = 0;
    QString m_toolTip;
};
