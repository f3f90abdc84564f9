#include "quillokit/update_logic.h"
#include "quillokit/update_signing.h"

#include <gtest/gtest.h>

namespace {

TEST(UpdateLogic, VersionsCompareByTheirNumbers)
{
    struct Case {
        const char* version;
        const char* than;
        bool newer;
    };
    for (const Case& c : {Case{"1.10", "1.9", true}, Case{"1.9", "1.10", false}, Case{"2.0", "2.0", false},
                          Case{"2.0.1", "2.0", true}, Case{"2.0", "2.0.1", false}, Case{"10.0", "9.99", true},
                          Case{"1.02", "1.2", false}, Case{"1.2b", "1.2a", true},
                          Case{"1.123456789012345678901", "1.99999999999999999999", true}}) {
        EXPECT_EQ(UpdateLogic::isNewer(QString::fromLatin1(c.version), QString::fromLatin1(c.than)), c.newer)
            << c.version << " against " << c.than;
    }
}

TEST(UpdateLogic, MinimumSystemComparesItsFirstThreeNumbers)
{
    struct Case {
        std::optional<QString> minimum;
        SystemVersion system;
        bool supported;
    };
    const std::vector<Case> cases{
        {QStringLiteral("12"), {12, 0, 0}, true},
        {QStringLiteral("12.1"), {12, 0, 5}, false},
        {QStringLiteral("11.x.3"), {11, 3, 0}, true},
        {QStringLiteral("11.x.3"), {11, 2, 9}, false},
        {QStringLiteral("6.1.0.99"), {6, 1, 0}, true},
        {QStringLiteral("..6..2."), {6, 2, 0}, true},
        {QStringLiteral("6.1-rc1"), {6, 0, 9}, true},
        {QStringLiteral("99999999999999999999999"), {6, 1, 0}, false},
        {QString(), {0, 0, 0}, true},
        {std::nullopt, {0, 0, 0}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UpdateLogic::systemSupports(c.minimum, c.system), c.supported)
            << qPrintable(c.minimum.value_or(QStringLiteral("(none)"))) << " on " << c.system.major << '.'
            << c.system.minor << '.' << c.system.patch;
    }
    EXPECT_EQ(SystemVersion::parse(QStringLiteral("6.1.0-18-amd64")), (SystemVersion{6, 1, 0}));
    EXPECT_EQ(SystemVersion::parse(QStringLiteral("5.15")), (SystemVersion{5, 15, 0}));
    EXPECT_EQ(SystemVersion::parse(QStringLiteral("unknown")), (SystemVersion{0, 0, 0}));
}

TEST(UpdateLogic, SignatureHoldsOnlyForTheSignedBytesUnderTheRightKey)
{
    const auto keys = *UpdateSigning::makeKeyPair();
    const auto others = *UpdateSigning::makeKeyPair();
    const QByteArray archive("the archive's bytes");
    const QString signature = *UpdateSigning::sign(archive, keys.secretKey);
    ASSERT_EQ(QByteArray::fromBase64(signature.toLatin1()).size(), 64);

    struct Case {
        const char* name;
        QByteArray data;
        QString signature;
        QString key;
        bool valid;
    };
    const std::vector<Case> cases{
        {"as signed", archive, signature, keys.publicKey, true},
        {"one byte changed", QByteArray("the archive's bytez"), signature, keys.publicKey, false},
        {"other key", archive, signature, others.publicKey, false},
        {"signature not Base64", archive, QStringLiteral("%%%"), keys.publicKey, false},
        {"key not Base64", archive, signature, QStringLiteral("not a key!"), false},
        {"key too short", archive, signature, QString::fromLatin1(QByteArray(31, 'k').toBase64()), false},
        {"signature too short", archive, signature.left(40), keys.publicKey, false},
        {"empty", archive, QString(), QString(), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UpdateLogic::verify(c.data, c.signature, c.key), c.valid) << c.name;
    EXPECT_FALSE(UpdateSigning::sign(archive, keys.publicKey)) << "a public key cannot sign";
}

TEST(UpdateLogic, SecureTransfersAreNeverRedirectedToPlainAddresses)
{
    struct Case {
        const char* from;
        const char* to;
        bool allowed;
    };
    for (const Case& c : {Case{"https://example.org/feed", "https://cdn.example.org/feed", true},
                          Case{"https://example.org/feed", "http://example.org/feed", false},
                          Case{"https://example.org/feed", "ftp://example.org/feed", false},
                          Case{"http://example.org/feed", "https://example.org/feed", true},
                          Case{"http://example.org/feed", "http://example.net/feed", true},
                          Case{"http://example.org/feed", "file:///etc/passwd", false}}) {
        EXPECT_EQ(UpdateLogic::allowsRedirect(QUrl(QString::fromLatin1(c.from)), QUrl(QString::fromLatin1(c.to))),
                  c.allowed)
            << c.from << " -> " << c.to;
    }
}

TEST(UpdateLogic, OnlyTheApplicationsOwnWritableFolderIsReplaced)
{
    struct Case {
        const char* folder;
        bool writable;
        bool parentWritable;
        bool replaceable;
    };
    const QString home = QStringLiteral("/home/ada");
    for (const Case& c : {Case{"/opt/mountwire", true, true, true}, Case{"/home/ada/.local/opt/mountwire", true, true, true},
                          Case{"/opt/mountwire", false, true, false}, Case{"/opt/mountwire", true, false, false},
                          Case{"/usr", true, true, false}, Case{"/usr/local/", true, true, false},
                          Case{"/", true, true, false}, Case{"/home/ada", true, true, false},
                          Case{"/home/ada/.local", true, true, false}, Case{"/media/ada/usb/mountwire", true, true, false},
                          Case{"/run/media/ada/usb/mountwire", true, true, false},
                          Case{"/mediathek/mountwire", true, true, true}, Case{"relative/mountwire", true, true, false}}) {
        EXPECT_EQ(UpdateLogic::canInstallInPlace(QString::fromLatin1(c.folder), home, c.writable, c.parentWritable),
                  c.replaceable)
            << c.folder;
    }
}

} // namespace
