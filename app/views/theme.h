#pragma once

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPointF>
#include <QRgb>

#include <optional>

// The colours, type styles, spacing and radii every view shares. Colours come in a light and a dark value,
// chosen by the desktop's colour scheme at the moment they are resolved.
namespace Theme {

enum class Appearance { light, dark };

// The desktop's current scheme: the style hints' colour scheme where Qt knows it, otherwise whether the
// application palette's window colour is dark. An override (the screenshot harness, tests) wins over both.
Appearance currentAppearance();
void setAppearanceOverride(std::optional<Appearance> appearance);

// One colour with its light and dark value (24-bit RGB, each with its own opacity).
struct DynamicColor {
    QRgb light = 0;
    QRgb dark = 0;
    double lightAlpha = 1.0;
    double darkAlpha = 1.0;

    QColor in(Appearance appearance) const;
    // Resolved against the current appearance.
    QColor color() const { return in(currentAppearance()); }

    friend bool operator==(const DynamicColor&, const DynamicColor&) = default;
};

constexpr DynamicColor dynamic(QRgb light, QRgb dark, double lightAlpha = 1.0, double darkAlpha = 1.0)
{
    return DynamicColor{light, dark, lightAlpha, darkAlpha};
}

inline constexpr QRgb inkLight = 0x0F1B2D;
inline constexpr QRgb inkDark = 0xE4EBF5;

inline constexpr DynamicColor paper = dynamic(0xF6F8FA, 0x0A101C);
inline constexpr DynamicColor panel = dynamic(0xFFFFFF, 0x111A2B);
inline constexpr DynamicColor well = dynamic(0xEEF2F6, 0x0D1524);
inline constexpr DynamicColor ink = dynamic(inkLight, inkDark);
inline constexpr DynamicColor ink2 = dynamic(inkLight, inkDark, 0.64, 0.66);
inline constexpr DynamicColor ink3 = dynamic(inkLight, inkDark, 0.4, 0.4);
inline constexpr DynamicColor rule = dynamic(inkLight, inkDark, 0.09, 0.1);
inline constexpr DynamicColor ruleStrong = dynamic(inkLight, inkDark, 0.18, 0.2);
inline constexpr DynamicColor wash = dynamic(inkLight, inkDark, 0.04, 0.05);
inline constexpr DynamicColor blue = dynamic(0x2F80ED, 0x4C95F2);
inline constexpr DynamicColor sky = dynamic(0x56CCF2, 0x6FD6F5);
inline constexpr DynamicColor amber = dynamic(0xC27A0E, 0xE6A53D);
inline constexpr DynamicColor red = dynamic(0xD2403A, 0xF0695F);

// Fixed brand colours, the same in both appearances.
QColor brandBlue();
QColor brandSky();

// Left-to-right gradient from blue to sky between two points.
QLinearGradient live(QPointF from, QPointF to, Appearance appearance);
inline QLinearGradient live(QPointF from, QPointF to) { return live(from, to, currentAppearance()); }

// Sizes are in the desktop's logical pixels (what the layout measures in), fonts included: a 13 here is
// 13 device-independent pixels tall, whatever the screen's dots per inch.
namespace Typo {
QFont display();
QFont title();
QFont heading();
QFont body();
QFont bodyStrong();
QFont small();
QFont kicker();
QFont figure();
QFont address();
QFont time();

// The system's regular or monospaced font at a size and weight, for the few texts outside the styles.
QFont system(double size, QFont::Weight weight = QFont::Normal);
QFont monospaced(double size, QFont::Weight weight = QFont::Normal);
} // namespace Typo

namespace Space {
inline constexpr double xs = 4;
inline constexpr double s = 8;
inline constexpr double m = 12;
inline constexpr double l = 16;
inline constexpr double xl = 24;
} // namespace Space

namespace Radius {
inline constexpr double tag = 4;
inline constexpr double control = 6;
inline constexpr double panel = 10;
} // namespace Radius

// Horizontal margin of every page.
inline constexpr double pageInset = 28;

} // namespace Theme
