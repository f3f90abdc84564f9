#include "log/activity_encoder.h"

#include <array>
#include <limits>
#include <type_traits>

namespace ActivityEncoder {

namespace {

constexpr char hexDigits[] = "0123456789ABCDEF";

void appendHex(char*& at, quint64 value, int digits)
{
    for (int i = digits - 1; i >= 0; --i) {
        at[i] = hexDigits[value & 15];
        value >>= 4;
    }
    at += digits;
}

// The 36-character form with upper-case digits.
void appendUuid(QByteArray& out, const QUuid& id)
{
    char text[36];
    char* at = text;
    appendHex(at, id.data1, 8);
    *at++ = '-';
    appendHex(at, id.data2, 4);
    *at++ = '-';
    appendHex(at, id.data3, 4);
    *at++ = '-';
    appendHex(at, quint64(id.data4[0]) << 8 | id.data4[1], 4);
    *at++ = '-';
    quint64 node = 0;
    for (int i = 2; i < 8; ++i)
        node = node << 8 | id.data4[i];
    appendHex(at, node, 12);
    out.append(text, 36);
}

void appendText(QByteArray& out, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    // Runs that need no escape go in whole: most texts are one run.
    qsizetype run = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0x20 && byte != '"' && byte != '\\')
            continue;
        out.append(utf8.constData() + run, i - run);
        run = i + 1;
        switch (byte) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        default:
            out.append("\\u00");
            out.append(hexDigits[byte >> 4]);
            out.append(hexDigits[byte & 15]);
        }
    }
    out.append(utf8.constData() + run, utf8.size() - run);
}

void appendDigits(char* at, int value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        at[i] = char('0' + value % 10);
        value /= 10;
    }
}

// Dates in UTC with whole seconds, as 2026-03-04T05:06:07Z. Entries come in runs of the same day, so the
// day's text is kept from one entry to the next.
class DateText {
public:
    void append(QByteArray& out, const QDateTime& date)
    {
        const qint64 ms = date.isValid() ? date.toMSecsSinceEpoch() : 0;
        const qint64 seconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        const qint64 day = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
        if (!date.isValid() || !civil(day)) {
            // Outside four-digit years the general formatter knows best.
            QDateTime whole = date.toUTC();
            whole.setTime(QTime(whole.time().hour(), whole.time().minute(), whole.time().second()));
            out.append(whole.toString(Qt::ISODate).toUtf8());
            return;
        }
        const int second = int(seconds - day * 86400);
        char time[10] = {'T', 0, 0, ':', 0, 0, ':', 0, 0, 'Z'};
        appendDigits(time + 1, second / 3600, 2);
        appendDigits(time + 4, second / 60 % 60, 2);
        appendDigits(time + 7, second % 60, 2);
        out.append(dayText_.data(), 10);
        out.append(time, 10);
    }

private:
    // The day's yyyy-MM-dd; false outside the years 1 to 9999.
    bool civil(qint64 day)
    {
        if (day == day_)
            return true;
        // Days to a proleptic Gregorian date, counted in 400-year eras from 0000-03-01.
        const qint64 z = day + 719468;
        const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
        const qint64 dayOfEra = z - era * 146097;
        const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
        const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
        const qint64 mp = (5 * dayOfYear + 2) / 153;
        const int dayOfMonth = int(dayOfYear - (153 * mp + 2) / 5 + 1);
        const int month = int(mp < 10 ? mp + 3 : mp - 9);
        const qint64 year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
        if (year < 1 || year > 9999)
            return false;
        appendDigits(dayText_.data(), int(year), 4);
        dayText_[4] = '-';
        appendDigits(dayText_.data() + 5, month, 2);
        dayText_[7] = '-';
        appendDigits(dayText_.data() + 8, dayOfMonth, 2);
        day_ = day;
        return true;
    }

    qint64 day_ = std::numeric_limits<qint64>::min();
    std::array<char, 10> dayText_ {};
};

} // namespace

QByteArray encode(const std::vector<ActivityEvent>& events)
{
    std::array<QByteArray, std::tuple_size_v<std::decay_t<decltype(allActivityKinds())>>> kinds;
    for (const ActivityEvent::Kind kind : allActivityKinds())
        kinds[std::size_t(kind)] = toRaw(kind).toLatin1();
    QByteArray out;
    out.reserve(qsizetype(events.size()) * 200 + 2);
    DateText dates;
    out.append('[');
    for (const ActivityEvent& event : events) {
        if (out.size() > 1)
            out.append(',');
        out.append("{\"id\":\"");
        appendUuid(out, event.id);
        out.append("\",\"date\":\"");
        dates.append(out, event.date);
        out.append("\",\"kind\":\"");
        out.append(kinds[std::size_t(event.kind)]);
        if (event.shareName) {
            out.append("\",\"shareName\":\"");
            appendText(out, *event.shareName);
        }
        out.append("\",\"message\":\"");
        appendText(out, event.message);
        out.append("\"}");
    }
    out.append(']');
    return out;
}

} // namespace ActivityEncoder
