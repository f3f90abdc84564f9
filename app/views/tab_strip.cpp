#include "views/tab_strip.h"

#include "views/controls.h"
#include "views/theme.h"

#include <QKeyEvent>

#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int gap = 20;
constexpr int stripHeight = 30;
constexpr int ringRoom = 6;

QFont labelFont(bool selected)
{
    return Theme::Typo::system(12.5, selected ? QFont::DemiBold : QFont::Normal);
}

QFont countFont()
{
    return Theme::Typo::system(10.5);
}

} // namespace

TabStrip::TabStrip(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    // Reached by Tab; the arrow keys then move between the tabs.
    setFocusPolicy(Qt::StrongFocus);
    m_bar.setDuration(220);
    m_bar.setEasingCurve(QEasingCurve::OutCubic);
    connect(&m_bar, &QVariantAnimation::valueChanged, this, [this] { update(); });
}

void TabStrip::setItems(const QStringList& labels)
{
    m_labels = labels;
    m_counts.resize(std::size_t(labels.size()));
    m_selection = std::clamp(m_selection, 0, std::max(0, int(labels.size()) - 1));
    updateGeometry();
    update();
}

void TabStrip::setCounts(const std::vector<std::optional<int>>& counts)
{
    m_counts = counts;
    m_counts.resize(std::size_t(m_labels.size()));
    updateGeometry();
    update();
}

std::optional<int> TabStrip::countAt(int index) const
{
    if (index < 0 || index >= int(m_counts.size()))
        return std::nullopt;
    return m_counts[std::size_t(index)];
}

void TabStrip::setSelection(int index)
{
    if (index < 0 || index >= count() || index == m_selection)
        return;
    const QRectF from = tabRect(m_selection);
    m_selection = index;
    const QRectF to = tabRect(index);
    m_bar.stop();
    m_bar.setStartValue(from);
    m_bar.setEndValue(to);
    if (isVisible())
        m_bar.start();
    update();
    Q_EMIT selectionChanged(index);
}

int TabStrip::tabWidth(int index) const
{
    // Measured in the bold face so the row does not shift when the selection moves.
    int width = QFontMetrics(labelFont(true)).horizontalAdvance(m_labels[index]);
    if (const std::optional<int> n = countAt(index))
        width += 5 + QFontMetrics(countFont()).horizontalAdvance(QString::number(*n));
    return width;
}

QRect TabStrip::tabRect(int index) const
{
    // Room at both ends for the focus ring around the first and last tab.
    int x = ringRoom;
    for (int i = 0; i < count(); ++i) {
        const int w = tabWidth(i);
        if (i == index)
            return QRect(x, 0, w, stripHeight);
        x += w + gap;
    }
    return {};
}

QSize TabStrip::sizeHint() const
{
    int width = 0;
    for (int i = 0; i < count(); ++i)
        width += tabWidth(i) + (i ? gap : 0);
    return {width + 2 * ringRoom, stripHeight};
}

void TabStrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < count(); ++i) {
        const QRect r = tabRect(i);
        const bool selected = i == m_selection;
        p.setFont(labelFont(selected));
        p.setPen((selected ? Theme::ink : Theme::ink2).color());
        const QFontMetrics metrics(labelFont(selected));
        const int baseline = (stripHeight - 4 + metrics.ascent() - metrics.descent()) / 2;
        p.drawText(QPoint(r.left(), baseline), m_labels[i]);
        if (const std::optional<int> n = countAt(i)) {
            p.setFont(countFont());
            p.setPen(Theme::ink3.color());
            p.drawText(QPoint(r.left() + metrics.horizontalAdvance(m_labels[i]) + 5, baseline),
                QString::asprintf("%lld", static_cast<long long>(*n)));
        }
    }
    const QRectF bar = m_bar.state() == QAbstractAnimation::Running ? m_bar.currentValue().toRectF() : QRectF(tabRect(m_selection));
    if (count() > 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(Theme::blue.color());
        p.drawRoundedRect(QRectF(bar.left(), stripHeight - 2, bar.width(), 2), 1, 1);
        Ui::paintFocus(p, this, QRectF(tabRect(m_selection)).adjusted(-6, 2, 6, -3), Theme::Radius::control);
    }
}

void TabStrip::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        const int step = event->key() == Qt::Key_Left ? -1 : 1;
        setSelection(std::clamp(m_selection + step, 0, std::max(0, count() - 1)));
        return;
    }
    QWidget::keyPressEvent(event);
}

void TabStrip::mousePressEvent(QMouseEvent* event)
{
    for (int i = 0; i < count(); ++i) {
        if (tabRect(i).adjusted(-gap / 2, 0, gap / 2, 0).contains(event->position().toPoint())) {
            setSelection(i);
            return;
        }
    }
}
