#include "views/theme.h"

#include "app/test_app.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

namespace {

using Theme::Appearance;

QString rgba(const QColor& colour)
{
    return colour.name() + QStringLiteral(" @ %1").arg(colour.alphaF(), 0, 'f', 2);
}

TEST(Theme, EveryColourHasItsLightAndDarkValue)
{
    const std::tuple<const char*, Theme::DynamicColor, const char*, const char*> cases[] = {
        {"paper", Theme::paper, "#f6f8fa @ 1.00", "#0a101c @ 1.00"},
        {"panel", Theme::panel, "#ffffff @ 1.00", "#111a2b @ 1.00"},
        {"well", Theme::well, "#eef2f6 @ 1.00", "#0d1524 @ 1.00"},
        {"ink", Theme::ink, "#0f1b2d @ 1.00", "#e4ebf5 @ 1.00"},
        {"ink2", Theme::ink2, "#0f1b2d @ 0.64", "#e4ebf5 @ 0.66"},
        {"ink3", Theme::ink3, "#0f1b2d @ 0.40", "#e4ebf5 @ 0.40"},
        {"rule", Theme::rule, "#0f1b2d @ 0.09", "#e4ebf5 @ 0.10"},
        {"ruleStrong", Theme::ruleStrong, "#0f1b2d @ 0.18", "#e4ebf5 @ 0.20"},
        {"wash", Theme::wash, "#0f1b2d @ 0.04", "#e4ebf5 @ 0.05"},
        {"blue", Theme::blue, "#2f80ed @ 1.00", "#4c95f2 @ 1.00"},
        {"sky", Theme::sky, "#56ccf2 @ 1.00", "#6fd6f5 @ 1.00"},
        {"amber", Theme::amber, "#c27a0e @ 1.00", "#e6a53d @ 1.00"},
        {"red", Theme::red, "#d2403a @ 1.00", "#f0695f @ 1.00"},
    };
    for (const auto& [name, colour, light, dark] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(rgba(colour.in(Appearance::light)), QString::fromLatin1(light));
        EXPECT_EQ(rgba(colour.in(Appearance::dark)), QString::fromLatin1(dark));
    }
    EXPECT_EQ(Theme::brandBlue().name(), QStringLiteral("#2f80ed"));
    EXPECT_EQ(Theme::brandSky().name(), QStringLiteral("#56ccf2"));
}

TEST(Theme, AppearanceFollowsTheDesktopPaletteUnlessOverridden)
{
    TestApp::instance();
    const QPalette original = QGuiApplication::palette();
    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(0x20, 0x22, 0x26));
    QGuiApplication::setPalette(dark);
    EXPECT_EQ(Theme::blue.color().name(), QStringLiteral("#4c95f2"));

    QPalette light = original;
    light.setColor(QPalette::Window, QColor(0xEF, 0xEF, 0xEF));
    QGuiApplication::setPalette(light);
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
    const std::tuple<const char*, QFont, double, QFont::Weight, bool> cases[] = {
        {"display", Theme::Typo::display(), 26, QFont::DemiBold, false},
        {"heading", Theme::Typo::heading(), 14, QFont::DemiBold, false},
        {"bodyStrong", Theme::Typo::bodyStrong(), 13, QFont::Medium, false},
        {"small", Theme::Typo::small(), 11.5, QFont::Normal, false},
        {"kicker", Theme::Typo::kicker(), 10, QFont::Medium, true},
        {"figure", Theme::Typo::figure(), 15, QFont::Medium, true},
        {"time", Theme::Typo::time(), 11, QFont::Normal, true},
    };
    const QString general = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    const QString fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    for (const auto& [name, font, pixels, weight, monospaced] : cases) {
        SCOPED_TRACE(name);
        // Sizes are logical pixels; at Qt's 96-dpi logical inch a pixel is three quarters of a point.
        EXPECT_DOUBLE_EQ(font.pointSizeF(), pixels * 0.75);
        EXPECT_EQ(font.weight(), weight);
        EXPECT_EQ(font.family(), monospaced ? fixed : general);
    }
}

} // namespace
