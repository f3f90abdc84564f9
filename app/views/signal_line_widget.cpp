#include "views/signal_line_widget.h"

#include "views/dash_ticker.h"

#include <QEvent>
#include <QPainter>

SignalLineWidget::SignalLineWidget(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
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
    // Only the node size changes the size hint; a new check must not lay the board out again.
    const bool resized = (line.nodeRadius < 4) != (m_line.nodeRadius < 4);
    m_line = line;
    m_images.clear();
    setAccessibleName(SignalLinePainter::accessibleText(m_line));
    if (resized)
        updateGeometry();
    updateAnimation();
    update();
}

void SignalLineWidget::setBackground(const QColor& background)
{
    if (background == m_background)
        return;
    m_background = background;
    setAttribute(Qt::WA_OpaquePaintEvent, m_background.isValid());
    // The background is part of every cached image.
    m_images.clear();
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

void SignalLineWidget::nextFrame()
{
    const int frame = DashTicker::frameNow();
    if (frame == m_frame)
        return;
    // A row scrolled out of view costs nothing, and keeps only one image.
    if (!onScreen()) {
        if (m_images.size() > 1)
            m_images.resize(1);
        return;
    }
    m_frame = frame;
    update();
}

bool SignalLineWidget::onScreen() const
{
    // The ancestors' rectangles alone: cheaper than the visible region, which weighs every sibling row.
    QRect shown = rect();
    for (const QWidget* w = this; !w->isWindow() && w->parentWidget(); w = w->parentWidget()) {
        shown.translate(w->pos());
        shown &= w->parentWidget()->rect();
        if (shown.isEmpty())
            return false;
    }
    return true;
}

const QPixmap& SignalLineWidget::image(int frame)
{
    const Theme::Appearance appearance = Theme::currentAppearance();
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_imagesAppearance != appearance || m_imagesPixels != pixels || m_imagesRatio != ratio)
        m_images.clear();
    m_imagesAppearance = appearance;
    m_imagesPixels = pixels;
    m_imagesRatio = ratio;
    if (m_images.size() <= std::size_t(frame))
        m_images.resize(std::size_t(frame) + 1);
    QPixmap& cached = m_images[std::size_t(frame)];
    if (cached.isNull()) {
        cached = QPixmap(pixels);
        cached.setDevicePixelRatio(ratio);
        // An opaque image is a plain copy to the screen, each frame of running dashes.
        cached.fill(m_background.isValid() ? m_background : QColor(Qt::transparent));
        QPainter painter(&cached);
        SignalLinePainter::paint(painter, QRectF(rect()), m_line, appearance, DashTicker::phaseOf(frame));
    }
    return cached;
}

void SignalLineWidget::paintEvent(QPaintEvent*)
{
    if (m_animating)
        m_frame = DashTicker::frameNow();
    const QPixmap& shown = image(m_animating ? m_frame : 0);
    QPainter painter(this);
    painter.drawPixmap(0, 0, shown);
}

void SignalLineWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_images.clear();
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
        m_images.clear();
        update();
    }
}

void SignalLineWidget::updateAnimation()
{
    const bool wanted = m_line.continuity == LineContinuity::dashed && !m_reduceMotion && isVisible();
    if (wanted == m_animating)
        return;
    m_animating = wanted;
    // Only running lines hear the ticks: a still one should cost nothing per frame.
    if (m_animating) {
        connect(&DashTicker::shared(), &DashTicker::frame, this, &SignalLineWidget::nextFrame, Qt::UniqueConnection);
        DashTicker::shared().attach(this);
    } else {
        disconnect(&DashTicker::shared(), &DashTicker::frame, this, &SignalLineWidget::nextFrame);
        DashTicker::shared().detach(this);
        // A still line needs only its first image.
        if (m_images.size() > 1)
            m_images.resize(1);
    }
}
