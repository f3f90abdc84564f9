#include "model/json_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

struct Writer {
    const QStringList& order;
    bool indented;
    QByteArray out;

    void newline(int depth)
    {
        if (!indented)
            return;
        out += '\n';
        out += QByteArray(depth * 4, ' ');
    }

    // Qt's own writer for a single value keeps its escaping of strings and its form of numbers.
    void scalar(const QJsonValue& value)
    {
        const QByteArray wrapped = QJsonDocument(QJsonArray {value}).toJson(QJsonDocument::Compact);
        out += wrapped.mid(1, wrapped.size() - 2);
    }

    QStringList orderedKeys(const QJsonObject& object) const
    {
        QStringList keys = object.keys();
        std::stable_sort(keys.begin(), keys.end(), [this](const QString& a, const QString& b) {
            const qsizetype ra = order.indexOf(a), rb = order.indexOf(b);
            return (ra < 0 ? order.size() : ra) < (rb < 0 ? order.size() : rb);
        });
        return keys;
    }

    void value(const QJsonValue& value, int depth)
    {
        if (value.isObject()) {
            const QJsonObject object = value.toObject();
            out += '{';
            const QStringList keys = orderedKeys(object);
            for (qsizetype i = 0; i < keys.size(); ++i) {
                out += i ? "," : "";
                newline(depth + 1);
                scalar(keys[i]);
                out += indented ? ": " : ":";
                this->value(object.value(keys[i]), depth + 1);
            }
            if (!keys.isEmpty())
                newline(depth);
            out += '}';
        } else if (value.isArray()) {
            const QJsonArray array = value.toArray();
            out += '[';
            for (qsizetype i = 0; i < array.size(); ++i) {
                out += i ? "," : "";
                newline(depth + 1);
                this->value(array.at(i), depth + 1);
            }
            if (!array.isEmpty())
                newline(depth);
            out += ']';
        } else {
            scalar(value);
        }
    }
};

} // namespace

namespace JsonText {

QByteArray write(const QJsonValue& value, const QStringList& keyOrder, bool indented)
{
    Writer writer {keyOrder, indented, {}};
    writer.value(value, 0);
    if (indented)
        writer.out += '\n';
    return writer.out;
}

} // namespace JsonText
