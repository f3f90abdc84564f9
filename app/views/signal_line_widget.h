#pragma once

#include "views/signal_line.h"

#include <QColor>
#include <QPixmap>
#include <QWidget>

#include <vector>

// Shows one SignalLine at the widget's size. Every image of it is stroked once per change and then shown
// from a cached pixmap, so hovering or exposing its row costs a copy. A dashed line runs on the shared
// DashTicker while it is visible and motion is not reduced, drawing each step's image once and repainting
// only while some of it is on screen.
class SignalLineWidget : public QWidget {
    Q_OBJECT

public:
    explicit SignalLineWidget(QWidget* parent = nullptr);
    ~SignalLineWidget() override;

    const SignalLine& line() const { return m_line; }
    void setLine(const SignalLine& line);

    bool reduceMotion() const { return m_reduceMotion; }
    void setReduceMotion(bool reduce);

    // A plain colour to paint under the line, making the widget opaque: a frame of running dashes then
    // repaints this widget alone, none of the row around it. Invalid (the default) leaves it see-through.
    void setBackground(const QColor& background);

    // Whether the dashes are moving right now.
    bool animating() const { return m_animating; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateAnimation();
    void nextFrame();
    bool onScreen() const;
    // The image for a dash step (0 when still), drawn when missing or out of date.
    const QPixmap& image(int frame);

    SignalLine m_line;
    bool m_reduceMotion = false;
    QColor m_background;
    bool m_animating = false;
    int m_frame = 0; // the dash step shown
    // One image per dash step; a still line uses only the first.
    std::vector<QPixmap> m_images;
    Theme::Appearance m_imagesAppearance = Theme::Appearance::light;
    QSize m_imagesPixels;
    qreal m_imagesRatio = 1;
};
