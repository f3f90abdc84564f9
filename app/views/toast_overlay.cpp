#include "views/toast_overlay.h"

#include "store/share_store.h"
#include "views/controls.h"
#include "views/icons.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>

ToastOverlay::ToastOverlay(ShareStore& store, QWidget* covered, int padding)
    : QWidget(covered), m_store(store), m_covered(covered), m_padding(padding)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 7, 16, 7);
    row->setSpacing(8);
    m_icon = new QLabel(this);
    m_text = Ui::elided(QString(), Theme::Typo::system(13), Theme::ink, this);
    row->addWidget(m_icon);
    row->addWidget(m_text);
    covered->installEventFilter(this);
    connect(&m_store, &ShareStore::toastChanged, this, &ToastOverlay::refresh);
    refresh();
}

QString ToastOverlay::text() const
{
    return m_text->text();
}

void ToastOverlay::refresh()
{
    const std::optional<Toast>& toast = m_store.toast();
    if (!toast) {
        hide();
        return;
    }
    const QColor tint = (toast->tint == ToastTint::blue ? Theme::blue : Theme::ink2).color();
    m_icon->setPixmap(Icons::pixmap(toast->symbol, tint, 14, devicePixelRatioF()));
    m_text->setText(toast->text);
    Ui::setColor(m_text, Theme::ink);
    // A toast naming a long line stays inside what it covers.
    m_text->setMaximumWidth(std::max(120, m_covered->width() - 2 * m_padding - 60));
    adjustSize();
    place();
    show();
    raise();
}

void ToastOverlay::place()
{
    move((m_covered->width() - width()) / 2, m_padding);
}

bool ToastOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_covered && event->type() == QEvent::Resize)
        place();
    return QWidget::eventFilter(watched, event);
}

void ToastOverlay::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(Theme::ruleStrong.color(), 1));
    p.setBrush(Theme::panel.color());
    p.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
}
