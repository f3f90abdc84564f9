#include "views/theme.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>
#include <QStyleHints>

namespace Theme {

namespace {

std::optional<Appearance>& appearanceOverride()
{
    static std::optional<Appearance> value;
    return value;
}

QColor withAlpha(QRgb rgb, double alpha)
{
    QColor color = QColor::fromRgb(rgb);
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

// Qt's points are 1/72 inch against a 96-dpi logical inch; the layout's unit is the logical pixel.
constexpr double pointsPerPixel = 72.0 / 96.0;

QFont sized(QFont font, double size, QFont::Weight weight)
{
    font.setPointSizeF(size * pointsPerPixel);
    font.setWeight(weight);
    return font;
}

} // namespace

Appearance currentAppearance()
{
    if (appearanceOverride())
        return *appearanceOverride();
    if (!qGuiApp)
        return Appearance::light;
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    switch (QGuiApplication::styleHints()->colorScheme()) {
    case Qt::ColorScheme::Dark:
        return Appearance::dark;
    case Qt::ColorScheme::Light:
        return Appearance::light;
    default:
        break;
    }
#endif
    // A dark window background means a dark scheme, whichever theme plug-in set the palette.
    const QColor window = QGuiApplication::palette().color(QPalette::Window);
    return window.lightnessF() < 0.5 ? Appearance::dark : Appearance::light;
}

void setAppearanceOverride(std::optional<Appearance> appearance)
{
    appearanceOverride() = appearance;
}

QColor DynamicColor::in(Appearance appearance) const
{
    return appearance == Appearance::dark ? withAlpha(dark, darkAlpha) : withAlpha(light, lightAlpha);
}

QColor brandBlue()
{
    return QColor::fromRgbF(0.184f, 0.502f, 0.929f);
}

QColor brandSky()
{
    return QColor::fromRgbF(0.337f, 0.8f, 0.949f);
}

QLinearGradient live(QPointF from, QPointF to, Appearance appearance)
{
    QLinearGradient gradient(from, to);
    gradient.setColorAt(0, blue.in(appearance));
    gradient.setColorAt(1, sky.in(appearance));
    return gradient;
}

namespace Typo {

QFont system(double size, QFont::Weight weight)
{
    return sized(QFontDatabase::systemFont(QFontDatabase::GeneralFont), size, weight);
}

QFont monospaced(double size, QFont::Weight weight)
{
    QFont font = sized(QFontDatabase::systemFont(QFontDatabase::FixedFont), size, weight);
    // Some desktops name a proportional family as their fixed font; the hint keeps figures aligned anyway.
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return font;
}

QFont display() { return system(26, QFont::DemiBold); }
QFont title() { return system(20, QFont::DemiBold); }
QFont heading() { return system(14, QFont::DemiBold); }
QFont body() { return system(13, QFont::Normal); }
QFont bodyStrong() { return system(13, QFont::Medium); }
QFont small() { return system(11.5, QFont::Normal); }
QFont kicker() { return monospaced(10, QFont::Medium); }
QFont figure() { return monospaced(15, QFont::Medium); }
QFont address() { return monospaced(11.5, QFont::Normal); }
QFont time() { return monospaced(11, QFont::Normal); }

} // namespace Typo

} // namespace Theme
