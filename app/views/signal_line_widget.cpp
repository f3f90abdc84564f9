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
    const double phase = m_animating ? DashTicker::phaseNow() : 0.0;
    SignalLinePainter::paint(painter, QRectF(rect()), m_line, Theme::currentAppearance(), phase);
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
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
        update();
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
