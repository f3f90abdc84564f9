#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

// The application's icons, drawn in one line style on a 24-unit grid and bundled as resources. They are
// looked up by the symbol names the views use ("gearshape", "building.2"); every icon is tinted with the
// colour it is asked for, and a name without an icon gives a neutral placeholder glyph.
namespace Icons {

// An icon that draws itself crisply at any size and device pixel ratio; `size` is its natural size.
// The disabled mode is the same glyph at reduced opacity.
QIcon icon(const QString& name, const QColor& color, int size = 16);
// One rendering, `size` logical pixels square, for `devicePixelRatio`.
QPixmap pixmap(const QString& name, const QColor& color, int size, double devicePixelRatio = 1.0);

bool has(const QString& name);
// Every bundled symbol name.
QStringList names();

// The application's own icon (the tile with the line mark), for windows and the About tab.
QIcon applicationIcon();

} // namespace Icons
