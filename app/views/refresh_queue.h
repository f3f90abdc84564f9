#pragma once

#include <QObject>
#include <QSet>
#include <QUuid>

#include <functional>

// Gathers the store's changes of one turn of the event loop and refreshes a view once, at the next turn:
// the lines that changed, or everything when something all lines show changed.
class RefreshQueue : public QObject {
    Q_OBJECT
public:
    using Refresh = std::function<void(const QSet<QUuid>& lines, bool everything)>;

    RefreshQueue(Refresh refresh, QObject* parent);

    void line(const QUuid& id);
    void everything();
    // Refreshes now what is waiting, if anything.
    void flush();

private:
    void schedule();

    Refresh m_refresh;
    QSet<QUuid> m_lines;
    bool m_everything = false;
    bool m_scheduled = false;
};
