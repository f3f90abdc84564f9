#include "views/app_style.h"

#include "views/controls.h"

#include <QApplication>

namespace AppStyle {

namespace {

QString css(const QColor& colour)
{
    return colour.name(QColor::HexArgb);
}

QColor over(const Theme::DynamicColor& colour, Theme::Appearance appearance, double alpha)
{
    QColor c = colour.in(appearance);
    c.setAlphaF(float(alpha));
    return c;
}

} // namespace

QColor edge(Theme::Appearance appearance)
{
    return over(Theme::ink, appearance, 0.5);
}

QColor focus(Theme::Appearance appearance)
{
    return Theme::blue.in(appearance);
}

// White on the light accent reads below 4.5:1, so filled buttons take a deeper blue in light and dark
// text on the brighter dark-appearance accent.
QColor primaryFill(Theme::Appearance appearance)
{
    return appearance == Theme::Appearance::dark ? Theme::blue.in(appearance) : QColor(0x1F6BD6);
}

QColor onFill(Theme::Appearance appearance)
{
    return appearance == Theme::Appearance::dark ? QColor(Theme::paper.dark) : QColor(Qt::white);
}

QColor fillFocus(Theme::Appearance appearance)
{
    return appearance == Theme::Appearance::dark ? QColor(Qt::white) : Theme::ink.in(appearance);
}

QString styleSheet(Theme::Appearance a)
{
    const QColor primary = primaryFill(a);
    const QColor destructive = Theme::red.in(a);
    QString sheet = QStringLiteral(R"(
QToolTip { color: @ink; background: @panel; border: 1px solid @edge; padding: 4px 6px; }
QDialog, QMessageBox { background: @paper; }
QMessageBox QLabel { color: @ink; }
QMessageBox QLabel#qt_msgbox_label { font-weight: 600; min-width: 380px; }
QMessageBox QLabel#qt_msgbox_informativelabel { color: @ink2; min-width: 380px; }

QPushButton, QToolButton, QCheckBox, QTabBar, QListWidget { outline: none; }
QPushButton { color: @ink; background: @panel; border: 1px solid @edge; border-radius: 6px; padding: 4px 12px;
    min-height: 18px; }
QPushButton:hover { background: @well; }
QPushButton:pressed { background: @rule; }
QPushButton:focus { border: 2px solid @focus; padding: 3px 11px; }
QPushButton:disabled { color: @ink3; background: @well; border: 1px solid @rule; }
QPushButton[role="primary"] { color: @onFill; background: @primary; border: 1px solid @primary; }
QPushButton[role="primary"]:hover { background: @primaryHover; }
QPushButton[role="primary"]:focus { border: 2px solid @fillFocus; }
QPushButton[role="primary"]:disabled { color: @ink3; background: @well; border: 1px dashed @edge; }
QPushButton[role="destructive"] { color: @onFill; background: @red; border: 1px solid @red; }
QPushButton[role="destructive"]:focus { border: 2px solid @fillFocus; }

QToolButton { color: @ink; background: transparent; border: 1px solid transparent; border-radius: 6px; padding: 2px; }
QToolButton:hover { background: @wash; }
QToolButton:pressed { background: @rule; }
QToolButton:focus { border: 2px solid @focus; padding: 1px; }
QToolButton::menu-indicator { image: none; width: 0; }
QToolButton[boxed="true"] { background: @well; border: 1px solid @rule; }
QToolButton[boxed="true"]:focus { border: 2px solid @focus; }
QToolButton[segment] { background: @panel; border: 1px solid @edge; border-radius: 0; padding: 4px 9px; }
QToolButton[segment="middle"], QToolButton[segment="last"] { border-left: none; }
QToolButton[segment="first"] { border-top-left-radius: 6px; border-bottom-left-radius: 6px; }
QToolButton[segment="last"] { border-top-right-radius: 6px; border-bottom-right-radius: 6px; }
QToolButton[segment]:hover { background: @well; }
QToolButton[segment]:checked { color: @onFill; background: @primary; }
QToolButton[segment]:focus { border: 2px solid @focus; padding: 3px 8px; }

QLineEdit, QSpinBox, QComboBox { color: @ink; background: @panel; border: 1px solid @edge; border-radius: 6px;
    padding: 4px 8px; selection-background-color: @focus; selection-color: @onAccent; }
QLineEdit:focus, QSpinBox:focus, QComboBox:focus { border: 2px solid @focus; padding: 3px 7px; }
QLineEdit:disabled, QSpinBox:disabled, QComboBox:disabled { color: @ink3; background: @well; border: 1px solid @rule; }
QLineEdit[plain="true"] { background: transparent; border: 1px solid transparent; padding: 2px 4px; }
QLineEdit[plain="true"]:hover { border: 1px solid @rule; }
QLineEdit[plain="true"]:focus { background: @well; border: 2px solid @focus; padding: 1px 3px; }
QComboBox { padding-right: 24px; }
QComboBox:focus { padding-right: 23px; }
QComboBox::drop-down { border: none; width: 22px; subcontrol-origin: padding; subcontrol-position: center right; }
QComboBox::down-arrow { image: url(:/mountwire/style/style_chevron_down.svg); width: 10px; height: 10px; }
QComboBox QAbstractItemView { color: @ink; background: @panel; border: 1px solid @edge; outline: none;
    selection-background-color: @focus; selection-color: @onAccent; padding: 2px; }
QSpinBox { padding-right: 22px; }
QSpinBox::up-button, QSpinBox::down-button { border: none; width: 20px; background: transparent; }
QSpinBox::up-button { subcontrol-position: top right; }
QSpinBox::down-button { subcontrol-position: bottom right; }
QSpinBox::up-arrow { image: url(:/mountwire/style/style_chevron_up.svg); width: 9px; height: 9px; }
QSpinBox::down-arrow { image: url(:/mountwire/style/style_chevron_down.svg); width: 9px; height: 9px; }

QCheckBox { color: @ink; spacing: 8px; }
QCheckBox:disabled { color: @ink3; }
QCheckBox::indicator { width: 14px; height: 14px; border: 1px solid @edge; border-radius: 4px; background: @panel; }
QCheckBox::indicator:hover { border-color: @ink2; }
QCheckBox::indicator:checked { background: @focus; border-color: @focus;
    image: url(:/mountwire/style/style_check.svg); }
QCheckBox::indicator:focus { border: 2px solid @focusRing; width: 12px; height: 12px; }
QCheckBox::indicator:disabled { background: @well; border-color: @rule; }

QScrollBar:vertical { background: transparent; width: 10px; margin: 0; }
QScrollBar:horizontal { background: transparent; height: 10px; margin: 0; }
QScrollBar::handle { background: @thumb; border-radius: 3px; }
QScrollBar::handle:vertical { min-height: 28px; margin: 2px 2px 2px 2px; }
QScrollBar::handle:horizontal { min-width: 28px; margin: 2px; }
QScrollBar::handle:hover { background: @thumbHover; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; background: none; }
QScrollBar::add-page, QScrollBar::sub-page { background: none; }

QTabWidget::pane { background: @paper; border: none; border-top: 1px solid @rule; }
QTabWidget > QWidget, QTabWidget QStackedWidget > QWidget { background: @paper; }
QTabBar { qproperty-drawBase: 0; }
QTabBar::tab { color: @ink2; background: transparent; border: none; border-bottom: 2px solid transparent;
    padding: 7px 14px 6px 14px; margin: 0 2px; }
QTabBar::tab:hover { color: @ink; }
QTabBar::tab:selected { color: @ink; border-bottom: 2px solid @focus; }
QTabBar::tab:focus { background: @wash; border: 2px solid @focus; border-radius: 6px; padding: 5px 12px 4px 12px; }

QMenu { color: @ink; background: @panel; border: 1px solid @edge; padding: 4px; }
QMenu::item { padding: 5px 22px 5px 26px; border-radius: 4px; }
QMenu::item:selected { color: @onAccent; background: @focus; }
QMenu::item:disabled { color: @ink3; }
QMenu::separator { height: 1px; background: @rule; margin: 4px 8px; }
QMenu::indicator { width: 14px; height: 14px; left: 6px; }
QMenu::indicator:checked { image: url(:/mountwire/style/style_check.svg); background: @focus; border-radius: 4px; }
QMenuBar { color: @ink; background: @paper; }
QMenuBar::item:selected { background: @rule; }

QListWidget#pages { background: transparent; border: none; outline: none; }
QListWidget#pages::item { color: @ink; padding: 5px 6px; border-radius: 6px; border: 2px solid transparent; }
QListWidget#pages::item:selected { background: @ruleStrong; }
QListWidget#pages::item:focus { border: 2px solid @focus; }
QProgressBar { background: @well; border: none; border-radius: 3px; }
QProgressBar::chunk { background: @focus; border-radius: 3px; }
QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }
)");
    const std::pair<const char*, QColor> colours[] = {
        {"@primaryHover", primary.lighter(112)},
        {"@primary", primary},
        {"@onFill", onFill(a)},
        {"@onAccent", onFill(a)},
        {"@red", destructive},
        {"@fillFocus", fillFocus(a)},
        {"@paper", Theme::paper.in(a)},
        {"@panel", Theme::panel.in(a)},
        {"@well", Theme::well.in(a)},
        {"@ink3", Theme::ink3.in(a)},
        {"@ink2", Theme::ink2.in(a)},
        {"@ink", Theme::ink.in(a)},
        {"@ruleStrong", Theme::ruleStrong.in(a)},
        {"@rule", Theme::rule.in(a)},
        {"@wash", Theme::wash.in(a)},
        {"@edge", edge(a)},
        {"@focusRing", Theme::ink.in(a)},
        {"@focus", focus(a)},
        {"@thumbHover", over(Theme::ink, a, 0.5)},
        {"@thumb", over(Theme::ink, a, 0.32)},
    };
    for (const auto& [name, colour] : colours)
        sheet.replace(QLatin1String(name), css(colour));
    return sheet;
}

void apply()
{
    const Theme::Appearance appearance = Theme::currentAppearance();
    QApplication::setPalette(Ui::palette());
    qApp->setStyleSheet(styleSheet(appearance));
}

} // namespace AppStyle
