#include "quillokit/update_feed.h"

#include <gtest/gtest.h>

namespace {

TEST(UpdateFeed, ReadsRequiredAndOptionalKeysAndIgnoresOthers)
{
    const auto full = UpdateFeed::decode(R"({"version":"1.2","url":"https://example.org/get","notes":"Fixes.",
        "minimumSystemVersion":"6.1","extra":[1,2],
        "download":{"url":"https://example.org/m.zip","length":1048576,"edSignature":"c2ln","more":true}})");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->version, QStringLiteral("1.2"));
    EXPECT_EQ(full->url, QStringLiteral("https://example.org/get"));
    EXPECT_EQ(full->notes, QStringLiteral("Fixes."));
    EXPECT_EQ(full->minimumSystemVersion, QStringLiteral("6.1"));
    EXPECT_EQ(full->download, (UpdateFeed::Download{QStringLiteral("https://example.org/m.zip"), 1048576,
                                                    QStringLiteral("c2ln")}));

    const auto bare = UpdateFeed::decode(R"({"version":"1.2","url":"https://example.org/get","notes":null})");
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->notes);
    EXPECT_FALSE(bare->minimumSystemVersion);
    EXPECT_FALSE(bare->download);

    const auto large = UpdateFeed::decode(R"({"version":"1","url":"u",
        "download":{"url":"d","length":8589934592,"edSignature":"s"}})");
    ASSERT_TRUE(large);
    EXPECT_EQ(large->download->length, qint64(8589934592));
}

TEST(UpdateFeed, MissingRequiredKeyOrWrongTypeMakesItUnreadable)
{
    for (const char* json : {
             R"({"url":"u"})",
             R"({"version":"1"})",
             R"({"version":1.2,"url":"u"})",
             R"({"version":"1","url":"u","notes":7})",
             R"({"version":"1","url":"u","minimumSystemVersion":12})",
             R"({"version":"1","url":"u","download":"m.zip"})",
             R"({"version":"1","url":"u","download":{"url":"d","length":10}})",
             R"({"version":"1","url":"u","download":{"url":"d","edSignature":"s"}})",
             R"({"version":"1","url":"u","download":{"url":"d","length":"10","edSignature":"s"}})",
             R"({"version":"1","url":"u","download":{"url":"d","length":10.5,"edSignature":"s"}})",
             R"({"version":"1","url":"u","download":{"url":"d","length":1e30,"edSignature":"s"}})",
             R"(["version","url"])",
             R"({"version":"1","url":"u")",
             "",
         }) {
        EXPECT_FALSE(UpdateFeed::decode(json)) << json;
    }
}

TEST(UpdateFeed, PublishedFeedReadsBackUnchanged)
{
    UpdateFeed feed;
    feed.version = QStringLiteral("3.0");
    feed.url = QStringLiteral("https://example.org/“quoted”");
    feed.notes = QStringLiteral("Line one.\nLine two · done…");
    feed.download = UpdateFeed::Download{QStringLiteral("https://example.org/m.zip"), 123456789012, QStringLiteral("c2ln")};
    EXPECT_EQ(UpdateFeed::decode(feed.encode()), feed);
    feed.download.reset();
    feed.minimumSystemVersion = QStringLiteral("5.10");
    EXPECT_EQ(UpdateFeed::decode(feed.encode()), feed);
}

} // namespace
