#include "model/share_protocol.h"

#include <gtest/gtest.h>

namespace {

TEST(ShareProtocol, EveryProtocolRoundTripsThroughItsRawValueSchemeAndFileSystemType)
{
    for (ShareProtocol proto : allShareProtocols()) {
        EXPECT_EQ(shareProtocolFromRaw(toRaw(proto)), proto);
        EXPECT_EQ(shareProtocolFromScheme(urlScheme(proto)), proto);
        const auto mounted = shareProtocolFromFsType(fsTypeName(proto));
        ASSERT_TRUE(mounted.has_value());
        EXPECT_EQ(fsTypeName(*mounted), fsTypeName(proto));
    }
}

TEST(ShareProtocol, ReadsOnlyTheNamesItKnows)
{
    EXPECT_EQ(shareProtocolFromScheme("DAVS"), ShareProtocol::webdavs);
    EXPECT_EQ(shareProtocolFromScheme("Cifs"), ShareProtocol::smb);
    EXPECT_EQ(shareProtocolFromFsType("webdav"), ShareProtocol::webdav);
    for (const char* text : {"SMB", "cifs", "", "http"})
        EXPECT_FALSE(shareProtocolFromRaw(text)) << text;
    for (const char* text : {"ftp", "", "smb2"})
        EXPECT_FALSE(shareProtocolFromScheme(text)) << text;
    for (const char* text : {"cifs", "SMBFS", "ext4"})
        EXPECT_FALSE(shareProtocolFromFsType(text)) << text;
}

} // namespace
