#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QStringList>

namespace JsonText {

// JSON text (UTF-8) whose object keys follow `keyOrder`: QJsonObject keeps its keys sorted, but the
// saved records are written field by field. Keys missing from `keyOrder` come after the listed ones,
// sorted. Indented output uses four spaces a level.
QByteArray write(const QJsonValue& value, const QStringList& keyOrder, bool indented);

} // namespace JsonText
