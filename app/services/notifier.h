#pragma once

#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

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

// A notification's button: reconnect a dropped line, or open one that came back.
struct NotificationAction {
    enum class Kind { reconnect, open };
    Kind kind;
    QUuid share;

    // "Reconnect" or "Open".
    QString label() const;
    // The action's key on the notification bus, and back; a key of someone else's reads as nothing.
    QString key() const;
    static std::optional<NotificationAction> fromKey(const QString& key);
    friend bool operator==(const NotificationAction&, const NotificationAction&) = default;
};

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
    // With a button where the desktop shows buttons; elsewhere the same as without.
    virtual void post(const NotificationMessage& message, const NotificationAction&) { post(message); }
    // Who carries out a button the user pressed, on the main thread.
    void setActionHandler(std::function<void(const NotificationAction&)> handler) { actionHandler_ = std::move(handler); }

protected:
    std::function<void(const NotificationAction&)> actionHandler_;
};
