#pragma once
// Shared by the service tests: one Qt application for the process (offscreen, so dialogs work
// without a display), waiting on callbacks with the event loop running, and saved shares.

#include "model/share_spec.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QUuid>

#include <functional>
#include <optional>
#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace servicestest {

inline QApplication* app()
{
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return existing;
    if (QCoreApplication::instance() != nullptr)
        return nullptr;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "app_services_tests";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    return &application;
}

// Starts `call` with a callback and runs the event loop until the callback came or `seconds` passed.
template <typename T>
std::optional<T> waitFor(const std::function<void(std::function<void(T)>)>& call, double seconds = 30)
{
    app();
    std::optional<T> result;
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    call([&](T value) {
        result = std::move(value);
        loop.quit();
    });
    if (!result)
        loop.exec();
    return result;
}

// Runs the event loop until `ready` holds or `seconds` passed.
inline bool spinUntil(const std::function<bool()>& ready, double seconds = 10)
{
    app();
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(static_cast<int>(seconds * 1000));
    // Keeps the waiting below from sleeping past the deadline.
    QTimer ticker;
    ticker.start(50);
    while (!ready()) {
        if (!deadline.isActive())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

inline QString env(const char* name)
{
    return qEnvironmentVariable(name);
}

inline ShareSpec share(ShareProtocol proto, const QString& host, std::optional<int> port, const QString& path,
    const QString& user, const QString& name = QString())
{
    return ShareSpec(QUuid::createUuid(), name, proto, host, port, path, user, false, true);
}

} // namespace servicestest
