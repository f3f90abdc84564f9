#include "app/net_namespace.h"
#include "app/store/store_rig.h"
#include "platform/rtnetlink_path_monitor.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

// One datagram to the gateway from inside the namespace, so the kernel learns its hardware address.
void poke(const NetNamespace& ns, const char* gateway)
{
    ns.inside([&] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in to {};
        to.sin_family = AF_INET;
        to.sin_port = htons(9);
        ::inet_pton(AF_INET, gateway, &to.sin_addr);
        ::sendto(fd, "x", 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        ::close(fd);
    });
}

// The computer in one namespace, two networks with their own gateways in another; moving the default route
// from one to the other switches the running store's route.
TEST(StoreInNetworkNamespaces, MovingTheDefaultRouteSwitchesToTheBoundRoute)
{
    StoreRig rig;
    const NetNamespace computer("host");
    const NetNamespace networks("nets");
    if (!computer.made || !networks.made)
        GTEST_SKIP() << "cannot create network namespaces here (needs root and iproute2)";
    for (const QString& n : {QStringLiteral("1"), QStringLiteral("2")}) {
        ASSERT_TRUE(computer.run("link add c" + n + " type veth peer name g" + n + " netns " + networks.name));
        ASSERT_TRUE(computer.run("addr add 10.231." + n + ".2/24 dev c" + n));
        ASSERT_TRUE(networks.run("addr add 10.231." + n + ".1/24 dev g" + n));
        ASSERT_TRUE(computer.run("link set c" + n + " up"));
        ASSERT_TRUE(networks.run("link set g" + n + " up"));
    }
    ASSERT_TRUE(computer.run("route add default via 10.231.1.1"));

    RtnetlinkPathMonitor monitor;
    StoreServices services = rig.services();
    services.pathMonitor = &monitor;
    rig.store = std::make_unique<ShareStore>(services);
    ASSERT_TRUE(computer.inside([&] { rig.started(); }));
    const ShareSpec studio = rig.add("Studio", "nas.local");
    for (const char* name : {"Office", "Home"}) {
        rig.store->addProfile();
        rig.store->renameProfile(rig.store->profiles().back().id, name);
    }
    const Profile office = rig.store->profiles()[0];
    const Profile home = rig.store->profiles()[1];
    rig.store->toggle(studio, office.id);

    const auto joined = [&](const char* gateway) {
        poke(computer, gateway);
        return TestApp::waitUntil([&] {
            const auto& network = rig.store->currentNetwork();
            return network && network->gateway == QLatin1String(gateway) && !network->gatewayHardware.isEmpty();
        }, 5000);
    };
    ASSERT_TRUE(joined("10.231.1.1"));
    EXPECT_EQ(rig.store->currentNetwork()->interfaces, QStringList {"c1"});
    rig.store->bindCurrentNetwork(office.id);
    ASSERT_TRUE(computer.run("route replace default via 10.231.2.1"));
    ASSERT_TRUE(joined("10.231.2.1"));
    rig.store->bindCurrentNetwork(home.id);
    EXPECT_EQ(rig.store->activeProfileID(), std::nullopt);

    ASSERT_TRUE(computer.run("route replace default via 10.231.1.1"));
    EXPECT_TRUE(TestApp::waitUntil([&] { return rig.store->activeProfileID() == office.id; }, 5000));
    EXPECT_TRUE(rig.story().contains("Switched to the Office route on joining “c1 via 10.231.1.1”"));
    rig.settle();
    ASSERT_EQ(rig.mounter.mounts.size(), 1u);
    EXPECT_EQ(rig.mounter.mounts[0].spec.id, studio.id);

    ASSERT_TRUE(computer.run("route replace default via 10.231.2.1"));
    EXPECT_TRUE(TestApp::waitUntil([&] { return rig.store->activeProfileID() == home.id; }, 5000));
    rig.store.reset();
}

} // namespace
