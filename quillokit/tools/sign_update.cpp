// The publisher's tool: makes the key pair, packs an installed folder, signs the archive and writes the feed.

#include "quillokit/update_archive.h"
#include "quillokit/update_feed.h"
#include "quillokit/update_signing.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "sign-update: %s\n", qPrintable(message));
    return 1;
}

int makeKeys(const QString& secretFile)
{
    const auto keys = UpdateSigning::makeKeyPair();
    if (!keys)
        return fail(QStringLiteral("no key pair could be made"));
    if (QFileInfo(secretFile).exists() || QFileInfo(secretFile).isSymLink())
        return fail(QStringLiteral("%1 exists already; it is not overwritten").arg(secretFile));
    if (!UpdateSigning::writeSecretKey(secretFile, keys->secretKey))
        return fail(QStringLiteral("%1 couldn’t be written").arg(secretFile));
    std::printf("Secret key written to %s; keep it private.\n", qPrintable(secretFile));
    std::printf("Build with: -DQuilloUpdatePublicKey=%s\n", qPrintable(keys->publicKey));
    return 0;
}

int pack(const QString& folder, const QString& archive)
{
    const auto zip = UpdateArchive::packFolder(folder);
    if (!zip)
        return fail(QStringLiteral("%1 couldn’t be packed").arg(folder));
    QFile file(archive);
    if (!file.open(QIODevice::WriteOnly) || file.write(*zip) != zip->size())
        return fail(QStringLiteral("%1 couldn’t be written").arg(archive));
    return 0;
}

int writeFeed(const QCommandLineParser& parser, const QString& secretFile, const QString& archive)
{
    QFile key(secretFile);
    QFile zip(archive);
    if (!key.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1 couldn’t be read").arg(secretFile));
    if (!zip.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1 couldn’t be read").arg(archive));
    const QByteArray data = zip.readAll();
    const auto signature = UpdateSigning::sign(data, QString::fromLatin1(key.readAll()));
    if (!signature)
        return fail(QStringLiteral("%1 does not hold a secret key").arg(secretFile));
    for (const char* required : {"version", "page", "download"}) {
        if (parser.value(QLatin1String(required)).isEmpty())
            return fail(QStringLiteral("--%1 is required").arg(QLatin1String(required)));
    }
    UpdateFeed feed;
    feed.version = parser.value(QStringLiteral("version"));
    feed.url = parser.value(QStringLiteral("page"));
    if (parser.isSet(QStringLiteral("notes")))
        feed.notes = parser.value(QStringLiteral("notes"));
    if (parser.isSet(QStringLiteral("minimum-system")))
        feed.minimumSystemVersion = parser.value(QStringLiteral("minimum-system"));
    feed.download = UpdateFeed::Download{parser.value(QStringLiteral("download")), data.size(), *signature};
    std::fputs(feed.encode().constData(), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Publishes updates.\n"
        "  sign-update keys SECRET-KEY-FILE        make a key pair; prints the public key\n"
        "  sign-update pack APP-FOLDER ARCHIVE.zip  pack an installed folder (<prefix>/lib/mountwire)\n"
        "  sign-update feed SECRET-KEY-FILE ARCHIVE.zip --version V --page URL --download URL\n"
        "                                           sign the archive and print the feed"));
    parser.addHelpOption();
    parser.addOptions({{QStringLiteral("version"), QStringLiteral("The archive's version."), QStringLiteral("version")},
                       {QStringLiteral("page"), QStringLiteral("Page to download it by hand."), QStringLiteral("url")},
                       {QStringLiteral("download"), QStringLiteral("Address of the archive."), QStringLiteral("url")},
                       {QStringLiteral("notes"), QStringLiteral("Release notes."), QStringLiteral("text")},
                       {QStringLiteral("minimum-system"), QStringLiteral("Oldest kernel version it runs on."),
                        QStringLiteral("version")}});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("keys, pack or feed"));
    parser.process(application);

    const QStringList arguments = parser.positionalArguments();
    const QString command = arguments.value(0);
    if (command == QLatin1String("keys") && arguments.size() == 2)
        return makeKeys(arguments[1]);
    if (command == QLatin1String("pack") && arguments.size() == 3)
        return pack(arguments[1], arguments[2]);
    if (command == QLatin1String("feed") && arguments.size() == 3)
        return writeFeed(parser, arguments[1], arguments[2]);
    std::fputs(qPrintable(parser.helpText()), stderr);
    return 2;
}
