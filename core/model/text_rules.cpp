#include "model/text_rules.h"

#include <QStringDecoder>

#include <algorithm>

namespace TextRules {

namespace {

int hexValue(char16_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<QString> percentDecoded(QStringView text)
{
    if (!text.contains(u'%'))
        return text.toString();
    QByteArray bytes;
    bytes.reserve(text.size());
    const QByteArray utf8 = text.toUtf8();
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c != '%') {
            bytes.append(c);
            continue;
        }
        if (i + 2 >= utf8.size())
            return std::nullopt;
        const int high = hexValue(static_cast<unsigned char>(utf8[i + 1]));
        const int low = hexValue(static_cast<unsigned char>(utf8[i + 2]));
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.append(static_cast<char>(high * 16 + low));
        i += 2;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return decoded;
}

QString percentDecodedOrSelf(const QString& text)
{
    return percentDecoded(text).value_or(text);
}

bool isBlank(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QString trimmedBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

QString trimmedWhitespace(const QString& text)
{
    return text.trimmed();
}

QString trimmed(const QString& text, QChar c)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == c)
        ++begin;
    while (end > begin && text[end - 1] == c)
        --end;
    return text.mid(begin, end - begin);
}

bool isDecimalInteger(QStringView text)
{
    if (text.startsWith(u'+') || text.startsWith(u'-'))
        text = text.mid(1);
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

std::optional<long long> decimalInteger(QStringView text)
{
    if (!isDecimalInteger(text))
        return std::nullopt;
    const bool negative = text.startsWith(u'-');
    if (text.startsWith(u'+') || negative)
        text = text.mid(1);
    long long value = 0;
    for (const QChar c : text) {
        value = value * 10 + (c.unicode() - u'0');
        if (value > 2147483647LL)
            return std::nullopt;
    }
    return negative ? -value : value;
}

} // namespace TextRules
