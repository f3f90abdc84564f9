#include "quillokit/update_feed.h"

#include <gtest/gtest.h>

namespace {

// What is read is written back the same, awkward texts included.
TEST(UpdateFeed, ReadsRequiredAndOptionalKeysIgnoresOthersAndWritesThemBack)
{
    const auto full = UpdateFeed::decode(R"({"version":"1.2","url":"https://example.org/“quoted”",
        "notes":"Line one.\nLine two · done…","minimumSystemVersion":"6.1","extra":[1,2],
        "download":{"url":"https://example.org/m.zip","length":8589934592,"edSignature":"c2ln","more":true}})");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->version, "1.2");
    EXPECT_EQ(full->url, "https://example.org/“quoted”");
    EXPECT_EQ(full->notes, "Line one.\nLine two · done…");
    EXPECT_EQ(full->minimumSystemVersion, "6.1");
    EXPECT_EQ(full->download, (UpdateFeed::Download {"https://example.org/m.zip", qint64(8589934592), "c2ln"}));
    EXPECT_EQ(UpdateFeed::decode(full->encode()), full);

    const auto bare = UpdateFeed::decode(R"({"version":"1.2","url":"https://example.org/get","notes":null})");
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->notes || bare->minimumSystemVersion || bare->download);
    EXPECT_EQ(UpdateFeed::decode(bare->encode()), bare);
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

} // namespace
