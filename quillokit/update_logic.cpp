#include "quillokit/update_logic.h"

#include <QDir>
#include <QRegularExpression>
#include <QSysInfo>

#include <sodium.h>

#include <algorithm>
#include <array>
#include <limits>

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// -1, 0 or 1 for two runs of digits, by their numeric value however long they are.
int compareDigitRuns(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == QLatin1Char('0'))
        a = a.mid(1);
    while (b.size() > 1 && b.front() == QLatin1Char('0'))
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int compareVersions(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const qsizetype startA = i;
            const qsizetype startB = j;
            while (i < a.size() && isDigit(a[i]))
                ++i;
            while (j < b.size() && isDigit(b[j]))
                ++j;
            if (const int order = compareDigitRuns(QStringView(a).mid(startA, i - startA),
                                                   QStringView(b).mid(startB, j - startB)))
                return order;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j] ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

std::optional<QByteArray> strictBase64(const QString& text)
{
    const auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

bool isInside(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

SystemVersion SystemVersion::parse(const QString& text)
{
    static const QRegularExpression leading(QStringLiteral("^(\\d+)(?:\\.(\\d+))?(?:\\.(\\d+))?"));
    const auto match = leading.match(text);
    return {match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()};
}

SystemVersion SystemVersion::current()
{
    return parse(QSysInfo::kernelVersion());
}

namespace UpdateLogic {

bool isNewer(const QString& version, const QString& than)
{
    return compareVersions(version, than) > 0;
}

bool systemSupports(const std::optional<QString>& minimum, SystemVersion system)
{
    if (!minimum || minimum->isEmpty())
        return true;
    std::array<qulonglong, 3> wanted{0, 0, 0};
    std::size_t kept = 0;
    for (const QString& piece : minimum->split(QLatin1Char('.'), Qt::SkipEmptyParts)) {
        if (kept == wanted.size())
            break;
        if (!std::all_of(piece.begin(), piece.end(), isDigit))
            continue;
        bool ok = false;
        const qulonglong number = piece.toULongLong(&ok);
        // Too many digits to hold is still a decimal number, and larger than any system's.
        wanted[kept++] = ok ? number : std::numeric_limits<qulonglong>::max();
    }
    const std::array<qulonglong, 3> have{qulonglong(std::max(system.major, 0)), qulonglong(std::max(system.minor, 0)),
                                         qulonglong(std::max(system.patch, 0))};
    for (std::size_t k = 0; k < have.size(); ++k) {
        if (have[k] != wanted[k])
            return have[k] > wanted[k];
    }
    return true;
}

bool verify(const QByteArray& data, const QString& signature, const QString& publicKey)
{
    const auto signatureBytes = strictBase64(signature);
    const auto keyBytes = strictBase64(publicKey);
    if (!signatureBytes || !keyBytes || signatureBytes->size() != crypto_sign_BYTES
        || keyBytes->size() != crypto_sign_PUBLICKEYBYTES || !sodiumReady())
        return false;
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signatureBytes->constData()),
                                       reinterpret_cast<const unsigned char*>(data.constData()),
                                       static_cast<unsigned long long>(data.size()),
                                       reinterpret_cast<const unsigned char*>(keyBytes->constData()))
        == 0;
}

bool allowsRedirect(const QUrl& from, const QUrl& to)
{
    if (!to.isValid())
        return false;
    const QString scheme = to.scheme().toLower();
    if (from.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0)
        return scheme == QLatin1String("https");
    return scheme == QLatin1String("https") || scheme == QLatin1String("http");
}

bool canInstallInPlace(const QString& folder, const QString& home, bool folderWritable, bool parentWritable)
{
    const QString path = QDir::cleanPath(folder);
    if (!QDir::isAbsolutePath(path) || !folderWritable || !parentWritable)
        return false;
    // Replacing one of these would take everything else installed there with it.
    static const QStringList sharedPrefixes{QStringLiteral("/"),     QStringLiteral("/usr"),
                                            QStringLiteral("/usr/local"), QStringLiteral("/opt"),
                                            QStringLiteral("/home"), QStringLiteral("/tmp")};
    if (sharedPrefixes.contains(path))
        return false;
    if (!home.isEmpty() && (path == QDir::cleanPath(home) || path == QDir::cleanPath(home + QLatin1String("/.local"))))
        return false;
    for (const char* media : {"/media", "/run/media"}) {
        if (isInside(path, QLatin1String(media)))
            return false;
    }
    return true;
}

} // namespace UpdateLogic
