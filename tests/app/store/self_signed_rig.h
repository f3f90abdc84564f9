#pragma once

#include "app/store/store_rig.h"
#include "platform/gvfs_mount_table.h"
#include "platform/mountinfo_gvfs_volume_notices.h"
#include "services/certificate_fetcher.h"
#include "services/gvfs_mounter.h"
#include "store/certificate_pins.h"

// A kept-connected line on the HTTPS server with a self-signed certificate, on a store with the real daemon,
// mount table and handshake. The user's answer to the certificate dialog is `trust`, or `ask` when given.
struct SelfSignedRig {
    StoreRig rig;
    GvfsMounter mounter;
    MountinfoGvfsVolumeNotices notices;
    bool trust = true;
    std::vector<ServerCertificate> shown;
    ShareSpec line {QUuid::createUuid(), QStringLiteral("Nas"), ShareProtocol::webdavs, QStringLiteral("127.0.0.1"),
        qEnvironmentVariable("MW_DAVS_SELF_SIGNED_PORT").toInt(), qEnvironmentVariable("MW_DAVS_PATH"),
        qEnvironmentVariable("MW_DAVS_USER"), false, true};
    ShareStore* store = nullptr;

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
        store = &rig.started();
        store->upsert(line, qEnvironmentVariable("MW_DAVS_PASSWORD"));
    }

    std::optional<QString> pin() const { return CertificatePins(rig.folder.filePath(CertificatePins::fileName())).pin(line.id); }
    QString lastError() const { return store->record(line.id)->lastError.value_or(QString()); }
    bool settled() const { return !store->record(line.id)->busy && rig.phase(line) != LinkMachine::Phase::mounting; }

    // A connect by hand; true when it mounted.
    bool connect()
    {
        store->mount(line);
        TestApp::waitUntil([&] { return store->isMounted(line) || (settled() && !lastError().isEmpty()); }, 30000);
        return store->isMounted(line);
    }

    // The mount goes away behind the store's back; true when the line remounted by itself.
    bool dropAndRemount()
    {
        mounter.unmount(store->record(line.id)->volume->mountPoint, true, [](std::optional<QString>) {});
        EXPECT_TRUE(TestApp::waitUntil([&] { return !store->isMounted(line); }, 10000));
        for (int beat = 0; beat < 3 && !store->isMounted(line); ++beat) {
            rig.advance(6);
            rig.beat();
            TestApp::waitUntil([&] { return store->isMounted(line) || settled(); }, 30000);
        }
        return store->isMounted(line);
    }
};
