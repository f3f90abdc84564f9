#include "views/dash_ticker.h"
#include "views/line_mark.h"
#include "views/signal_line_widget.h"

#include "app/test_app.h"

#include <QImage>
#include <QPainter>
#include <QScrollArea>

#include <gtest/gtest.h>

#include <memory>

namespace {

SignalLine lineOf(LineContinuity continuity)
{
    return {.latencies = {12.0, 14.0, std::nullopt, 11.0}, .continuity = continuity,
        .stamp = QStringLiteral("▼ 09:05")};
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

TEST(SignalLineWidget, OnlyVisibleDashedLinesKeepTheFrameClockRunning)
{
    TestApp::instance();
    const DashTicker& ticker = DashTicker::shared();
    auto widget = std::make_unique<SignalLineWidget>();
    widget->setLine(lineOf(LineContinuity::dashed));
    EXPECT_FALSE(ticker.running()) << "hidden widgets do not animate";
    widget->show();
    EXPECT_TRUE(widget->animating() && ticker.running());
    for (const LineContinuity still : {LineContinuity::solid, LineContinuity::broken, LineContinuity::dotted}) {
        widget->setLine(lineOf(still));
        EXPECT_FALSE(widget->animating() || ticker.running());
        widget->setLine(lineOf(LineContinuity::dashed));
    }
    widget->setReduceMotion(true);
    EXPECT_FALSE(widget->animating() || ticker.running());
    widget->setReduceMotion(false);
    widget->hide();
    EXPECT_FALSE(ticker.running());
    widget->show();

    auto second = std::make_unique<SignalLineWidget>();
    second->setLine(lineOf(LineContinuity::dashed));
    second->show();
    EXPECT_EQ(ticker.clients(), 2);
    widget.reset();
    EXPECT_TRUE(ticker.running());
    second.reset();
    EXPECT_FALSE(ticker.running());
}

TEST(SignalLineWidget, RunningDashesRepaintElevenTimesASecondOnScreenAndStillLinesNotAtAll)
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
    EXPECT_LE(widget.paints, 10);

    QScrollArea area;
    auto* content = new QWidget;
    content->resize(300, 1000);
    auto* below = new CountingLine;
    below->setParent(content);
    below->setGeometry(0, 900, 300, 30);
    below->setLine(lineOf(LineContinuity::dashed));
    area.setWidget(content);
    area.resize(320, 100);
    area.show();
    TestApp::spin(50);
    below->paints = 0;
    TestApp::spin(300);
    EXPECT_TRUE(below->animating());
    EXPECT_EQ(below->paints, 0) << "a line scrolled out of view repaints";

    widget.setLine(lineOf(LineContinuity::solid));
    TestApp::spin(50);
    widget.paints = 0;
    TestApp::spin(300);
    EXPECT_EQ(widget.paints, 0);
}

TEST(SignalLineWidget, AStillLineRedrawsWhenItChangesAndOnlyThenAndTellsScreenReadersWhatItShows)
{
    TestApp::instance();
    SignalLineWidget widget;
    const std::pair<LineContinuity, const char*> said[] = {{LineContinuity::solid, "Connected line"},
        {LineContinuity::dashed, "Reconnecting line"}, {LineContinuity::broken, "Dropped line, ▼ 09:05"},
        {LineContinuity::dotted, "Not mounted"}};
    for (const auto& [continuity, text] : said) {
        widget.setLine(lineOf(continuity));
        EXPECT_EQ(widget.accessibleName(), QString::fromUtf8(text));
    }
    widget.resize(300, 30);
    widget.setLine(lineOf(LineContinuity::broken));
    const QImage broken = widget.grab().toImage();
    EXPECT_EQ(widget.grab().toImage(), broken);
    widget.setLine(lineOf(LineContinuity::solid));
    EXPECT_NE(widget.grab().toImage(), broken);
    widget.setLine(lineOf(LineContinuity::broken));
    EXPECT_EQ(widget.grab().toImage(), broken);
    widget.resize(200, 30);
    const QImage narrow = widget.grab().toImage();
    EXPECT_EQ(narrow.width(), 200);
    Theme::setAppearanceOverride(Theme::Appearance::dark);
    QEvent paletteChange(QEvent::ApplicationPaletteChange);
    QCoreApplication::sendEvent(&widget, &paletteChange);
    EXPECT_NE(widget.grab().toImage(), narrow);
    Theme::setAppearanceOverride(std::nullopt);
}

TEST(LineMark, DrawsADotAndAHollowRingInTheBrandBlues)
{
    TestApp::instance();
    QImage image(48, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    LineMark::paint(painter, QRectF(0, 0, 48, 32));
    painter.end();
    EXPECT_EQ(QColor(image.pixel(6, 16)).name(), Theme::brandBlue().name());
    EXPECT_GT(qAlpha(image.pixel(24, 16)), 150);
    // Ring of radius 6 around x = 40: hollow centre, sky-blue rim.
    EXPECT_LT(qAlpha(image.pixel(40, 16)), 128);
    EXPECT_EQ(QColor(image.pixel(40, 10)).name(), Theme::brandSky().name());
}

} // namespace
