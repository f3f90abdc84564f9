#include "views/icons.h"

#include "app/test_app.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

QImage rendered(const QString& name, const QColor& colour = Qt::black)
{
    return Icons::pixmap(name, colour, 24, 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Summed opacity, in whole opaque pixels.
int coverage(const QImage& image)
{
    long sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            sum += qAlpha(image.pixel(x, y));
    }
    return int(sum / 255);
}

TEST(Icons, EverySymbolInUseHasItsOwnDrawingAndAnyOtherNameThePlaceholder)
{
    TestApp::instance();
    // Every symbol the pages, menus, toasts and route icons name.
    const QStringList inUse = {"externaldrive.connected.to.line.below.fill", "externaldrive.badge.exclamationmark",
        "gearshape", "info.circle", "checkmark.seal", "line.3.horizontal",
        "point.topleft.down.to.point.bottomright.curvepath", "list.bullet.below.rectangle",
        "arrow.triangle.2.circlepath", "folder", "eject", "power", "ellipsis", "macwindow", "slider.horizontal.3",
        "xmark.circle.fill", "checkmark.circle.fill", "doc.on.doc.fill", "trash", "laptopcomputer", "checkmark",
        "plus", "building.2", "house", "lock.shield", "airplane", "cup.and.saucer", "film", "briefcase"};
    const QImage placeholder = rendered(QStringLiteral("no.such.symbol"));
    ASSERT_GT(coverage(placeholder), 20);
    for (const QString& symbol : inUse) {
        SCOPED_TRACE(symbol.toStdString());
        EXPECT_TRUE(Icons::has(symbol) && Icons::names().contains(symbol));
        const QImage image = rendered(symbol);
        EXPECT_GT(coverage(image), 20) << "draws nothing visible";
        EXPECT_NE(image, placeholder);
    }
    // No bundled symbol is left out of the list above.
    EXPECT_EQ(Icons::names().size(), inUse.size());
    EXPECT_GT(coverage(Icons::applicationIcon().pixmap(QSize(128, 128)).toImage()), 128 * 128 / 2);

    for (const QString& name : {QString(), QStringLiteral("Gearshape"), QStringLiteral("../icons/gearshape"),
                               QStringLiteral("gear shape"), QStringLiteral("fallback"), QStringLiteral("mountwire"),
                               QString(500, u'a')}) {
        SCOPED_TRACE(name.left(40).toStdString());
        EXPECT_FALSE(Icons::has(name));
        EXPECT_EQ(rendered(name), placeholder);
        EXPECT_FALSE(Icons::icon(name, Qt::black).pixmap(16, 16).isNull());
    }
}

TEST(Icons, GlyphsTakeTheirColourStaySharpAtEverySizeAndFadeWhenDisabled)
{
    TestApp::instance();
    const QColor blue(0x2F, 0x80, 0xED);
    const QImage image = rendered(QStringLiteral("line.3.horizontal"), blue);
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() < 200)
                continue;
            ++opaque;
            EXPECT_NEAR(pixel.red(), blue.red(), 3);
            EXPECT_NEAR(pixel.green(), blue.green(), 3);
            EXPECT_NEAR(pixel.blue(), blue.blue(), 3);
        }
    }
    EXPECT_GT(opaque, 20);

    const QIcon icon = Icons::icon(QStringLiteral("gearshape"), Qt::black, 16);
    EXPECT_EQ(icon.availableSizes(), QList<QSize>{QSize(16, 16)});
    EXPECT_EQ(icon.pixmap(QSize(16, 16), 2.0).toImage().size(), QSize(32, 32));
    EXPECT_EQ(icon.pixmap(QSize(64, 64)).size(), QSize(64, 64));
    const auto at24 = [&](QIcon::Mode mode) { return coverage(icon.pixmap(QSize(24, 24), 1.0, mode).toImage()); };
    EXPECT_LT(at24(QIcon::Disabled), at24(QIcon::Normal) / 2);
}

} // namespace
