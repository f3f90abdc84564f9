#pragma once

#include "model/share_protocol.h"
#include "views/theme.h"

#include <QLabel>
#include <QToolButton>
#include <QWidget>

class ElidedLabel;
class QPainter;

#include <optional>

class QHBoxLayout;
class QMessageBox;
class QPushButton;

// The small pieces every surface is built from.
namespace Ui {

// A label in a type style and theme colour; word-wrapped when asked.
QLabel* label(const QString& text, const QFont& font, const Theme::DynamicColor& color, QWidget* parent = nullptr,
    bool wrap = false);
void setColor(QLabel* label, const Theme::DynamicColor& color);
// A one-line label that gives way: shortened with "…" when narrower than its text (see ElidedLabel).
ElidedLabel* elided(const QString& text, const QFont& font, const Theme::DynamicColor& color, QWidget* parent = nullptr,
    Qt::TextElideMode mode = Qt::ElideRight);
// A small section label: upper case, kicker type, tracked out.
QLabel* kicker(const QString& text, QWidget* parent = nullptr,
    const Theme::DynamicColor& color = Theme::ink2);
// A push button with an optional symbol; primary buttons are filled with the accent.
QPushButton* button(const QString& text, const QString& symbol = {}, bool primary = false, QWidget* parent = nullptr);
// Lays `widget` out centred in its row without taking its height-for-width away, as an alignment would.
QHBoxLayout* centred(QWidget* widget, int maximumWidth);
// A 2-pixel focus ring just inside `box`, drawn when `widget` has the keyboard focus.
void paintFocus(QPainter& painter, const QWidget* widget, const QRectF& box, double radius);
// A flat 1-pixel separator in the rule colour.
QWidget* hairline(QWidget* parent = nullptr);
// The page background, the panel colour and text colours as a palette for a whole window.
QPalette palette();

// A window-modal warning that asks before something goes away, with Cancel as the default. It is open on
// return and deletes itself when closed; `action` is its destructive button.
struct Confirmation {
    QMessageBox* box;
    QPushButton* action;
};
Confirmation confirm(QWidget* over, const QString& text, const QString& detail, const QString& actionText);

} // namespace Ui

// A one-line label that shortens its text with "…" when it has less room than the text needs; while it is
// shortened its tooltip holds the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    ElidedLabel(const QString& text, Qt::TextElideMode mode, QWidget* parent = nullptr);
    bool isElided() const;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void refreshTip();

    Qt::TextElideMode m_mode;
    QString m_ownTip;
    bool m_showingText = false;
};

// Every manager page begins with this: a big title, a summary line, and the page's buttons at the right.
class PageHeader : public QWidget {
    Q_OBJECT
public:
    PageHeader(const QString& title, const QString& summary, QWidget* parent = nullptr);
    void setSummary(const QString& summary);
    QString summary() const;
    QHBoxLayout* trailing() const { return m_trailing; }

private:
    QLabel* m_summary;
    QHBoxLayout* m_trailing;
};

// The protocol's short label in a small outlined tag.
class ProtoTag : public QWidget {
    Q_OBJECT
public:
    ProtoTag(std::optional<ShareProtocol> proto, const QString& raw, bool active, QWidget* parent = nullptr);
    void setActive(bool active);
    QString text() const { return m_text; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString m_text;
    bool m_active;
};

// A 24 × 22 icon button in a rounded box; prominent ones are drawn in the accent.
class LineActionButton : public QToolButton {
    Q_OBJECT
public:
    LineActionButton(const QString& symbol, const QString& help, bool prominent, QWidget* parent = nullptr);
    QString symbol() const { return m_symbol; }
    bool prominent() const { return m_prominent; }
    void setHelp(const QString& help);
    QSize sizeHint() const override { return {24, 22}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    QString m_symbol;
    bool m_prominent;
    bool m_hover = false;
};

// The keep-connected switch of a line: pressed when on.
class HoldToggle : public QToolButton {
    Q_OBJECT
public:
    explicit HoldToggle(bool on, QWidget* parent = nullptr);
    void setOn(bool on);
    bool isOn() const { return m_on; }
    QSize sizeHint() const override { return {24, 22}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool m_on;
};

// A 3-pixel capsule filled to the used fraction; dotted when nothing is known.
class CapacityRule : public QWidget {
    Q_OBJECT
public:
    explicit CapacityRule(QWidget* parent = nullptr);
    void setUsed(std::optional<double> used);
    std::optional<double> used() const { return m_used; }
    QSize sizeHint() const override { return {80, 3}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::optional<double> m_used;
};

// A key combination in a small outlined box.
class Keycap : public QWidget {
    Q_OBJECT
public:
    explicit Keycap(const QString& keys, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString m_keys;
};

// Where the reader is in a short sequence of pages.
class PageDots : public QWidget {
    Q_OBJECT
public:
    PageDots(int count, QWidget* parent = nullptr);
    void setIndex(int index);
    int index() const { return m_index; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int m_count;
    int m_index = 0;
};
