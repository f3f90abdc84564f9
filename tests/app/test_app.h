#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <functional>
#include <ostream>

// The one application object of a test process, made on first use (on the offscreen platform unless one
// is chosen), so that every test file can ask for it without a main of its own.
namespace TestApp {

inline QCoreApplication& instance()
{
    if (!QCoreApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "mountwire-tests";
        static char* argv[] = {name, nullptr};
        // Lives until the process ends; its destructor would run after the tests' statics are gone.
        new QApplication(argc, argv);
    }
    return *QCoreApplication::instance();
}

// Runs the event loop until the condition holds or the time is up; returns the condition's last value.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    instance();
    QDeadlineTimer deadline(timeoutMs);
    // Wakes the blocking wait below so the deadline is seen even when nothing else happens.
    QTimer tick;
    tick.start(10);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Runs the event loop for a while, for checks that something does not happen.
inline void spin(int milliseconds)
{
    waitUntil([] { return false; }, milliseconds);
}

// Whole files, for setting up and checking a test's folders; a write makes the folders on the way.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace TestApp

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
