#pragma once
// Mounts and unmounts network shares through the desktop's virtual file-system daemon (GIO), with
// the credentials from the call and never a dialog of the daemon's: a certificate it cannot verify goes
// to the certificate question. Kernel mounts are unmounted with umount2.

#include "services/mounter_interface.h"

#include <QString>

#include <cstdint>
#include <optional>

typedef struct _GError GError;

class GvfsMounter final : public Mounting {
public:
    void mount(const ShareSpec& spec, std::optional<QString> password,
        std::function<void(MountOutcome)> done) override;
    void unmount(const QString& path, bool force,
        std::function<void(std::optional<QString> error)> done) override;

    // The URI GIO mounts for a share: the share's URL with WebDAV as dav/davs. Absent when the
    // share's URL cannot be formed.
    static std::optional<QString> gioUri(const ShareSpec& spec);
    // A GIO error (or an errno-domain error from a backend) as a status code.
    static std::int32_t statusFromError(const GError* error);
};
