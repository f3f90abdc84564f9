#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// How the command line prints what the application tells: tables like the board for a person, and JSON
// for a script, where every object has the same keys every time (null for what the application left out).
namespace CommandOutput {

using Records = QList<QVariantMap>;

extern const QStringList lineKeys;
extern const QStringList routeKeys;
extern const QStringList logKeys;

// An indented JSON array of the records, each with exactly these keys.
QByteArray json(const Records& records, const QStringList& keys);

// The board's summary over a table of name, state, latency, free space and address; colour marks the state.
QString statusTable(const Records& lines, const Records& routes, bool colour);
// The routes with their lines by name; a star marks the active one.
QString routesTable(const Records& routes, const Records& lines);
// Newest first, in local time.
QString logTable(const Records& entries);

// Whether standard output is a terminal that takes colour.
bool colourWanted();

} // namespace CommandOutput
