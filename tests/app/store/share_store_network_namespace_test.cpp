#include "app/net_namespace.h"
#include "app/store/store_rig.h"
#include "platform/rtnetlink_path_monitor.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

// The computer in one namespace, two networks with their own gateways in another; moving the default route
// from one to the other switches the running store's route.
TEST(StoreInNetworkNamespaces, MovingTheDefaultRouteSwitchesToTheBoundRoute)
{
    StoreRig rig;
    const NetNamespace computer("host");
    const NetNamespace networks("nets");
    if (!computer.made || !networks.made)
        GTEST_SKIP() << "cannot create network namespaces here (needs root and iproute2)";
    for (const QString n : {"1", "2"}) {
        ASSERT_TRUE(computer.run("link add c" + n + " type veth peer name g" + n + " netns " + networks.name));
        ASSERT_TRUE(computer.run("addr add 10.231." + n + ".2/24 dev c" + n) && computer.run("link set c" + n + " up"));
        ASSERT_TRUE(networks.run("addr add 10.231." + n + ".1/24 dev g" + n) && networks.run("link set g" + n + " up"));
    }
    ASSERT_TRUE(computer.run("route add default via 10.231.1.1"));
    RtnetlinkPathMonitor monitor;
    StoreServices services = rig.services();
    services.pathMonitor = &monitor;
    rig.store = std::make_unique<ShareStore>(services);
    ASSERT_TRUE(computer.inside([&] { rig.started(); }));
    const ShareSpec studio = rig.add("Studio", "nas.local");
    rig.store->addProfile();
    rig.store->addProfile();
    const Profile office = rig.store->profiles()[0];
    const Profile home = rig.store->profiles()[1];
    rig.store->toggle(studio, office.id);

    // One datagram to the gateway, so the kernel learns its hardware address.
    const auto join = [&](const char* gateway) {
        computer.inside([&] {
            const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            sockaddr_in to {AF_INET, htons(9), {}, {}};
            ::inet_pton(AF_INET, gateway, &to.sin_addr);
            ::sendto(fd, "x", 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
            ::close(fd);
        });
        return TestApp::waitUntil([&] {
            const auto& network = rig.store->currentNetwork();
            return network && network->gateway == QLatin1String(gateway) && !network->gatewayHardware.isEmpty();
        }, 5000);
    };
    ASSERT_TRUE(join("10.231.1.1"));
    rig.store->bindCurrentNetwork(office.id);
    ASSERT_TRUE(computer.run("route replace default via 10.231.2.1") && join("10.231.2.1"));
    rig.store->bindCurrentNetwork(home.id);
    EXPECT_EQ(rig.store->activeProfileID(), std::nullopt);

    ASSERT_TRUE(computer.run("route replace default via 10.231.1.1"));
    EXPECT_TRUE(TestApp::waitUntil([&] { return rig.store->activeProfileID() == office.id; }, 5000));
    EXPECT_TRUE(rig.story().contains("Switched to the " + office.name + " route on joining “c1 via 10.231.1.1”"));
    EXPECT_TRUE(TestApp::waitUntil([&] { return rig.mounter.mounts.size() == 1; }));

    ASSERT_TRUE(computer.run("route replace default via 10.231.2.1"));
    EXPECT_TRUE(TestApp::waitUntil([&] { return rig.store->activeProfileID() == home.id; }, 5000));
    rig.store.reset();
}

} // namespace
