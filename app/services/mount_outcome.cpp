#include "services/mount_outcome.h"

#include "services/mounter.h"

MountOutcome MountOutcome::failed(std::int32_t code)
{
    return {Failed{code, Mounter::isRetryable(code)}};
}

MountOutcome MountOutcome::fromStatus(std::int32_t status, std::optional<QString> mountPoint)
{
    if (status == 0 || status == Mounter::Status::alreadyMounted)
        return mounted(std::move(mountPoint));
    return failed(status);
}
