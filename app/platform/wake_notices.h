#pragma once

#include <QObject>

// Tells when the computer woke from sleep, on the main thread.
class WakeNotices : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void didWake();
};
