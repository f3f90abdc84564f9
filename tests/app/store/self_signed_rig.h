#pragma once

#include "app/store/store_rig.h"
#include "platform/gvfs_mount_table.h"
#include "platform/mountinfo_gvfs_volume_notices.h"
#include "services/certificate_fetcher.h"
#include "services/gvfs_mounter.h"
#include "store/certificate_pins.h"

// A line on the HTTPS server whose certificate is self-signed, on a store with the real daemon, mount table
// and handshake; the user's answer to the certificate dialog comes from the test.
struct SelfSignedRig {
    StoreRig rig;
    GvfsMounter mounter;
    MountinfoGvfsVolumeNotices notices;
    bool trust = true;
    std::vector<ServerCertificate> shown;
    ShareSpec line {QUuid::createUuid(), QStringLiteral("Nas"), ShareProtocol::webdavs, QStringLiteral("127.0.0.1"),
        qEnvironmentVariable("MW_DAVS_SELF_SIGNED_PORT").toInt(), qEnvironmentVariable("MW_DAVS_PATH"),
        qEnvironmentVariable("MW_DAVS_USER"), false, true};

    ShareStore& store() { return *rig.store; }

    // `ask` stands in for the scripted answer when given, such as the real dialog.
    explicit SelfSignedRig(std::function<bool(const ShareSpec&, const ServerCertificate&)> ask = {})
    {
        StoreServices services = rig.services();
        services.mounter = &mounter;
        services.volumeNotices = &notices;
        services.mountTable = [] { return GvfsMountTable::allNetworkVolumes(); };
        services.fetchCertificate = CertificateFetcher::fetch;
        services.askCertificate = [this, ask](const ShareSpec& share, const ServerCertificate& certificate) {
            shown.push_back(certificate);
            return ask ? ask(share, certificate) : trust;
        };
        rig.store = std::make_unique<ShareStore>(services);
        rig.started().upsert(line, qEnvironmentVariable("MW_DAVS_PASSWORD"));
    }

    std::optional<QString> pin() const
    {
        return CertificatePins(rig.folder.filePath(CertificatePins::fileName())).pin(line.id);
    }
    QString lastError() { return store().record(line.id)->lastError.value_or(QString()); }
    bool settled() { return !store().record(line.id)->busy && rig.phase(line) != LinkMachine::Phase::mounting; }

    // A connect by hand; true when it mounted.
    bool connect()
    {
        store().mount(line);
        TestApp::waitUntil([&] { return store().isMounted(line) || (settled() && store().record(line.id)->lastError); }, 30000);
        return store().isMounted(line);
    }

    // The mount goes away behind the store's back; the kept-connected line then remounts by itself.
    bool dropAndRemount()
    {
        const QString mountPoint = store().record(line.id)->volume->mountPoint;
        mounter.unmount(mountPoint, true, [](std::optional<QString>) {});
        EXPECT_TRUE(TestApp::waitUntil([&] { return !store().isMounted(line); }, 10000));
        for (int beat = 0; beat < 3 && !store().isMounted(line); ++beat) {
            rig.advance(6);
            rig.beat();
            TestApp::waitUntil([&] { return store().isMounted(line) || settled(); }, 30000);
        }
        return store().isMounted(line);
    }
};
