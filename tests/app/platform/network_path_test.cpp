#include "platform/network_path.h"

#include <gtest/gtest.h>

namespace {

using Link = NetworkLinks::Link;
constexpr auto satisfied = NetworkPathStatus::satisfied;
constexpr auto unsatisfied = NetworkPathStatus::unsatisfied;

// What a real namespace shows is in the monitor's own test; these are the cases it cannot easily make.
TEST(NetworkPath, FollowsLinksAddressesAndDefaultRoutes)
{
    const Link loopback {"lo", true, true, 1, true};
    const std::tuple<const char*, std::vector<Link>, NetworkPath> cases[] = {
        {"only loopback, even routed", {loopback}, {unsatisfied, {}}},
        {"routed without a usable address", {{"eth0", true, false, 0, true}}, {unsatisfied, {}}},
        {"route through another link than the addressed one",
            {{"wlan0", true, false, 1, false}, {"eth0", true, false, 0, true}}, {unsatisfied, {"wlan0"}}},
        {"interfaces sorted by name",
            {{"wlan0", true, false, 2, false}, {"eth1", true, false, 1, false}, {"eth0", true, false, 1, true}},
            {satisfied, {"eth0", "eth1", "wlan0"}}},
    };
    for (const auto& [what, given, expected] : cases) {
        NetworkLinks links;
        int index = 1;
        for (const Link& link : given)
            links.byIndex[index++] = link;
        EXPECT_EQ(evaluate(links), expected) << what;
    }
}

} // namespace
