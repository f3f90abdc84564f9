#pragma once

#include <QProcess>
#include <QString>

#include <functional>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

// A network namespace of the test's own: its links can change freely and no traffic leaves it.
struct NetNamespace {
    static bool ip(const QString& command)
    {
        QProcess process;
        process.start(QStringLiteral("ip"), command.split(' '));
        return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    explicit NetNamespace(const QString& role) : name(QStringLiteral("mw%1-%2").arg(role).arg(getpid())) {}
    ~NetNamespace()
    {
        if (made)
            ip("netns delete " + name);
    }

    bool run(const QString& command) const { return ip("-n " + name + ' ' + command); }

    // Runs work with this thread inside the namespace; sockets it opens stay there after it returns home.
    bool inside(const std::function<void()>& work) const
    {
        const int home = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        const int there = ::open(("/run/netns/" + name).toUtf8().constData(), O_RDONLY | O_CLOEXEC);
        const bool entered = home >= 0 && there >= 0 && ::setns(there, CLONE_NEWNET) == 0;
        if (entered) {
            work();
            ::setns(home, CLONE_NEWNET);
        }
        for (const int fd : {home, there})
            ::close(fd);
        return entered;
    }

    QString name;
    bool made = ip("netns add " + name);
};
