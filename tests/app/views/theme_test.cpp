#include "views/app_style.h"
#include "views/theme.h"

#include "app/test_app.h"

#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Theme::Appearance;

// WCAG contrast of a colour laid over an opaque background.
double contrast(QColor over, const QColor& under)
{
    const double a = over.alphaF();
    over = QColor::fromRgbF(float(over.redF() * a + under.redF() * (1 - a)),
        float(over.greenF() * a + under.greenF() * (1 - a)), float(over.blueF() * a + under.blueF() * (1 - a)));
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double l1 = luminance(over);
    const double l2 = luminance(under);
    return (std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05);
}

TEST(Theme, TextAndMarksStandOutFromTheirBackgroundsInBothAppearances)
{
    for (const Appearance a : {Appearance::light, Appearance::dark}) {
        SCOPED_TRACE(a == Appearance::dark ? "dark" : "light");
        for (const Theme::DynamicColor& background : {Theme::paper, Theme::panel, Theme::well}) {
            const QColor under = background.in(a);
            EXPECT_GE(contrast(Theme::ink.in(a), under), 4.5);
            EXPECT_GE(contrast(Theme::ink2.in(a), under), 4.5);
            EXPECT_GE(contrast(AppStyle::edge(a), under), 3.0) << "field and toggle borders";
            EXPECT_GE(contrast(AppStyle::focus(a), under), 3.0) << "the focus ring";
        }
        EXPECT_GE(contrast(AppStyle::onFill(a), AppStyle::primaryFill(a)), 4.5) << "text on a primary button";
        EXPECT_GE(contrast(AppStyle::onFill(a), Theme::red.in(a)), 4.5) << "text on a destructive button";
        EXPECT_GE(contrast(AppStyle::fillFocus(a), AppStyle::primaryFill(a)), 3.0) << "a focused primary button's ring";
        EXPECT_GE(contrast(AppStyle::fillFocus(a), Theme::red.in(a)), 3.0) << "a focused destructive button's ring";
    }
}

TEST(Theme, AppearanceFollowsTheDesktopPaletteUnlessOverridden)
{
    TestApp::instance();
    const QPalette original = QGuiApplication::palette();
    for (const auto& [window, appearance] :
        {std::pair {QColor(0x20, 0x22, 0x26), Appearance::dark}, {QColor(0xEF, 0xEF, 0xEF), Appearance::light}}) {
        QPalette palette = original;
        palette.setColor(QPalette::Window, window);
        QGuiApplication::setPalette(palette);
        EXPECT_EQ(Theme::currentAppearance(), appearance);
        EXPECT_EQ(Theme::blue.color(), Theme::blue.in(appearance));
    }
    Theme::setAppearanceOverride(Appearance::dark);
    EXPECT_EQ(Theme::currentAppearance(), Appearance::dark);
    Theme::setAppearanceOverride(std::nullopt);
    EXPECT_EQ(Theme::currentAppearance(), Appearance::light);
    QGuiApplication::setPalette(original);
}

} // namespace
