#pragma once

#include "model/share_spec.h"
#include "store/manager_page.h"

#include <optional>

// What a view asks of the application shell: bring the manager window forward (on a page, with the editor
// for a new or an existing line), check for updates, quit.
class Navigator {
public:
    virtual ~Navigator() = default;
    virtual void show(std::optional<ManagerPage> page = std::nullopt, bool addShare = false,
        std::optional<ShareSpec> edit = std::nullopt) = 0;
    virtual void checkForUpdates() = 0;
    virtual void quit() = 0;
};
