#pragma once

#include "views/theme.h"

#include <QColor>
#include <QString>

// The application's own look for the standard controls (buttons, fields, toggles, pickers, scroll bars,
// tooltips, tabs, menus and dialogs), built from the theme's colours as one application style sheet, so a
// control added anywhere looks like the custom pages without styling of its own.
//
// Variants are chosen by dynamic properties: a QPushButton with "role" = "primary" or "destructive", a
// QLineEdit with "plain" = true (a title that edits in place), a QToolButton with "segment" = "first",
// "middle" or "last" (one part of a segmented switch) or "boxed" = true (an icon button on a well).
namespace AppStyle {

QString styleSheet(Theme::Appearance appearance);
// Applies the sheet and the matching palette for the current appearance to the whole application.
void apply();

// Borders of fields and toggles, and the focus ring: at least 3:1 against the page and the panel.
QColor edge(Theme::Appearance appearance);
QColor focus(Theme::Appearance appearance);
inline QColor focus() { return focus(Theme::currentAppearance()); }
// The fill of primary buttons and the text on it.
QColor primaryFill(Theme::Appearance appearance);
QColor onFill(Theme::Appearance appearance);
// The focus ring of a filled button, against its fill.
QColor fillFocus(Theme::Appearance appearance);

} // namespace AppStyle
