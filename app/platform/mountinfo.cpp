#include "platform/mountinfo.h"

#include <QList>

namespace {

// The kernel writes space, tab, newline and backslash in paths as a backslash and three octal digits.
QString unescape(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok && digits.size() == 3 && value < 256) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return QString::fromUtf8(out);
}

} // namespace

namespace Mountinfo {

Snapshot parse(const QByteArray& text)
{
    Snapshot snapshot;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5)
            continue;
        bool ok = false;
        const int id = fields[0].toInt(&ok);
        if (!ok || fields[4].isEmpty())
            continue;
        snapshot[id] = unescape(fields[4]);
    }
    return snapshot;
}

std::vector<Change> changes(const Snapshot& before, const Snapshot& after)
{
    std::vector<Change> unmounted, moved, mounted;
    for (const auto& [id, point] : before) {
        const auto now = after.find(id);
        if (now == after.end())
            unmounted.push_back({Change::Kind::unmounted, point});
        else if (now->second != point)
            moved.push_back({Change::Kind::moved, now->second});
    }
    for (const auto& [id, point] : after) {
        if (!before.contains(id))
            mounted.push_back({Change::Kind::mounted, point});
    }
    std::vector<Change> all = std::move(unmounted);
    all.insert(all.end(), moved.begin(), moved.end());
    all.insert(all.end(), mounted.begin(), mounted.end());
    return all;
}

} // namespace Mountinfo
