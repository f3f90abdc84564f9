#pragma once

#include "services/notifier.h"

#include <vector>

// Records every post and permission request; permission is granted at once.
class FakeNotifier final : public Notifier {
public:
    void requestAuthorization(std::function<void(bool granted)> done = {}) override
    {
        ++authorizationRequests;
        if (done)
            done(true);
    }
    using Notifier::post;
    void post(const QString& title, const QString& body) override { posted.push_back({title, body}); }

    std::vector<NotificationMessage> posted;
    int authorizationRequests = 0;
};
