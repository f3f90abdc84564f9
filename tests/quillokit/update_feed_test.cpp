#include "quillokit/update_feed.h"

#include <gtest/gtest.h>

namespace {

TEST(UpdateFeed, ReadsRequiredAndOptionalKeysAndIgnoresOthers)
{
    const auto full = UpdateFeed::decode(R"({"version":"1.2","url":"https://example.org/get","notes":"Fixes.",
        "minimumSystemVersion":"6.1","extra":[1,2],
        "download":{"url":"https://example.org/m.zip","length":8589934592,"edSignature":"c2ln","more":true}})");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->version, "1.2");
    EXPECT_EQ(full->url, "https://example.org/get");
    EXPECT_EQ(full->notes, "Fixes.");
    EXPECT_EQ(full->minimumSystemVersion, "6.1");
    EXPECT_EQ(full->download, (UpdateFeed::Download {"https://example.org/m.zip", qint64(8589934592), "c2ln"}));

    const auto bare = UpdateFeed::decode(R"({"version":"1.2","url":"https://example.org/get","notes":null})");
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->notes);
    EXPECT_FALSE(bare->minimumSystemVersion);
    EXPECT_FALSE(bare->download);
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
    feed.version = "3.0";
    feed.url = "https://example.org/“quoted”";
    feed.notes = "Line one.\nLine two · done…";
    feed.download = UpdateFeed::Download {"https://example.org/m.zip", 123456789012, "c2ln"};
    EXPECT_EQ(UpdateFeed::decode(feed.encode()), feed);
    feed.download.reset();
    feed.minimumSystemVersion = "5.10";
    EXPECT_EQ(UpdateFeed::decode(feed.encode()), feed);
}

} // namespace
