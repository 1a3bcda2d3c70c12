#include "gui/shell/CSystemTray.h"

#include "core/resources/Menus.h"

#include <QAction>
#include <QFont>
#include <QMenu>
#include <QWidget>
#include <utility>

namespace {

std::optional<bool> g_trayAvailableForTesting;

} // namespace

CSystemTray::CSystemTray(QObject* parent) : QObject(parent)
{
}

CSystemTray::~CSystemTray()
{
    DeleteTrayIcon();
    // What has not gone yet (no event loop ran since) goes with the tray.
    DeleteRetired();
}

bool CSystemTray::IsTrayAvailable()
{
    if (g_trayAvailableForTesting)
        return *g_trayAvailableForTesting;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CSystemTray::SetTrayAvailableForTesting(std::optional<bool> available)
{
    g_trayAvailableForTesting = available;
}

bool CSystemTray::Create(const QString& toolTip, const QIcon& icon, int iconId)
{
    DeleteTrayIcon();
    std::erase_if(m_retired, [](const QPointer<QObject>& object) { return object.isNull(); });
    m_iconId = iconId;
    m_toolTip = toolTip.left(MaxToolTipLength);
    if (!IsTrayAvailable())
        return false;

    BuildMenu();
    m_icon = std::make_unique<QSystemTrayIcon>(icon);
    m_icon->setToolTip(m_toolTip);
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
        [this](QSystemTrayIcon::ActivationReason reason) { HandleTrayMessage(m_iconId, reason); });
    m_icon->show();
    m_enabled = true;
    m_hidden = false;
    return true;
}

void CSystemTray::HideTrayIcon()
{
    if (!m_enabled || m_hidden)
        return;
    m_icon->hide();
    m_hidden = true;
}

void CSystemTray::ShowTrayIcon()
{
    if (!m_enabled || !m_hidden)
        return;
    m_icon->show();
    m_hidden = false;
}

void CSystemTray::DeleteTrayIcon()
{
    if (m_icon) {
        m_icon->hide();
        m_icon->setContextMenu(nullptr);
        m_icon->disconnect(this);
    }
    if (m_menu) {
        m_menu->hide();
        m_menu->disconnect(this);
    }
    // The removal may come from the menu's own item ("exit" closes the
    // window, whose close removes the icon) while the menu is still handling
    // the mouse release that chose it: the two go once that event returned.
    RetireLater(m_icon.release());
    RetireLater(m_menu.release());
    m_enabled = false;
    m_hidden = false;
}

void CSystemTray::RetireLater(QObject* object)
{
    if (!object)
        return;
    m_retired.emplace_back(object);
    object->deleteLater();
}

void CSystemTray::DeleteRetired()
{
    for (const QPointer<QObject>& object : std::exchange(m_retired, {}))
        delete object.data();
}

void CSystemTray::BuildMenu()
{
    m_menu = std::make_unique<QMenu>();
    m_menu->setObjectName(QStringLiteral("TrayMenu"));
    const MenuItemDef definition = TrayMenuDefinition();
    for (const MenuItemDef& item : definition.items) {
        if (item.id == 0) {
            m_menu->addSeparator();
            continue;
        }
        QAction* action = m_menu->addAction(item.DisplayText());
        action->setData(item.id);
        const int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    }
    const QList<QAction*> actions = m_menu->actions();
    if (m_defaultItem < actions.size()) {
        QAction* defaultAction = actions.at(m_defaultItem);
        m_menu->setDefaultAction(defaultAction);
        QFont bold = defaultAction->font();
        bold.setBold(true);
        defaultAction->setFont(bold);
    }
    connect(m_menu.get(), &QMenu::aboutToShow, this, &CSystemTray::UpdateMenu);
}

void CSystemTray::UpdateMenu()
{
    if (!m_menu)
        return;
    for (QAction* action : m_menu->actions()) {
        if (action->isSeparator())
            continue;
        const CommandState state = m_router.state ? m_router.state(action->data().toInt()) : CommandState();
        action->setEnabled(state.enabled);
    }
}

void CSystemTray::RunCommand(int id)
{
    // As a menu choice: the window's routing asks the enable rule again.
    if (m_router.run)
        m_router.run(id);
}

void CSystemTray::BringWindowForward()
{
    QWidget* window = m_router.window ? m_router.window() : nullptr;
    if (window && window->isVisible()) {
        window->raise();
        window->activateWindow();
    }
}

bool CSystemTray::HandleTrayMessage(int iconId, QSystemTrayIcon::ActivationReason reason)
{
    if (iconId != m_iconId || !m_menu)
        return false;
    switch (reason) {
    case QSystemTrayIcon::Context:
        // The tray shows the menu itself; its items follow the enable rules.
        BringWindowForward();
        UpdateMenu();
        break;
    case QSystemTrayIcon::DoubleClick: {
        BringWindowForward();
        const QList<QAction*> actions = m_menu->actions();
        if (m_defaultItem < actions.size())
            RunCommand(actions.at(m_defaultItem)->data().toInt());
        break;
    }
    default:
        break;
    }
    return true;
}
