#pragma once
// What the store uses to mount and unmount network shares; GvfsMounter is the real one.

#include "model/share_spec.h"
#include "services/mount_outcome.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// What the store uses to mount and unmount. Both operations return at once and call `done` later
// on the calling (main) thread; `done` is called exactly once.
class Mounting {
public:
    // Asked when the daemon cannot verify an HTTPS server's certificate during a mount of `share`.
    // `answer` takes 0 to trust the certificate for this mount, or the status the mount then fails with;
    // it may be called later, exactly once.
    using CertificateQuestion = std::function<void(const ShareSpec& share, std::function<void(std::int32_t refusal)> answer)>;

    virtual ~Mounting() = default;
    virtual void mount(const ShareSpec& spec, std::optional<QString> password,
        std::function<void(MountOutcome)> done) = 0;
    // `done` receives nothing on success, the system's error text otherwise.
    virtual void unmount(const QString& path, bool force,
        std::function<void(std::optional<QString> error)> done) = 0;
    // Without one, every such certificate is refused.
    virtual void setCertificateQuestion(CertificateQuestion question) { certificateQuestion = std::move(question); }

protected:
    CertificateQuestion certificateQuestion;
};
