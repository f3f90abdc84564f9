#include "shell/command_output.h"

#include "store/fmt.h"
#include "views/line_texts.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>
#include <optional>
#include <vector>

#include <unistd.h>

namespace {

using Paint = std::function<QString(int row, int column, const QString& cell)>;

// Columns padded to their widest cell, two spaces apart; the last one is not padded.
QString table(const QStringList& header, const std::vector<QStringList>& rows, const Paint& paint = {})
{
    std::vector<qsizetype> widths(header.size(), 0);
    const auto measure = [&](const QStringList& cells) {
        for (qsizetype c = 0; c < cells.size(); ++c)
            widths[c] = std::max(widths[c], cells[c].size());
    };
    measure(header);
    for (const QStringList& row : rows)
        measure(row);
    QString text;
    const auto write = [&](int row, const QStringList& cells) {
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const bool last = c + 1 == cells.size();
            const QString cell = last ? cells[c] : cells[c].leftJustified(widths[c]);
            text += paint ? paint(row, int(c), cell) : cell;
            if (!last)
                text += QStringLiteral("  ");
        }
        text += QLatin1Char('\n');
    };
    write(-1, header);
    for (size_t r = 0; r < rows.size(); ++r)
        write(int(r), rows[r]);
    return text;
}

QString sgr(const char* code, const QString& text)
{
    return QStringLiteral("\x1b[%1m").arg(QLatin1String(code)) + text + QStringLiteral("\x1b[0m");
}

const char* stateColour(const QString& state)
{
    if (state == QLatin1String("connected"))
        return "32";
    if (state == QLatin1String("connecting") || state == QLatin1String("waiting"))
        return "33";
    if (state == QLatin1String("idle"))
        return "2";
    return "31";
}

bool needsAttention(const QString& state)
{
    return state == QLatin1String("waiting") || state == QLatin1String("failed")
        || state == QLatin1String("serverDown") || state == QLatin1String("stale");
}

std::optional<double> number(const QVariantMap& record, const QString& key)
{
    return record.contains(key) ? std::optional<double>(record.value(key).toDouble()) : std::nullopt;
}

QString freeSpace(const QVariantMap& line)
{
    if (line.contains(QStringLiteral("freeBytes")))
        return LineTexts::bytes(line.value(QStringLiteral("freeBytes")).toLongLong()) + QStringLiteral(" of ")
            + LineTexts::bytes(line.value(QStringLiteral("totalBytes")).toLongLong());
    return line.contains(QStringLiteral("mountPoint")) ? QStringLiteral("size unknown") : QStringLiteral("—");
}

QString text(const QVariantMap& record, const char* key)
{
    return record.value(QLatin1String(key)).toString();
}

} // namespace

namespace CommandOutput {

const QStringList lineKeys {"id", "name", "address", "protocol", "state", "phase", "status", "mountPoint",
    "lastLatencyMs", "averageLatencyMs", "freeBytes", "totalBytes", "keepConnected", "routes", "lastError"};
const QStringList routeKeys {"id", "name", "active", "lines"};
const QStringList logKeys {"id", "date", "kind", "line", "message"};

QByteArray json(const Records& records, const QStringList& keys)
{
    QJsonArray array;
    for (const QVariantMap& record : records) {
        QJsonObject object;
        for (const QString& key : keys)
            object.insert(key, record.contains(key) ? QJsonValue::fromVariant(record.value(key)) : QJsonValue());
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

QString statusTable(const Records& lines, const Records& routes, bool colour)
{
    if (lines.isEmpty())
        return QStringLiteral("No lines yet. Add one in Mountwire’s window (mountwire show).\n");
    int live = 0;
    int attention = 0;
    std::vector<QStringList> rows;
    for (const QVariantMap& line : lines) {
        const QString state = text(line, "state");
        live += state == QLatin1String("connected");
        attention += needsAttention(state);
        rows.push_back({text(line, "name"), text(line, "status"), Fmt::ms(number(line, QStringLiteral("lastLatencyMs"))),
            freeSpace(line), text(line, "address")});
    }
    QString summary = QStringLiteral("%1 of %2 live").arg(live).arg(lines.size());
    if (attention > 0)
        summary += QStringLiteral(" · %1 need attention").arg(attention);
    for (const QVariantMap& route : routes) {
        if (route.value(QStringLiteral("active")).toBool())
            summary += QStringLiteral(" · route ") + text(route, "name");
    }
    const Paint paint = [&](int row, int column, const QString& cell) {
        if (!colour)
            return cell;
        if (row < 0)
            return sgr("1", cell);
        return column == 1 ? sgr(stateColour(text(lines[row], "state")), cell) : cell;
    };
    return summary + QStringLiteral("\n\n")
        + table({QStringLiteral("NAME"), QStringLiteral("STATE"), QStringLiteral("LATENCY"), QStringLiteral("FREE"),
                    QStringLiteral("ADDRESS")},
            rows, paint);
}

QString routesTable(const Records& routes, const Records& lines)
{
    if (routes.isEmpty())
        return QStringLiteral("No routes yet. Add one on the Routes page of Mountwire’s window.\n");
    QHash<QString, QString> names;
    for (const QVariantMap& line : lines)
        names.insert(text(line, "id"), text(line, "name"));
    std::vector<QStringList> rows;
    for (const QVariantMap& route : routes) {
        QStringList members;
        for (const QString& id : route.value(QStringLiteral("lines")).toStringList())
            members << names.value(id, id);
        rows.push_back({route.value(QStringLiteral("active")).toBool() ? QStringLiteral("*") : QString(),
            text(route, "name"), members.isEmpty() ? QStringLiteral("—") : members.join(QStringLiteral(", "))});
    }
    return table({QString(), QStringLiteral("ROUTE"), QStringLiteral("LINES")}, rows);
}

QString logTable(const Records& entries)
{
    if (entries.isEmpty())
        return QStringLiteral("The signal log is empty.\n");
    std::vector<QStringList> rows;
    for (const QVariantMap& entry : entries) {
        const QDateTime date = QDateTime::fromString(text(entry, "date"), Qt::ISODate).toLocalTime();
        rows.push_back({date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), text(entry, "kind"),
            entry.contains(QStringLiteral("line")) ? text(entry, "line") : QStringLiteral("—"), text(entry, "message")});
    }
    return table({QStringLiteral("TIME"), QStringLiteral("KIND"), QStringLiteral("LINE"), QStringLiteral("MESSAGE")},
        rows);
}

bool colourWanted()
{
    return isatty(STDOUT_FILENO) && qEnvironmentVariableIsEmpty("NO_COLOR")
        && qEnvironmentVariable("TERM") != QLatin1String("dumb");
}

} // namespace CommandOutput
