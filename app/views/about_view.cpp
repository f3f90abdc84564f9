#include "views/about_view.h"

#include "store/share_store.h"
#include "views/controls.h"
#include "views/icons.h"
#include "views/navigator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

AboutView::AboutView(
    ShareStore& store, Navigator& navigator, const QString& version, const QString& updatesNote, QWidget* parent)
    : QWidget(parent)
{
    setMinimumWidth(300);
    setMaximumWidth(600);
    auto* column = new QVBoxLayout(this);
    column->setAlignment(Qt::AlignCenter);
    column->setSpacing(8);
    auto* icon = new QLabel(this);
    icon->setPixmap(Icons::applicationIcon().pixmap(72, 72));
    column->addWidget(icon, 0, Qt::AlignHCenter);
    column->addWidget(Ui::label(QStringLiteral("Mountwire"), Theme::Typo::display(), Theme::ink, this), 0,
        Qt::AlignHCenter);
    column->addWidget(Ui::label(QStringLiteral("Version ") + version, Theme::Typo::small(), Theme::ink2, this), 0,
        Qt::AlignHCenter);
    column->addWidget(Ui::label(QStringLiteral("Your network shares, drawn as lines and kept connected."),
                          Theme::Typo::body(), Theme::ink2, this),
        0, Qt::AlignHCenter);
    auto* buttons = new QHBoxLayout;
    if (updatesNote.isEmpty()) {
        QPushButton* update = Ui::button(QStringLiteral("Check for Updates…"), QString(), false, this);
        connect(update, &QPushButton::clicked, this, [&navigator] { navigator.checkForUpdates(); });
        buttons->addWidget(update);
    } else {
        QLabel* note = Ui::label(updatesNote, Theme::Typo::small(), Theme::ink2, this, true);
        note->setAlignment(Qt::AlignHCenter);
        column->addWidget(note);
    }
    QPushButton* welcome = Ui::button(QStringLiteral("Show Welcome Guide"), QString(), false, this);
    connect(welcome, &QPushButton::clicked, this, [&navigator, &store] {
        navigator.show();
        QTimer::singleShot(200, &store, [&store] { store.setShowWelcome(true); });
    });
    // Alone, the button keeps its own width rather than the note's.
    buttons->addWidget(welcome, 0, updatesNote.isEmpty() ? Qt::Alignment() : Qt::AlignHCenter);
    column->addSpacing(8);
    column->addLayout(buttons);
}
