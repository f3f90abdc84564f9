#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Small text rules shared by the address grammar, saved shares and the mount table.
namespace TextRules {

// Decodes %XX escapes; nothing when an escape is malformed or the bytes are not UTF-8.
std::optional<QString> percentDecoded(QStringView text);
// The decoded text, or the text as it stands when it does not decode.
QString percentDecodedOrSelf(const QString& text);

// Spaces and tabs (and other Unicode spaces), never line breaks.
bool isBlank(QChar c);
QString trimmedBlanks(const QString& text);
// Blanks and line breaks.
QString trimmedWhitespace(const QString& text);
QString trimmed(const QString& text, QChar c);

// An optional sign and at least one ASCII digit, nothing else, of any length.
bool isDecimalInteger(QStringView text);
// Its value; nothing for other text or values beyond int.
std::optional<long long> decimalInteger(QStringView text);

} // namespace TextRules
