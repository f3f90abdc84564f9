#include "views/signal_line_widget.h"

#include "views/dash_ticker.h"

#include <QEvent>
#include <QPainter>

SignalLineWidget::SignalLineWidget(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&DashTicker::shared(), &DashTicker::frame, this, [this] {
        if (m_animating)
            update();
    });
    setAccessibleName(SignalLinePainter::accessibleText(m_line));
}

SignalLineWidget::~SignalLineWidget()
{
    DashTicker::shared().detach(this);
}

void SignalLineWidget::setLine(const SignalLine& line)
{
    if (line == m_line)
        return;
    m_line = line;
    m_stillValid = false;
    setAccessibleName(SignalLinePainter::accessibleText(m_line));
    updateGeometry();
    updateAnimation();
    update();
}

void SignalLineWidget::setReduceMotion(bool reduce)
{
    if (reduce == m_reduceMotion)
        return;
    m_reduceMotion = reduce;
    updateAnimation();
    update();
}

QSize SignalLineWidget::sizeHint() const
{
    // The board's line is 30 high; smaller nodes mean the popover's 16.
    const int height = m_line.nodeRadius < 4 ? 16 : 30;
    return QSize(240, height);
}

QSize SignalLineWidget::minimumSizeHint() const
{
    return QSize(80, sizeHint().height());
}

void SignalLineWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const Theme::Appearance appearance = Theme::currentAppearance();
    if (m_animating) {
        SignalLinePainter::paint(painter, QRectF(rect()), m_line, appearance, DashTicker::phaseNow());
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (!m_stillValid || m_stillAppearance != appearance || m_still.size() != pixels
        || m_still.devicePixelRatio() != ratio) {
        m_still = QPixmap(pixels);
        m_still.setDevicePixelRatio(ratio);
        m_still.fill(Qt::transparent);
        QPainter still(&m_still);
        SignalLinePainter::paint(still, QRectF(rect()), m_line, appearance, 0.0);
        m_stillValid = true;
        m_stillAppearance = appearance;
    }
    painter.drawPixmap(0, 0, m_still);
}

void SignalLineWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_stillValid = false;
}

void SignalLineWidget::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateAnimation();
}

void SignalLineWidget::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    updateAnimation();
}

void SignalLineWidget::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // A switch between light and dark arrives as a palette change.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        m_stillValid = false;
        update();
    }
}

void SignalLineWidget::updateAnimation()
{
    const bool wanted = m_line.continuity == LineContinuity::dashed && !m_reduceMotion && isVisible();
    if (wanted == m_animating)
        return;
    m_animating = wanted;
    if (m_animating)
        DashTicker::shared().attach(this);
    else
        DashTicker::shared().detach(this);
}
