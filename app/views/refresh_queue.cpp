#include "views/refresh_queue.h"

RefreshQueue::RefreshQueue(Refresh refresh, QObject* parent) : QObject(parent), m_refresh(std::move(refresh)) {}

void RefreshQueue::line(const QUuid& id)
{
    if (!m_everything)
        m_lines.insert(id);
    schedule();
}

void RefreshQueue::everything()
{
    m_everything = true;
    m_lines.clear();
    schedule();
}

void RefreshQueue::schedule()
{
    if (m_scheduled)
        return;
    m_scheduled = true;
    QMetaObject::invokeMethod(this, &RefreshQueue::flush, Qt::QueuedConnection);
}

void RefreshQueue::flush()
{
    m_scheduled = false;
    if (!m_everything && m_lines.isEmpty())
        return;
    const QSet<QUuid> lines = std::exchange(m_lines, {});
    const bool everything = std::exchange(m_everything, false);
    m_refresh(lines, everything);
}
