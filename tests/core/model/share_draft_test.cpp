#include "model/share_draft.h"

#include <gtest/gtest.h>

namespace {

using Verdict = ShareDraft::Verdict;

ShareDraft draft(const char* address, const char* name = "")
{
    return {QString::fromUtf8(address), QString::fromUtf8(name), false, true};
}

TEST(ShareDraft, VerdictSaysWhatIsMissing)
{
    const std::vector<std::pair<const char*, Verdict>> cases {
        {"smb://server", Verdict::needs(QStringLiteral("Add the share name after the server"))},
        {"afp://server/", Verdict::needs(QStringLiteral("Add the share name after the server"))},
        {"nfs://server", Verdict::needs(QStringLiteral("Add the export path after the server"))},
        {"http://server", Verdict::ready()},
        {"https://server", Verdict::ready()},
        {"smb://server/share", Verdict::ready()},
        {"   ", Verdict::needs(QStringLiteral("Type or paste an address"))},
        {"smb://server:x/share", Verdict::needs(QStringLiteral("“x” isn’t a port number"))},
        {"gopher://server/share", Verdict::needs(QStringLiteral("“gopher://” isn’t a file-sharing address"))},
    };
    for (const auto& [address, verdict] : cases)
        EXPECT_EQ(draft(address).verdict(), verdict) << address;
}

TEST(ShareDraft, SavesOnlyWhenReady)
{
    const QUuid id = QUuid::createUuid();
    EXPECT_FALSE(draft("smb://server").spec(id));
    const auto web = draft("https://server").spec(id);
    ASSERT_TRUE(web.has_value());
    EXPECT_EQ(web->id, id);
    EXPECT_EQ(web->path, QString());
    EXPECT_EQ(web->name, QStringLiteral("server"));
}

TEST(ShareDraft, BlankNameFollowsThePath)
{
    const QUuid id = QUuid::createUuid();
    EXPECT_EQ(draft("smb://server/Media/Films/").spec(id)->name, QStringLiteral("Films"));
    EXPECT_EQ(draft("smb://server/Media/Films/", " \t ").spec(id)->name, QStringLiteral("Films"));
    EXPECT_EQ(draft("smb://server/Media", " Archive \n").spec(id)->name, QStringLiteral("Archive"));
}

TEST(ShareDraft, EditingKeepsAChosenNameAndLetsADefaultOneFollow)
{
    const ShareSpec named(QUuid::createUuid(), QStringLiteral("Archive"), ShareProtocol::smb, QStringLiteral("nas"),
        {}, QStringLiteral("Media"), QStringLiteral("anna"), true, false);
    const ShareDraft keep = ShareDraft::editing(named);
    EXPECT_EQ(keep, (ShareDraft {QStringLiteral("smb://anna@nas/Media"), QStringLiteral("Archive"), true, false}));

    const ShareSpec plain(QUuid::createUuid(), {}, ShareProtocol::smb, QStringLiteral("nas"), {},
        QStringLiteral("Media"), {}, false, true);
    ShareDraft follow = ShareDraft::editing(plain);
    EXPECT_EQ(follow.name, QString());
    follow.address = QStringLiteral("smb://nas/Photos");
    const auto saved = follow.spec(plain.id);
    EXPECT_EQ(saved->name, QStringLiteral("Photos"));
    EXPECT_EQ(saved->id, plain.id);
}

} // namespace
