#include "shell/popover_panel.h"

#include "shell/mountwire_app.h"
#include "store/share_store.h"
#include "views/app_style.h"
#include "views/controls.h"
#include "views/popover_view.h"
#include "views/toast_overlay.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

PopoverPanel::PopoverPanel(MountwireApp& app) : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("panel"));
    setAttribute(Qt::WA_DeleteOnClose);
    setPalette(Ui::palette());
    setAutoFillBackground(true);
    auto* column = new QVBoxLayout(this);
    // A hairline edge sets the panel apart from the windows under it.
    column->setContentsMargins(1, 1, 1, 1);
    m_view = qobject_cast<PopoverView*>(app.makePopover(this));
    column->addWidget(m_view);
    new ToastOverlay(app.store(), this, 8);
}

void PopoverPanel::openAt(const QRect& anchor)
{
    adjustSize();
    QRect place = anchor.isValid() ? anchor : QRect(QCursor::pos(), QSize(1, 1));
    const QScreen* screen = QGuiApplication::screenAt(place.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    QPoint at(place.center().x() - width() / 2, place.bottom() + 4);
    // A tray at the bottom of the screen opens the panel upwards.
    if (at.y() + height() > area.bottom())
        at.setY(place.top() - height() - 4);
    at.setX(std::clamp(at.x(), area.left() + 4, std::max(area.left() + 4, area.right() - width() - 4)));
    at.setY(std::clamp(at.y(), area.top() + 4, std::max(area.top() + 4, area.bottom() - height() - 4)));
    move(at);
    show();
    activateWindow();
}

void PopoverPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(QPen(AppStyle::edge(Theme::currentAppearance()), 1));
    p.setBrush(Theme::panel.color());
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
