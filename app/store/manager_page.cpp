#include "store/manager_page.h"

QString toRaw(ManagerPage page)
{
    switch (page) {
    case ManagerPage::shares: return QStringLiteral("shares");
    case ManagerPage::profiles: return QStringLiteral("profiles");
    case ManagerPage::activity: return QStringLiteral("activity");
    case ManagerPage::settings: return QStringLiteral("settings");
    }
    return {};
}

std::optional<ManagerPage> managerPageFromRaw(const QString& raw)
{
    for (ManagerPage page : allManagerPages) {
        if (toRaw(page) == raw)
            return page;
    }
    return std::nullopt;
}

QString title(ManagerPage page)
{
    switch (page) {
    case ManagerPage::shares: return QStringLiteral("Lines");
    case ManagerPage::profiles: return QStringLiteral("Routes");
    case ManagerPage::activity: return QStringLiteral("Signal Log");
    case ManagerPage::settings: return QStringLiteral("Settings");
    }
    return {};
}

QString symbol(ManagerPage page)
{
    switch (page) {
    case ManagerPage::shares: return QStringLiteral("line.3.horizontal");
    case ManagerPage::profiles: return QStringLiteral("point.topleft.down.to.point.bottomright.curvepath");
    case ManagerPage::activity: return QStringLiteral("list.bullet.below.rectangle");
    case ManagerPage::settings: return QStringLiteral("gearshape");
    }
    return {};
}
