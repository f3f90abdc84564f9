#pragma once

#include <QString>

#include <array>
#include <optional>

// The pages of the manager window, in sidebar order.
enum class ManagerPage { shares, profiles, activity, settings };

inline constexpr std::array<ManagerPage, 4> allManagerPages {
    ManagerPage::shares, ManagerPage::profiles, ManagerPage::activity, ManagerPage::settings};

QString toRaw(ManagerPage page);
std::optional<ManagerPage> managerPageFromRaw(const QString& raw);
QString title(ManagerPage page);
QString symbol(ManagerPage page);
