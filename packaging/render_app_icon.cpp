// Renders the application's SVG icon as the PNG sizes of the desktop's icon theme, at build time:
//   render-app-icon <icon.svg> <theme folder> <name> <size>…
// writes <theme folder>/<size>x<size>/apps/<name>.png for every size.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char** argv)
{
    // Painting into an image needs no display, so this runs on build machines without one.
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (args.size() < 5) {
        err << "usage: render-app-icon <icon.svg> <theme folder> <name> <size>…\n";
        return 2;
    }
    QSvgRenderer svg(args[1]);
    if (!svg.isValid()) {
        err << "render-app-icon: cannot read " << args[1] << '\n';
        return 1;
    }
    for (const QString& text : args.mid(4)) {
        bool number = false;
        const int size = text.toInt(&number);
        if (!number || size < 1 || size > 1024) {
            err << "render-app-icon: not a size: " << text << '\n';
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter, QRectF(0, 0, size, size));
        painter.end();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args[2]).arg(size);
        const QString file = folder + QLatin1Char('/') + args[3] + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !image.save(file, "PNG")) {
            err << "render-app-icon: cannot write " << file << '\n';
            return 1;
        }
    }
    return 0;
}
