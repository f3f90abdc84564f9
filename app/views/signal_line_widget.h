#pragma once

#include "views/signal_line.h"

#include <QPixmap>
#include <QWidget>

// Shows one SignalLine at the widget's size. A dashed line runs on the shared DashTicker while it is
// visible and motion is not reduced; every other line is stroked once per change and then shown from a
// cached pixmap, so hovering or exposing its row costs a copy.
class SignalLineWidget : public QWidget {
    Q_OBJECT

public:
    explicit SignalLineWidget(QWidget* parent = nullptr);
    ~SignalLineWidget() override;

    const SignalLine& line() const { return m_line; }
    void setLine(const SignalLine& line);

    bool reduceMotion() const { return m_reduceMotion; }
    void setReduceMotion(bool reduce);

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

    SignalLine m_line;
    bool m_reduceMotion = false;
    bool m_animating = false;
    QPixmap m_still;
    bool m_stillValid = false;
    Theme::Appearance m_stillAppearance = Theme::Appearance::light;
};
