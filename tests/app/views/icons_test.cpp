#include "views/icons.h"

#include "app/test_app.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

QImage rendered(const QString& name, const QColor& colour = Qt::black, int size = 24)
{
    return Icons::pixmap(name, colour, size, 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

int inkedPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 64 ? 1 : 0;
    }
    return count;
}

long coverage(const QImage& image)
{
    long sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            sum += qAlpha(image.pixel(x, y));
    }
    return sum;
}

// Every symbol the pages, menus, toasts and route icons name.
const char* const symbolsInUse[] = {
    "externaldrive.connected.to.line.below.fill",
    "externaldrive.badge.exclamationmark",
    "gearshape",
    "info.circle",
    "checkmark.seal",
    "line.3.horizontal",
    "point.topleft.down.to.point.bottomright.curvepath",
    "list.bullet.below.rectangle",
    "arrow.triangle.2.circlepath",
    "folder",
    "eject",
    "power",
    "ellipsis",
    "macwindow",
    "slider.horizontal.3",
    "xmark.circle.fill",
    "checkmark.circle.fill",
    "doc.on.doc.fill",
    "trash",
    "laptopcomputer",
    "checkmark",
    "plus",
    "building.2",
    "house",
    "lock.shield",
    "airplane",
    "cup.and.saucer",
    "film",
    "briefcase",
};

TEST(Icons, EverySymbolInUseHasItsOwnDrawing)
{
    TestApp::instance();
    const QImage placeholder = rendered(QStringLiteral("no.such.symbol"));
    QStringList seen;
    for (const char* name : symbolsInUse) {
        SCOPED_TRACE(name);
        const QString symbol = QString::fromLatin1(name);
        EXPECT_TRUE(Icons::has(symbol));
        EXPECT_TRUE(Icons::names().contains(symbol));
        const QImage image = rendered(symbol);
        EXPECT_GT(inkedPixels(image), 20) << "draws nothing visible";
        EXPECT_NE(image, placeholder);
        seen.append(symbol);
    }
    // No bundled symbol is left out of the list above, and none is a copy of another.
    EXPECT_EQ(Icons::names().size(), seen.size());
}

TEST(Icons, UnknownOrMalformedNamesGiveTheNeutralPlaceholder)
{
    TestApp::instance();
    const QImage placeholder = rendered(QStringLiteral("no.such.symbol"));
    ASSERT_GT(inkedPixels(placeholder), 20);
    for (const QString& name : {QString(), QStringLiteral("Gearshape"), QStringLiteral("../icons/gearshape"),
                               QStringLiteral("gear shape"), QStringLiteral("tray.connected"),
                               QStringLiteral("fallback"), QStringLiteral("mountwire"), QString(500, u'a')}) {
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
            const QColor pixel = QColor::fromRgba(image.pixel(x, y));
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
    const QImage normal = icon.pixmap(QSize(24, 24), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage disabled =
        icon.pixmap(QSize(24, 24), 1.0, QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_LT(coverage(disabled), coverage(normal) / 2);
}

TEST(Icons, TrayImageFollowsTheWorstLineOnTheBoard)
{
    using enum LineContinuity;
    using Icons::TrayState;
    const std::pair<std::vector<LineContinuity>, TrayState> cases[] = {
        {{}, TrayState::idle},
        {{dotted, dotted}, TrayState::idle},
        {{solid, dotted}, TrayState::allGood},
        {{solid, dashed, dotted}, TrayState::connecting},
        {{dashed, broken, solid}, TrayState::dropped},
        {{broken}, TrayState::dropped},
    };
    for (const auto& [lines, state] : cases)
        EXPECT_EQ(Icons::trayState(lines), state);
}

TEST(Icons, TrayAndApplicationImagesAreDistinctDrawings)
{
    TestApp::instance();
    QList<QImage> images;
    for (const auto state : {Icons::TrayState::allGood, Icons::TrayState::connecting, Icons::TrayState::dropped,
                             Icons::TrayState::idle, Icons::TrayState::allGood}) {
        images.append(Icons::trayIcon(state).pixmap(QSize(22, 22)).toImage());
        EXPECT_GT(coverage(images.back()), 20 * 255);
    }
    // Four different drawings; the same state twice gives the same one.
    EXPECT_EQ(images.first(), images.last());
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j)
            EXPECT_NE(images[i], images[j]);
    }
    EXPECT_GT(coverage(Icons::applicationIcon().pixmap(QSize(128, 128)).toImage()), 128L * 128 * 255 / 2);
}

} // namespace
