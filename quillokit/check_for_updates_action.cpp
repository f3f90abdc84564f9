#include "quillokit/check_for_updates_action.h"

#include "quillokit/updater.h"

#include <QAction>

QAction* makeCheckForUpdatesAction(Updater& updater, QObject* parent)
{
    auto* action = new QAction(QStringLiteral("Check for Updates…"), parent);
    action->setMenuRole(QAction::ApplicationSpecificRole);
    QObject::connect(action, &QAction::triggered, &updater, &Updater::checkForUpdates);
    return action;
}
