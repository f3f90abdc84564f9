#include "views/recycled_rows.h"

#include "views/bound_row.h"
#include "views/theme.h"

#include <QApplication>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace {

// Rows bound beyond each edge of the view, so that Tab and a short scroll find their row already there.
constexpr int spare = 2;

} // namespace

RecycledRows::RecycledRows(QScrollArea* area, Factory make, bool ruled, QWidget* before, QWidget* parent)
    : QWidget(parent), m_area(area), m_make(std::move(make)), m_ruled(ruled), m_before(before)
{
    // Ruled rows sit on the page's plain background, which this paints; others show what is under them.
    setAttribute(Qt::WA_OpaquePaintEvent, m_ruled);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(m_area->verticalScrollBar(), &QScrollBar::valueChanged, this, &RecycledRows::place);
    m_area->viewport()->installEventFilter(this);
    // Only rows that show a countdown move on between store changes, and only while they exist.
    m_clock = new QTimer(this);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, [this] {
        if (!isVisible())
            return;
        for (BoundRow* row : std::as_const(m_ticking))
            row->tick();
    });
}

void RecycledRows::setLines(const QList<QUuid>& ids)
{
    m_ids = ids;
    m_index.clear();
    for (int i = 0; i < m_ids.size(); ++i)
        m_index.insert(m_ids[i], i);
    for (auto it = m_bound.begin(); it != m_bound.end();) {
        if (m_index.contains(it.key())) {
            it.value()->refresh();
            followClock(it.value());
            ++it;
            continue;
        }
        free(it.value());
        it = m_bound.erase(it);
    }
    if (m_rowHeight == 0 && !m_ids.isEmpty()) {
        // Every row has the same parts, so one bound row gives the height of all.
        BoundRow* first = m_free.isEmpty() ? m_make(this) : m_free.takeLast();
        bind(first, m_ids.front());
        first->ensurePolished();
        m_rowHeight = first->sizeHint().height();
        m_rowWidth = first->minimumSizeHint().width();
    }
    if (m_ticking.isEmpty())
        m_clock->stop();
    updateGeometry();
    place();
    update();
}

void RecycledRows::refresh(const QSet<QUuid>& lines, bool everything)
{
    for (BoundRow* row : std::as_const(m_bound)) {
        if (everything || lines.contains(row->id())) {
            row->refresh();
            followClock(row);
        }
    }
}

QList<BoundRow*> RecycledRows::rows() const
{
    QList<BoundRow*> ordered = m_bound.values();
    std::sort(ordered.begin(), ordered.end(),
        [this](BoundRow* a, BoundRow* b) { return m_index.value(a->id()) < m_index.value(b->id()); });
    return ordered;
}

BoundRow* RecycledRows::showRow(const QUuid& id)
{
    if (!m_index.contains(id) || !m_area->widget())
        return nullptr;
    const QPoint at = mapTo(m_area->widget(), QPoint(0, m_index.value(id) * pitch()));
    m_area->ensureVisible(at.x(), at.y() + m_rowHeight / 2, 0, m_rowHeight / 2 + 1);
    place();
    return row(id);
}

QSize RecycledRows::sizeHint() const
{
    const int count = int(m_ids.size());
    // No rule after the last row.
    return {m_rowWidth, count > 0 ? count * pitch() - (m_ruled ? 1 : 0) : 0};
}

QSize RecycledRows::minimumSizeHint() const
{
    return sizeHint();
}

void RecycledRows::place()
{
    if (m_ids.isEmpty() || m_rowHeight == 0)
        return;
    const QWidget* viewport = m_area->viewport();
    const int top = viewport->isAncestorOf(this) ? mapFrom(viewport, QPoint(0, 0)).y() : 0;
    const int last = int(m_ids.size()) - 1;
    const int first = std::clamp(top / pitch() - spare, 0, last);
    const int end = std::clamp((top + viewport->height()) / pitch() + spare, 0, last);
    // The ends stay bound so that Tab into the board from above, or Backtab from below, lands on them.
    QSet<QUuid> wanted {m_ids.front(), m_ids.back()};
    for (int i = first; i <= end; ++i)
        wanted.insert(m_ids[i]);
    if (BoundRow* focused = focusedRow(); focused && m_index.contains(focused->id()))
        wanted.insert(focused->id());
    for (auto it = m_bound.begin(); it != m_bound.end();) {
        if (wanted.contains(it.key())) {
            ++it;
            continue;
        }
        free(it.value());
        it = m_bound.erase(it);
    }
    for (const QUuid& id : std::as_const(wanted)) {
        if (!m_bound.contains(id))
            bind(m_free.isEmpty() ? m_make(this) : m_free.takeLast(), id);
    }
    for (BoundRow* row : std::as_const(m_bound)) {
        row->setGeometry(0, m_index.value(row->id()) * pitch(), width(), m_rowHeight);
        row->show();
    }
    if (m_ticking.isEmpty())
        m_clock->stop();
    chainFocus();
}

BoundRow* RecycledRows::focusedRow() const
{
    QWidget* w = QApplication::focusWidget();
    while (w && w->parentWidget() != this)
        w = w->parentWidget();
    return qobject_cast<BoundRow*>(w);
}

void RecycledRows::free(BoundRow* row)
{
    row->hide();
    m_ticking.remove(row);
    m_free.append(row);
}

void RecycledRows::bind(BoundRow* row, const QUuid& id)
{
    row->bind(id);
    m_bound.insert(id, row);
    followClock(row);
}

void RecycledRows::chainFocus()
{
    // Rows come and go in any order; the keyboard must still meet their controls in board order.
    const QList<BoundRow*> ordered = rows();
    if (ordered == m_chained)
        return;
    m_chained = ordered;
    QWidget* previous = m_before;
    for (BoundRow* row : ordered) {
        for (QWidget* control : row->controls()) {
            if (previous)
                QWidget::setTabOrder(previous, control);
            previous = control;
        }
    }
}

void RecycledRows::followClock(BoundRow* row)
{
    if (row->ticking())
        m_ticking.insert(row);
    else
        m_ticking.remove(row);
    if (m_ticking.isEmpty())
        m_clock->stop();
    else if (!m_clock->isActive())
        m_clock->start();
}

void RecycledRows::paintEvent(QPaintEvent* event)
{
    if (!m_ruled)
        return;
    QPainter p(this);
    const QRect area = event->rect();
    p.fillRect(area, palette().color(QPalette::Window));
    if (m_rowHeight == 0)
        return;
    const QColor rule = Theme::rule.color();
    const int last = std::min(area.bottom() / pitch(), int(m_ids.size()) - 2);
    for (int i = std::max(0, area.top() / pitch() - 1); i <= last; ++i)
        p.fillRect(0, i * pitch() + m_rowHeight, width(), 1, rule);
}

void RecycledRows::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    place();
}

void RecycledRows::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    place();
}

bool RecycledRows::focusNextPrevChild(bool next)
{
    // With the focused row in full view, the rows on either side of it are bound and chained.
    if (BoundRow* row = focusedRow()) {
        m_area->ensureWidgetVisible(row, 0, 0);
        place();
    }
    return QWidget::focusNextPrevChild(next);
}

bool RecycledRows::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_area->viewport() && event->type() == QEvent::Resize)
        place();
    return QWidget::eventFilter(watched, event);
}
