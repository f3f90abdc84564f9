#include "views/icons.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

// Resources in a static library are only registered when something asks for them by name.
static void registerIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace Icons {

namespace {

constexpr double disabledOpacity = 0.4;
constexpr int maxPixels = 4096;

const QString& resourcePrefix()
{
    static const QString prefix = QStringLiteral(":/mountwire/icons/");
    return prefix;
}

QString resourcePath(const QString& file)
{
    static const bool registered = (registerIconResources(), true);
    Q_UNUSED(registered);
    return resourcePrefix() + file + QStringLiteral(".svg");
}

// Symbol names are dotted; the files have underscores. Anything else in a name is not ours.
QString fileFor(const QString& name)
{
    if (name.isEmpty() || name.size() > 100)
        return {};
    for (const QChar c : name) {
        if (!(c.isLower() || c.isDigit() || c == u'.') || c.unicode() > 127)
            return {};
    }
    QString file = name;
    file.replace(u'.', u'_');
    if (file == QLatin1String("fallback") || file == QLatin1String("mountwire"))
        return {};
    return file;
}

QByteArray readResource(const QString& file)
{
    QFile source(resourcePath(file));
    if (!source.open(QIODevice::ReadOnly))
        return {};
    return source.readAll();
}

// The SVG source of a symbol, or of the placeholder glyph when there is none; read once.
QByteArray symbolSource(const QString& name)
{
    static QHash<QString, QByteArray> cache;
    const auto found = cache.constFind(name);
    if (found != cache.constEnd())
        return *found;
    const QString file = fileFor(name);
    QByteArray svg = file.isEmpty() ? QByteArray() : readResource(file);
    if (svg.isEmpty())
        svg = readResource(QStringLiteral("fallback"));
    cache.insert(name, svg);
    return svg;
}

// `pixels` is the size in device pixels; the pixmap reports `ratio` so it lays out at pixels / ratio.
QPixmap render(const QByteArray& svg, const QColor& color, QSize pixels, double ratio, double opacity)
{
    const int width = std::clamp(pixels.width(), 1, maxPixels);
    const int height = std::clamp(pixels.height(), 1, maxPixels);
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QByteArray tinted = svg;
    tinted.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(tinted);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(color.alphaF() * opacity);
        renderer.render(&painter, QRectF(0, 0, width, height));
    }
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QString cacheKey(const QString& name, const QColor& color, QSize size, double ratio, double opacity)
{
    return QStringLiteral("mw-icon:%1:%2:%3x%4@%5:%6")
        .arg(name, color.name(QColor::HexArgb))
        .arg(size.width())
        .arg(size.height())
        .arg(ratio)
        .arg(opacity);
}

// Renders on demand so that each size and screen gets its own sharp pixmap.
class TintedSvgEngine : public QIconEngine {
public:
    TintedSvgEngine(QString name, QByteArray svg, QColor color, QSize natural)
        : m_name(std::move(name))
        , m_svg(std::move(svg))
        , m_color(color)
        , m_natural(natural)
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const double ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, scaledPixmap(rect.size() * ratio, mode, state, ratio));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // QIcon asks in device pixels, with the ratio they are for.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        const double opacity = mode == QIcon::Disabled ? disabledOpacity : 1.0;
        const QString key = cacheKey(m_name, m_color, size, scale, opacity);
        QPixmap cached;
        if (QPixmapCache::find(key, &cached))
            return cached;
        QPixmap rendered = render(m_svg, m_color, size, scale, opacity);
        QPixmapCache::insert(key, rendered);
        return rendered;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {m_natural}; }
    QIconEngine* clone() const override { return new TintedSvgEngine(m_name, m_svg, m_color, m_natural); }
    QString key() const override { return QStringLiteral("mountwire-tinted-svg"); }

private:
    QString m_name;
    QByteArray m_svg;
    QColor m_color;
    QSize m_natural;
};

QIcon fixedIcon(const QString& file)
{
    QIcon icon;
    const QString path = resourcePath(file);
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QSvgRenderer renderer(path);
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(0, 0, size, size));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon icon(const QString& name, const QColor& color, int size)
{
    const int natural = std::max(1, size);
    return QIcon(new TintedSvgEngine(name, symbolSource(name), color, QSize(natural, natural)));
}

QPixmap pixmap(const QString& name, const QColor& color, int size, double devicePixelRatio)
{
    const double ratio = std::isfinite(devicePixelRatio) && devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const int pixels = static_cast<int>(std::lround(std::max(1, size) * ratio));
    return render(symbolSource(name), color, QSize(pixels, pixels), ratio, 1.0);
}

bool has(const QString& name)
{
    const QString file = fileFor(name);
    return !file.isEmpty() && QFile::exists(resourcePath(file));
}

QStringList names()
{
    static const QStringList all = [] {
        QStringList result;
        resourcePath(QString());
        const QDir dir(resourcePrefix());
        for (const QString& entry : dir.entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name)) {
            QString name = entry.chopped(4);
            if (fileFor(name.replace(u'_', u'.')).isEmpty())
                continue;
            result.append(name);
        }
        return result;
    }();
    return all;
}

QIcon applicationIcon()
{
    return fixedIcon(QStringLiteral("mountwire"));
}

} // namespace Icons
