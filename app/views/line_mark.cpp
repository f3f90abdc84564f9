#include "views/line_mark.h"

#include "views/theme.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

LineMark::LineMark(QWidget* parent, int height)
    : QWidget(parent)
    , m_height(std::max(4, height))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Mountwire"));
}

QSize LineMark::sizeHint() const
{
    return QSize(static_cast<int>(std::ceil(m_height * aspect)), m_height);
}

void LineMark::paint(QPainter& painter, const QRectF& bounds)
{
    const double height = std::min(bounds.height(), bounds.width() / aspect);
    if (height <= 0)
        return;
    const double width = height * aspect;
    const QRectF box(bounds.center().x() - width / 2, bounds.center().y() - height / 2, width, height);

    // Thin marks would vanish at menu sizes, so the strokes never drop below 1.5.
    const double stroke = std::max(1.5, height * 0.12);
    const double dot = std::max(2.0, height * 0.2);
    const double ring = std::max(2.0, height * 0.19);
    const double y = box.center().y();
    const double left = box.left() + dot;
    const double right = box.right() - ring - stroke / 2;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(QPointF(left, y), QPointF(right, y));
    gradient.setColorAt(0, Theme::brandBlue());
    gradient.setColorAt(1, Theme::brandSky());
    painter.setPen(QPen(QBrush(gradient), stroke, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(left, y), QPointF(right - ring, y));

    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::brandBlue());
    painter.drawEllipse(QPointF(left, y), dot, dot);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Theme::brandSky(), stroke));
    painter.drawEllipse(QPointF(right, y), ring, ring);
    painter.restore();
}

void LineMark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()));
}
