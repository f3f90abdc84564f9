#include "views/dash_ticker.h"
#include "views/line_mark.h"
#include "views/signal_line_widget.h"

#include "app/test_app.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

namespace {

SignalLine lineOf(LineContinuity continuity)
{
    SignalLine line;
    line.continuity = continuity;
    line.latencies = {12.0, 14.0, std::nullopt, 11.0};
    return line;
}

// Counts the frames a widget actually paints.
class CountingLine : public SignalLineWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        SignalLineWidget::paintEvent(event);
    }
};

TEST(SignalLineWidget, OnlyAVisibleDashedLineKeepsTheFrameClockRunning)
{
    TestApp::instance();
    DashTicker& ticker = DashTicker::shared();
    ASSERT_FALSE(ticker.running());

    SignalLineWidget widget;
    widget.resize(300, 30);
    widget.setLine(lineOf(LineContinuity::dashed));
    EXPECT_FALSE(widget.animating()) << "hidden widgets do not animate";
    widget.show();
    EXPECT_TRUE(widget.animating());
    EXPECT_TRUE(ticker.running());

    for (const LineContinuity still : {LineContinuity::solid, LineContinuity::broken, LineContinuity::dotted}) {
        widget.setLine(lineOf(still));
        EXPECT_FALSE(widget.animating());
        EXPECT_FALSE(ticker.running());
        widget.setLine(lineOf(LineContinuity::dashed));
        EXPECT_TRUE(ticker.running());
    }

    widget.setReduceMotion(true);
    EXPECT_FALSE(widget.animating());
    EXPECT_FALSE(ticker.running());
    widget.setReduceMotion(false);
    EXPECT_TRUE(ticker.running());

    widget.hide();
    EXPECT_FALSE(ticker.running());
    widget.show();
    EXPECT_TRUE(ticker.running());
}

TEST(SignalLineWidget, TheClockStopsWhenTheLastRunningLineGoes)
{
    TestApp::instance();
    DashTicker& ticker = DashTicker::shared();
    auto first = std::make_unique<SignalLineWidget>();
    auto second = std::make_unique<SignalLineWidget>();
    for (SignalLineWidget* widget : {first.get(), second.get()}) {
        widget->setLine(lineOf(LineContinuity::dashed));
        widget->show();
    }
    EXPECT_EQ(ticker.clients(), 2);
    first.reset();
    EXPECT_TRUE(ticker.running());
    second.reset();
    EXPECT_FALSE(ticker.running());
    EXPECT_EQ(ticker.clients(), 0);
}

TEST(SignalLineWidget, RunningDashesRepaintAtMostThirtyTimesASecond)
{
    TestApp::instance();
    CountingLine widget;
    widget.resize(300, 30);
    widget.setLine(lineOf(LineContinuity::dashed));
    widget.show();
    TestApp::spin(50);
    widget.paints = 0;
    TestApp::spin(600);
    EXPECT_GE(widget.paints, 3) << "the dashes do not move";
    EXPECT_LE(widget.paints, 19);

    // A still line paints once for its change and then stays quiet.
    widget.setLine(lineOf(LineContinuity::solid));
    TestApp::spin(50);
    widget.paints = 0;
    TestApp::spin(300);
    EXPECT_EQ(widget.paints, 0);
}

TEST(SignalLineWidget, TellsScreenReadersWhatTheLineShows)
{
    TestApp::instance();
    SignalLineWidget widget;
    SignalLine line = lineOf(LineContinuity::broken);
    line.stamp = QStringLiteral("▼ 09:05");
    widget.setLine(line);
    EXPECT_EQ(widget.accessibleName(), QStringLiteral("Dropped line, ▼ 09:05"));
    widget.setLine(lineOf(LineContinuity::solid));
    EXPECT_EQ(widget.accessibleName(), QStringLiteral("Connected line"));
}

TEST(LineMark, DrawsADotAndARingInTheBrandBlues)
{
    TestApp::instance();
    for (const int height : {12, 16, 48}) {
        SCOPED_TRACE(height);
        const int width = static_cast<int>(height * LineMark::aspect);
        QImage image(width, height, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        LineMark::paint(painter, QRectF(0, 0, width, height));
        painter.end();
        const int y = height / 2;
        const double dot = std::max(2.0, height * 0.2);
        EXPECT_EQ(QColor(image.pixel(static_cast<int>(dot), y)).name(), Theme::brandBlue().name());
        // The ring is hollow and sky-blue at its rim; the line between is drawn.
        const double stroke = std::max(1.5, height * 0.12);
        const double ring = std::max(2.0, height * 0.19);
        const double ringX = width - ring - stroke / 2;
        if (ring > stroke + 1) {
            EXPECT_LT(qAlpha(image.pixel(static_cast<int>(ringX), y)), 128);
        }
        EXPECT_GT(qAlpha(image.pixel(width / 2, y)), 150);
        EXPECT_GT(qAlpha(image.pixel(static_cast<int>(ringX + ring), y)), 60);
    }
}

} // namespace
