#include "platform/network_path.h"

#include <gtest/gtest.h>

namespace {

using Link = NetworkLinks::Link;
constexpr auto satisfied = NetworkPathStatus::satisfied;
constexpr auto unsatisfied = NetworkPathStatus::unsatisfied;

struct PathCase {
    const char* what;
    std::vector<Link> links;
    NetworkPath expected;
};

void PrintTo(const PathCase& c, std::ostream* os)
{
    *os << c.what;
}

class NetworkPathRules : public ::testing::TestWithParam<PathCase> {};

TEST_P(NetworkPathRules, PathFollowsLinksAddressesAndDefaultRoutes)
{
    NetworkLinks links;
    int index = 1;
    for (const Link& link : GetParam().links)
        links.byIndex[index++] = link;
    EXPECT_EQ(evaluate(links), GetParam().expected) << GetParam().what;
}

const Link loopback {"lo", true, true, 1, true};
const Link wired {"eth0", true, false, 1, true};

INSTANTIATE_TEST_SUITE_P(Table, NetworkPathRules,
    ::testing::Values(PathCase {"nothing at all", {}, {unsatisfied, {}}},
        PathCase {"only loopback, even routed", {loopback}, {unsatisfied, {}}},
        PathCase {"up, addressed and routed", {loopback, wired}, {satisfied, {"eth0"}}},
        PathCase {"no default route", {{"eth0", true, false, 1, false}}, {unsatisfied, {"eth0"}}},
        PathCase {"no usable address", {{"eth0", true, false, 0, true}}, {unsatisfied, {}}},
        PathCase {"down", {{"eth0", false, false, 1, true}}, {unsatisfied, {}}},
        PathCase {"route through another link than the addressed one",
            {{"wlan0", true, false, 1, false}, {"eth0", true, false, 0, true}}, {unsatisfied, {"wlan0"}}},
        PathCase {"interfaces sorted by name", {{"wlan0", true, false, 2, false}, {"eth1", true, false, 1, false},
                                                   {"eth0", true, false, 1, true}},
            {satisfied, {"eth0", "eth1", "wlan0"}}}));

TEST(NetworkPathStatusTest, RawValuesAreTheCaseNames)
{
    for (auto status : {satisfied, unsatisfied, NetworkPathStatus::requiresConnection})
        EXPECT_EQ(networkPathStatusFromRaw(toRaw(status)), status);
    EXPECT_EQ(toRaw(NetworkPathStatus::requiresConnection), QStringLiteral("requiresConnection"));
    EXPECT_FALSE(networkPathStatusFromRaw(QStringLiteral("Satisfied")));
}

} // namespace
