#include "views/signal_strip.h"

#include "store/share_store.h"
#include "views/controls.h"
#include "views/line_texts.h"
#include "views/refresh_queue.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int stripHeight = 6;

void drawSegment(QPainter& p, const QRectF& segment, LineContinuity continuity)
{
    const double y = segment.center().y();
    switch (continuity) {
    case LineContinuity::solid: {
        QPen pen(QBrush(Theme::live(segment.topLeft(), segment.topRight())), 2.5, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.drawLine(QPointF(segment.left() + 1.5, y), QPointF(segment.right() - 1.5, y));
        break;
    }
    case LineContinuity::dashed: {
        QPen pen(Theme::amber.color(), 2.5, Qt::CustomDashLine, Qt::FlatCap);
        pen.setDashPattern({3 / 2.5, 2 / 2.5});
        p.setPen(pen);
        p.drawLine(QPointF(segment.left() + 1, y), QPointF(segment.right() - 1, y));
        break;
    }
    case LineContinuity::broken: {
        QPen pen(Theme::red.color(), 2.5, Qt::SolidLine, Qt::FlatCap);
        p.setPen(pen);
        const double middle = segment.center().x();
        p.drawLine(QPointF(segment.left() + 1, y), QPointF(middle - 1.5, y));
        p.drawLine(QPointF(middle + 1.5, y), QPointF(segment.right() - 1, y));
        break;
    }
    case LineContinuity::dotted: {
        QPen pen(Theme::ink3.color(), 2.5, Qt::CustomDashLine, Qt::RoundCap);
        pen.setDashPattern({0.01 / 2.5, 4 / 2.5});
        p.setPen(pen);
        p.drawLine(QPointF(segment.left() + 1.5, y), QPointF(segment.right() - 1.5, y));
        break;
    }
    }
}

} // namespace

SignalStrip::SignalStrip(ShareStore& store, QWidget* parent) : QWidget(parent), m_store(store)
{
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Show the signal log"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10 + stripHeight + 6);
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    m_count = Ui::label(QString(), Theme::Typo::system(13, QFont::DemiBold), Theme::ink, this);
    row->addWidget(m_count);
    row->addWidget(Ui::kicker(QStringLiteral("live"), this));
    row->addStretch(1);
    m_down = Ui::label(QString(), Theme::Typo::system(10.5), Theme::red, this);
    row->addWidget(m_down);
    column->addLayout(row);
    auto* queue = new RefreshQueue([this](const QSet<QUuid>&, bool) { refresh(); }, this);
    for (auto signal : {&ShareStore::sharesChanged, &ShareStore::serversChanged})
        connect(&m_store, signal, queue, &RefreshQueue::everything);
    connect(&m_store, &ShareStore::runtimeChanged, queue, &RefreshQueue::line);
    refresh();
}

QString SignalStrip::figures() const
{
    return m_count->text() + (m_down->isVisible() ? QStringLiteral(" ") + m_down->text() : QString());
}

void SignalStrip::refresh()
{
    m_count->setText(QStringLiteral("%1/%2").arg(m_store.connectedCount()).arg(m_store.shares().size()));
    const int down = m_store.attentionCount();
    m_down->setText(QStringLiteral("%1 down").arg(down));
    m_down->setVisible(down > 0);
    std::vector<LineContinuity> segments;
    segments.reserve(m_store.shares().size());
    for (const ShareSpec& share : m_store.shares())
        segments.push_back(LineTexts::continuity(m_store.status(share)));
    if (segments == m_segments)
        return;
    m_segments = std::move(segments);
    update();
}

void SignalStrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Theme::rule.color(), 1));
    p.setBrush(Theme::panel.color());
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    const QRectF strip(10, height() - 10 - stripHeight, width() - 20, stripHeight);
    if (m_segments.empty()) {
        drawSegment(p, strip, LineContinuity::dotted);
        return;
    }
    const double w = strip.width() / double(m_segments.size());
    for (std::size_t i = 0; i < m_segments.size(); ++i) {
        const QRectF segment(strip.left() + w * double(i), strip.top(), w, strip.height());
        drawSegment(p, segment, m_segments[i]);
    }
}

void SignalStrip::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        m_store.setPage(ManagerPage::activity);
}
