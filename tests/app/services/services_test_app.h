#pragma once
// Shared by the service tests: waiting on callbacks with the event loop running, and saved shares.

#include "app/test_app.h"
#include "model/share_spec.h"

#include <QEventLoop>
#include <QUuid>

#include <functional>
#include <optional>

namespace servicestest {

// Starts `call` with a callback and runs the event loop until the callback came or `seconds` passed.
template <typename T>
std::optional<T> waitFor(const std::function<void(std::function<void(T)>)>& call, double seconds = 30)
{
    std::optional<T> result;
    TestApp::instance();
    call([&](T value) { result = std::move(value); });
    TestApp::waitUntil([&] { return result.has_value(); }, int(seconds * 1000));
    return result;
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

// Skips the test unless the session of scripts/with-services set every variable named.
#define REQUIRE_ENV(...)                                                                                    \
    for (const char* name : {__VA_ARGS__})                                                                  \
        if (qEnvironmentVariableIsEmpty(name))                                                              \
            GTEST_SKIP() << name << " is unset: run under scripts/with-services"
