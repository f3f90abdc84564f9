#include "views/controls.h"

#include "views/app_style.h"
#include "views/icons.h"

#include <QEnterEvent>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace Ui {

void setColor(QLabel* label, const Theme::DynamicColor& color)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color.color());
    p.setColor(QPalette::Text, color.color());
    label->setPalette(p);
}

QLabel* label(const QString& text, const QFont& font, const Theme::DynamicColor& color, QWidget* parent, bool wrap)
{
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    setColor(l, color);
    l->setWordWrap(wrap);
    l->setTextFormat(Qt::PlainText);
    return l;
}

ElidedLabel* elided(const QString& text, const QFont& font, const Theme::DynamicColor& color, QWidget* parent,
    Qt::TextElideMode mode)
{
    auto* l = new ElidedLabel(text, mode, parent);
    l->setFont(font);
    setColor(l, color);
    return l;
}

QHBoxLayout* centred(QWidget* widget, int maximumWidth)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    widget->setMaximumWidth(maximumWidth);
    row->addWidget(widget, 100);
    row->addStretch(1);
    return row;
}

void paintFocus(QPainter& painter, const QWidget* widget, const QRectF& box, double radius)
{
    if (!widget->hasFocus())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(AppStyle::focus(), 2));
    painter.drawRoundedRect(box.adjusted(1, 1, -1, -1), radius, radius);
    painter.restore();
}

QLabel* kicker(const QString& text, QWidget* parent, const Theme::DynamicColor& color)
{
    QFont font = Theme::Typo::kicker();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.1);
    return label(text.toUpper(), font, color, parent);
}

QPushButton* button(const QString& text, const QString& symbol, bool primary, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setFont(Theme::Typo::bodyStrong());
    b->setCursor(Qt::PointingHandCursor);
    if (primary)
        b->setProperty("role", QStringLiteral("primary"));
    if (!symbol.isEmpty()) {
        const QColor fg = primary ? AppStyle::onFill(Theme::currentAppearance()) : Theme::ink.color();
        b->setIcon(Icons::icon(symbol, fg, 14));
    }
    return b;
}

QWidget* hairline(QWidget* parent)
{
    auto* line = new QWidget(parent);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette p = line->palette();
    p.setColor(QPalette::Window, Theme::rule.color());
    line->setPalette(p);
    return line;
}

QPalette palette()
{
    QPalette p;
    p.setColor(QPalette::Window, Theme::paper.color());
    p.setColor(QPalette::Base, Theme::panel.color());
    p.setColor(QPalette::AlternateBase, Theme::well.color());
    p.setColor(QPalette::WindowText, Theme::ink.color());
    p.setColor(QPalette::Text, Theme::ink.color());
    p.setColor(QPalette::ButtonText, Theme::ink.color());
    p.setColor(QPalette::Button, Theme::panel.color());
    p.setColor(QPalette::Highlight, Theme::blue.color());
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::PlaceholderText, Theme::ink3.color());
    p.setColor(QPalette::ToolTipBase, Theme::panel.color());
    p.setColor(QPalette::ToolTipText, Theme::ink.color());
    p.setColor(QPalette::Disabled, QPalette::Text, Theme::ink3.color());
    p.setColor(QPalette::Disabled, QPalette::WindowText, Theme::ink3.color());
    p.setColor(QPalette::Disabled, QPalette::ButtonText, Theme::ink3.color());
    return p;
}

Confirmation confirm(QWidget* over, const QString& text, const QString& detail, const QString& actionText)
{
    auto* box = new QMessageBox(over ? over->window() : nullptr);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Warning);
    box->setText(text);
    box->setInformativeText(detail);
    box->setWindowTitle(QStringLiteral("Mountwire"));
    QPushButton* action = box->addButton(actionText, QMessageBox::DestructiveRole);
    action->setProperty("role", QStringLiteral("destructive"));
    // The box has styled its buttons already; the destructive one takes its red look now.
    action->style()->unpolish(action);
    action->style()->polish(action);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Cancel);
    box->open();
    return {box, action};
}

} // namespace Ui

ElidedLabel::ElidedLabel(const QString& text, Qt::TextElideMode mode, QWidget* parent)
    : QLabel(text, parent), m_mode(mode)
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

bool ElidedLabel::isElided() const
{
    return fontMetrics().horizontalAdvance(text()) > contentsRect().width();
}

QSize ElidedLabel::minimumSizeHint() const
{
    const QSize full = QLabel::minimumSizeHint();
    return {std::min(full.width(), fontMetrics().horizontalAdvance(QStringLiteral("M…")) + 2), full.height()};
}

void ElidedLabel::refreshTip()
{
    const bool cut = isElided();
    if (cut && toolTip() != text()) {
        if (!m_showingText)
            m_ownTip = toolTip();
        m_showingText = true;
        setToolTip(text());
    } else if (!cut && m_showingText) {
        m_showingText = false;
        setToolTip(m_ownTip);
    }
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    refreshTip();
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    refreshTip();
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    const QRect box = contentsRect();
    p.drawText(box, int(alignment()) | Qt::TextSingleLine, fontMetrics().elidedText(text(), m_mode, box.width()));
}

PageHeader::PageHeader(const QString& title, const QString& summary, QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(int(Theme::pageInset), 22, int(Theme::pageInset), 16);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(Ui::label(title, Theme::Typo::display(), Theme::ink, this));
    m_summary = Ui::elided(summary, Theme::Typo::body(), Theme::ink2, this);
    texts->addWidget(m_summary);
    row->addLayout(texts, 1);
    m_trailing = new QHBoxLayout;
    m_trailing->setSpacing(8);
    row->addLayout(m_trailing);
    row->setAlignment(m_trailing, Qt::AlignBottom);
}

void PageHeader::setSummary(const QString& summary)
{
    m_summary->setText(summary);
}

QString PageHeader::summary() const
{
    return m_summary->text();
}

ProtoTag::ProtoTag(std::optional<ShareProtocol> proto, const QString& raw, bool active, QWidget* parent)
    : QWidget(parent), m_text(proto ? label(*proto) : raw), m_active(active)
{
    setFixedSize(sizeHint());
}

void ProtoTag::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    update();
}

QSize ProtoTag::sizeHint() const
{
    const QFontMetrics metrics(Theme::Typo::kicker());
    return {metrics.horizontalAdvance(m_text) + 10, metrics.height() + 4};
}

void ProtoTag::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Theme::rule.color(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), Theme::Radius::tag, Theme::Radius::tag);
    p.setFont(Theme::Typo::kicker());
    p.setPen((m_active ? Theme::ink : Theme::ink3).color());
    p.drawText(rect(), Qt::AlignCenter, m_text);
}

LineActionButton::LineActionButton(const QString& symbol, const QString& help, bool prominent, QWidget* parent)
    : QToolButton(parent), m_symbol(symbol), m_prominent(prominent)
{
    setToolTip(help);
    setAccessibleName(help);
    setFixedSize(24, 22);
    setCursor(Qt::PointingHandCursor);
}

void LineActionButton::setHelp(const QString& help)
{
    setToolTip(help);
    setAccessibleName(help);
}

void LineActionButton::enterEvent(QEnterEvent*)
{
    m_hover = true;
    update();
}

void LineActionButton::leaveEvent(QEvent*)
{
    m_hover = false;
    update();
}

void LineActionButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor outline = m_prominent ? Theme::blue.color() : Theme::ruleStrong.color();
    if (m_prominent)
        outline.setAlphaF(0.55);
    p.setPen(QPen(outline, 1));
    p.setBrush(m_hover || isDown() ? Theme::wash.color() : QColor(Qt::transparent));
    p.drawRoundedRect(box, Theme::Radius::control, Theme::Radius::control);
    const QColor tint = (m_prominent ? Theme::blue : Theme::ink2).color();
    const int size = 14;
    p.drawPixmap(QRect((width() - size) / 2, (height() - size) / 2, size, size),
        Icons::pixmap(m_symbol, tint, size, devicePixelRatioF()));
    Ui::paintFocus(p, this, QRectF(rect()), Theme::Radius::control);
}

HoldToggle::HoldToggle(bool on, QWidget* parent) : QToolButton(parent), m_on(!on)
{
    setAccessibleName(QStringLiteral("Keep connected"));
    setFixedSize(24, 22);
    setCursor(Qt::PointingHandCursor);
    setOn(on);
}

void HoldToggle::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    setToolTip(on ? QStringLiteral("Keep connected is on: Mountwire reconnects this line after drops, sleep and "
                                   "network changes")
                  : QStringLiteral("Keep connected is off: click to have Mountwire reconnect this line automatically"));
    update();
}

void HoldToggle::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_on) {
        QColor fill = Theme::blue.color();
        fill.setAlphaF(0.14);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(box, Theme::Radius::control, Theme::Radius::control);
    }
    const QColor tint = (m_on ? Theme::blue : Theme::ink3).color();
    p.drawPixmap(QRect((width() - 14) / 2, (height() - 14) / 2, 14, 14),
        Icons::pixmap(QStringLiteral("arrow.triangle.2.circlepath"), tint, 14, devicePixelRatioF()));
    Ui::paintFocus(p, this, QRectF(rect()), Theme::Radius::control);
}

CapacityRule::CapacityRule(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(3);
}

void CapacityRule::setUsed(std::optional<double> used)
{
    if (used == m_used)
        return;
    m_used = used;
    setAccessibleDescription(used ? QStringLiteral("%1 percent used").arg(std::lround(*used * 100)) : QString());
    update();
}

void CapacityRule::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track(0, 0, width(), 3);
    if (!m_used) {
        QPen dots(Theme::rule.color(), 1.5, Qt::CustomDashLine, Qt::RoundCap);
        dots.setDashPattern({0.01 / 1.5, 3 / 1.5});
        p.setPen(dots);
        p.drawLine(QPointF(1, 1.5), QPointF(width() - 1, 1.5));
        return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::rule.color());
    p.drawRoundedRect(track, 1.5, 1.5);
    p.setBrush(Theme::ink2.color());
    p.drawRoundedRect(QRectF(0, 0, width() * std::clamp(*m_used, 0.0, 1.0), 3), 1.5, 1.5);
}

Keycap::Keycap(const QString& keys, QWidget* parent) : QWidget(parent), m_keys(keys)
{
    setFixedSize(sizeHint());
}

QSize Keycap::sizeHint() const
{
    const QFontMetrics metrics(Theme::Typo::small());
    return {std::max(26, metrics.horizontalAdvance(m_keys) + 14), metrics.height() + 6};
}

void Keycap::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Theme::ruleStrong.color(), 1));
    p.setBrush(Theme::panel.color());
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    p.setFont(Theme::Typo::small());
    p.setPen(Theme::ink.color());
    p.drawText(rect(), Qt::AlignCenter, m_keys);
}

PageDots::PageDots(int count, QWidget* parent) : QWidget(parent), m_count(count)
{
    setFixedSize(sizeHint());
    setIndex(0);
}

void PageDots::setIndex(int index)
{
    m_index = std::clamp(index, 0, std::max(0, m_count - 1));
    setAccessibleName(QStringLiteral("Step %1 of %2").arg(m_index + 1).arg(m_count));
    update();
}

QSize PageDots::sizeHint() const
{
    return {22 + (m_count - 1) * 10 + (m_count - 1) * 6, 6};
}

void PageDots::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    double x = 0;
    for (int i = 0; i < m_count; ++i) {
        const double w = i == m_index ? 22 : 10;
        const QRectF dot(x, 0, w, 6);
        if (i == m_index)
            p.setBrush(Theme::live(dot.topLeft(), dot.topRight()));
        else
            p.setBrush((i < m_index ? Theme::ink2 : Theme::ruleStrong).color());
        p.drawRoundedRect(dot, 3, 3);
        x += w + 6;
    }
}
