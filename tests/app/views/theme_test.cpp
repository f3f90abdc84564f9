#include "views/theme.h"

#include "app/test_app.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

namespace {

using Theme::Appearance;

struct ColourCase {
    const char* name;
    Theme::DynamicColor colour;
    QRgb light;
    double lightAlpha;
    QRgb dark;
    double darkAlpha;
};

QString describe(const QColor& colour)
{
    return colour.name(QColor::HexRgb) + QStringLiteral(" @ %1").arg(colour.alphaF(), 0, 'f', 2);
}

QString expected(QRgb rgb, double alpha)
{
    return QColor::fromRgb(rgb).name(QColor::HexRgb) + QStringLiteral(" @ %1").arg(alpha, 0, 'f', 2);
}

TEST(Theme, EveryColourHasItsLightAndDarkValue)
{
    const ColourCase cases[] = {
        {"paper", Theme::paper, 0xF6F8FA, 1, 0x0A101C, 1},
        {"panel", Theme::panel, 0xFFFFFF, 1, 0x111A2B, 1},
        {"well", Theme::well, 0xEEF2F6, 1, 0x0D1524, 1},
        {"ink", Theme::ink, 0x0F1B2D, 1, 0xE4EBF5, 1},
        {"ink2", Theme::ink2, 0x0F1B2D, 0.64, 0xE4EBF5, 0.66},
        {"ink3", Theme::ink3, 0x0F1B2D, 0.4, 0xE4EBF5, 0.4},
        {"rule", Theme::rule, 0x0F1B2D, 0.09, 0xE4EBF5, 0.1},
        {"ruleStrong", Theme::ruleStrong, 0x0F1B2D, 0.18, 0xE4EBF5, 0.2},
        {"wash", Theme::wash, 0x0F1B2D, 0.04, 0xE4EBF5, 0.05},
        {"blue", Theme::blue, 0x2F80ED, 1, 0x4C95F2, 1},
        {"sky", Theme::sky, 0x56CCF2, 1, 0x6FD6F5, 1},
        {"amber", Theme::amber, 0xC27A0E, 1, 0xE6A53D, 1},
        {"red", Theme::red, 0xD2403A, 1, 0xF0695F, 1},
    };
    for (const ColourCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(describe(c.colour.in(Appearance::light)), expected(c.light, c.lightAlpha));
        EXPECT_EQ(describe(c.colour.in(Appearance::dark)), expected(c.dark, c.darkAlpha));
    }
}

TEST(Theme, BrandColoursAndLiveGradientStayFixedWhereTheyShould)
{
    EXPECT_EQ(Theme::brandBlue().name(), QStringLiteral("#2f80ed"));
    EXPECT_EQ(Theme::brandSky().name(), QStringLiteral("#56ccf2"));
    const QGradientStops dark = Theme::live(QPointF(0, 0), QPointF(10, 0), Appearance::dark).stops();
    ASSERT_EQ(dark.size(), 2);
    EXPECT_EQ(dark.first().second, Theme::blue.in(Appearance::dark));
    EXPECT_EQ(dark.last().second, Theme::sky.in(Appearance::dark));
}

TEST(Theme, AppearanceFollowsTheDesktopPaletteUnlessOverridden)
{
    TestApp::instance();
    const QPalette original = QGuiApplication::palette();

    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(0x20, 0x22, 0x26));
    QGuiApplication::setPalette(dark);
    EXPECT_EQ(Theme::currentAppearance(), Appearance::dark);
    EXPECT_EQ(Theme::blue.color().name(), QStringLiteral("#4c95f2"));

    QPalette light = original;
    light.setColor(QPalette::Window, QColor(0xEF, 0xEF, 0xEF));
    QGuiApplication::setPalette(light);
    EXPECT_EQ(Theme::currentAppearance(), Appearance::light);
    EXPECT_EQ(Theme::blue.color().name(), QStringLiteral("#2f80ed"));

    Theme::setAppearanceOverride(Appearance::dark);
    EXPECT_EQ(Theme::currentAppearance(), Appearance::dark);
    Theme::setAppearanceOverride(std::nullopt);
    EXPECT_EQ(Theme::currentAppearance(), Appearance::light);

    QGuiApplication::setPalette(original);
}

TEST(Theme, TypeStylesAreSystemFontsAtTheirSizesAndWeights)
{
    TestApp::instance();
    struct Case {
        const char* name;
        QFont font;
        double pixels;
        QFont::Weight weight;
        bool monospaced;
    };
    const Case cases[] = {
        {"display", Theme::Typo::display(), 26, QFont::DemiBold, false},
        {"title", Theme::Typo::title(), 20, QFont::DemiBold, false},
        {"heading", Theme::Typo::heading(), 14, QFont::DemiBold, false},
        {"body", Theme::Typo::body(), 13, QFont::Normal, false},
        {"bodyStrong", Theme::Typo::bodyStrong(), 13, QFont::Medium, false},
        {"small", Theme::Typo::small(), 11.5, QFont::Normal, false},
        {"kicker", Theme::Typo::kicker(), 10, QFont::Medium, true},
        {"figure", Theme::Typo::figure(), 15, QFont::Medium, true},
        {"address", Theme::Typo::address(), 11.5, QFont::Normal, true},
        {"time", Theme::Typo::time(), 11, QFont::Normal, true},
    };
    const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Sizes are logical pixels; at Qt's 96-dpi logical inch a pixel is three quarters of a point.
        EXPECT_DOUBLE_EQ(c.font.pointSizeF(), c.pixels * 0.75);
        EXPECT_EQ(c.font.weight(), c.weight);
        EXPECT_EQ(c.font.family(), c.monospaced ? fixed.family() : general.family());
        EXPECT_EQ(c.font.fixedPitch(), c.monospaced);
    }
}

} // namespace
