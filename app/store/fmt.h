#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// How figures and times read everywhere in the application.
namespace Fmt {

// "—" when absent; one decimal below 10 ms.
QString ms(std::optional<double> value);
// "just now" within a minute, else an abbreviated distance such as "5 min. ago" or "in 2 hr.".
QString relative(const QDateTime& date, const QDateTime& now);
// "soon" when absent; "in 42s", or whole minutes beyond 59 seconds ("in 3m"); never below "in 0s".
QString countdown(const std::optional<QDateTime>& date, const QDateTime& now);
// Hour and minute, two digits each, 24-hour, in local time.
QString clock(const QDateTime& date);
QString clockSeconds(const QDateTime& date);
// "45 s" below two minutes, else rounded minutes: "10 min".
QString span(double seconds);

} // namespace Fmt
