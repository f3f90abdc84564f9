#include "store/share_store.h"

#include "services/mounter.h"
#include "services/notifier.h"
#include "store/certificate_pins.h"
#include "store/store_constants.h"

#include <QCoreApplication>
#include <QDir>

CertificatePins& ShareStore::pins() const
{
    if (!pins_)
        pins_ = std::make_unique<CertificatePins>(QDir(services_.folder).filePath(CertificatePins::fileName()));
    return *pins_;
}

bool ShareStore::hasPinnedCertificate(const ShareSpec& share) const
{
    return !demoMode && pins().pin(share.id).has_value();
}

void ShareStore::forgetCertificate(const ShareSpec& share)
{
    if (!hasPinnedCertificate(share))
        return;
    pins().forget(share.id);
    Q_EMIT runtimeChanged(share.id);
}

void ShareStore::answerCertificate(const ShareSpec& share, std::function<void(std::int32_t)> answer)
{
    const std::optional<QString> pinned = pins().pin(share.id);
    const bool byHand = mountsByHand_.contains(share.id);
    if ((!pinned && !byHand) || !services_.fetchCertificate) {
        answer(Mounter::Status::certificateUntrusted);
        return;
    }
    auto decide = [this, share, pinned, byHand, answer](std::optional<ServerCertificate> certificate) {
        if (!certificate) {
            answer(Mounter::Status::ioError);
            return;
        }
        if (pinned) {
            if (certificate->sha256 == *pinned) {
                answer(0);
                return;
            }
            if (services_.notifier)
                services_.notifier->post(NotificationText::certificateChanged(share.name, share.host));
            answer(Mounter::Status::certificateChanged);
            return;
        }
        if (byHand && services_.askCertificate && services_.askCertificate(share, *certificate)) {
            if (const ShareSpec* still = this->share(share.id)) {
                pins().set(still->id, certificate->sha256);
                Q_EMIT runtimeChanged(still->id);
            }
            answer(0);
            return;
        }
        answer(Mounter::Status::userCancelled);
    };
    // The daemon waits for an answer, so one is given even when the store is gone by then.
    services_.fetchCertificate(share.host, share.effectivePort(), StoreConstants::certificateTimeout,
        [alive = weakAlive(), decide = std::move(decide), answer](std::optional<ServerCertificate> certificate) {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [alive, decide, answer, certificate] {
                    const std::shared_ptr<bool> token = alive.lock();
                    if (token && *token)
                        decide(certificate);
                    else
                        answer(Mounter::Status::cancelled);
                },
                Qt::QueuedConnection);
        });
}
