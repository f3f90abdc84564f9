#include "app/store/self_signed_rig.h"
#include "views/certificate_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

// Connecting a line on a self-signed server by hand shows the application's own dialog with what its own
// handshake saw; trusting there pins the certificate and the line mounts.
TEST(CertificateDialog, TrustingTheShownCertificateConnectsTheLine)
{
    if (qEnvironmentVariable("MW_GVFS_DIR").isEmpty() || qEnvironmentVariable("MW_DAVS_CONTROL").isEmpty())
        GTEST_SKIP() << "needs the file-system daemon and the HTTPS WebDAV server of scripts/with-services";
    QStringList texts;
    SelfSignedRig r([&](const ShareSpec& share, const ServerCertificate& certificate) {
        QTimer::singleShot(100, [&] {
            auto* dialog = qobject_cast<CertificateDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            for (const QLabel* label : dialog->findChildren<QLabel*>())
                texts << label->text();
            EXPECT_TRUE(dialog->cancelButton()->isDefault()) << "Return does not trust";
            dialog->trustButton()->click();
        });
        return CertificateDialog::ask(share, certificate);
    });
    ASSERT_TRUE(r.connect()) << r.lastError().toStdString();
    ASSERT_EQ(r.shown.size(), 1u);
    for (const QString& fact : {r.shown[0].subject, r.shown[0].sha256, QStringLiteral("Can’t verify “127.0.0.1”")})
        EXPECT_TRUE(texts.contains(fact)) << fact.toStdString();
    EXPECT_EQ(r.pin(), r.shown[0].sha256);
    // The tests after this one expect the server's share not mounted.
    r.store->unmount(r.line, false);
    EXPECT_TRUE(TestApp::waitUntil([&] { return !r.store->isMounted(r.line); }, 10000));
}
