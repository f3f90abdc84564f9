#pragma once

#include <QString>

#include <functional>

// One notification's texts.
struct NotificationMessage {
    QString title;
    QString body;
    friend bool operator==(const NotificationMessage&, const NotificationMessage&) = default;
};

// The notifications the store posts, with the share's name and host put in.
namespace NotificationText {

NotificationMessage dropped(const QString& name, const QString& host);
NotificationMessage recovered(const QString& name, const QString& host);
NotificationMessage needsPassword(const QString& name);
NotificationMessage certificateChanged(const QString& name, const QString& host);

} // namespace NotificationText

// Posts user notifications. Called on the main thread; neither operation waits or reports a failure.
class Notifier {
public:
    virtual ~Notifier() = default;

    // Asks the desktop whether notifications can be shown; done (when given) hears the answer later, on the
    // main thread. Nothing is stored.
    virtual void requestAuthorization(std::function<void(bool granted)> done = {}) = 0;
    // Each call shows a separate notification; earlier ones stay.
    virtual void post(const QString& title, const QString& body) = 0;
    void post(const NotificationMessage& message) { post(message.title, message.body); }
};
