#include "model/share_draft.h"

#include <gtest/gtest.h>

namespace {

using Verdict = ShareDraft::Verdict;

ShareDraft draft(const char* address, const char* name = "")
{
    return {address, name, false, true};
}

TEST(ShareDraft, VerdictSaysWhatIsMissingInAPlainSentence)
{
    const std::pair<const char*, Verdict> cases[] = {
        {"smb://server", Verdict::needs("Add the share name after the server")},
        {"afp://server/", Verdict::needs("Add the share name after the server")},
        {"nfs://server", Verdict::needs("Add the export path after the server")},
        {"http://server", Verdict::ready()}, {"https://server", Verdict::ready()},
        {"smb://server/share", Verdict::ready()}, {"   ", Verdict::needs("Type or paste an address")},
        {"smb://server:x/share", Verdict::needs("“x” isn’t a port number")},
        {"gopher://server/share", Verdict::needs("“gopher://” isn’t a file-sharing address")},
        {"smb://:445/share", Verdict::needs("Add a server name")},
    };
    for (const auto& [address, verdict] : cases)
        EXPECT_EQ(draft(address).verdict(), verdict) << address;
}

TEST(ShareDraft, SavesOnlyWhenReadyUnderATrimmedNameOrOneThatFollowsThePath)
{
    const QUuid id = QUuid::createUuid();
    // The address, the name typed, and the name saved (none when the draft cannot be saved).
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"smb://server", "", nullptr}, {"https://server", "", "server"},
        {"smb://server/Media/Films/", "", "Films"}, {"smb://server/Media/Films/", " \t ", "Films"},
        {"smb://server/Media", " Archive \n", "Archive"},
    };
    for (const auto& [address, name, saved] : cases) {
        const std::optional<ShareSpec> spec = draft(address, name).spec(id);
        ASSERT_EQ(spec.has_value(), saved != nullptr) << address;
        if (spec) {
            EXPECT_EQ(spec->name, QString::fromUtf8(saved)) << address;
            EXPECT_EQ(spec->id, id);
        }
    }
}

TEST(ShareDraft, EditingKeepsAChosenNameAndLetsADefaultOneFollow)
{
    const ShareSpec named(QUuid::createUuid(), "Archive", ShareProtocol::smb, "nas", {}, "Media", "anna", true, false);
    EXPECT_EQ(ShareDraft::editing(named), (ShareDraft {"smb://anna@nas/Media", "Archive", true, false}));

    const ShareSpec plain(QUuid::createUuid(), {}, ShareProtocol::smb, "nas", {}, "Media", {}, false, true);
    ShareDraft follow = ShareDraft::editing(plain);
    EXPECT_EQ(follow.name, QString());
    follow.address = QStringLiteral("smb://nas/Photos");
    EXPECT_EQ(follow.spec(plain.id)->name, QStringLiteral("Photos"));
}

} // namespace
