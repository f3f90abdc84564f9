#include "views/popover_view.h"

#include "store/share_store.h"
#include "views/chosen_network_note.h"
#include "views/controls.h"
#include "views/icons.h"
#include "views/line_mark.h"
#include "views/line_texts.h"
#include "views/navigator.h"
#include "views/signal_line_widget.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* iconButton(const QString& symbol, const QString& help, const Theme::DynamicColor& tint, QWidget* parent,
    int size = 24)
{
    auto* b = new QToolButton(parent);
    b->setAutoRaise(true);
    b->setIcon(Icons::icon(symbol, tint.color(), 14));
    b->setToolTip(help);
    b->setAccessibleName(help);
    b->setFixedSize(size, 22);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

// A route's chip: the active one on the panel colour with the live bar under its name.
class RouteChip : public QAbstractButton {
public:
    RouteChip(const QString& name, bool active, QWidget* parent) : QAbstractButton(parent), m_active(active)
    {
        setText(name);
        setFont(Theme::Typo::small());
        setCursor(Qt::PointingHandCursor);
        setToolTip(active ? name + QStringLiteral(" is the active route")
                          : QStringLiteral("Switch to the ") + name + QStringLiteral(" route"));
        const QFontMetrics metrics(font());
        // Long names share the row: each chip gives way down to a few letters and shortens its name.
        setFixedHeight(24);
        setMinimumWidth(48);
        setMaximumWidth(std::min(metrics.horizontalAdvance(name) + 22, 150));
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override { return {maximumWidth(), 24}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(m_active ? QPen(Theme::rule.color(), 1) : Qt::NoPen);
        p.setBrush((m_active ? Theme::panel : Theme::well).color());
        p.drawRoundedRect(box, Theme::Radius::control, Theme::Radius::control);
        p.setPen((m_active ? Theme::ink : Theme::ink2).color());
        p.setFont(font());
        const QRect label = rect().adjusted(10, 0, -10, -2);
        p.drawText(label, Qt::AlignCenter, fontMetrics().elidedText(text(), Qt::ElideRight, label.width()));
        if (m_active) {
            const QRectF bar(10, height() - 4, width() - 20, 1.5);
            p.fillRect(bar, Theme::live(bar.topLeft(), bar.topRight()));
        }
        Ui::paintFocus(p, this, QRectF(rect()), Theme::Radius::control);
    }

private:
    bool m_active;
};

} // namespace

PopoverLine::PopoverLine(ShareStore& store, Navigator& navigator, const QUuid& id, QWidget* parent)
    : QWidget(parent), m_store(store), m_navigator(navigator), m_id(id)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 6, 10, 6);
    column->setSpacing(3);
    auto* top = new QHBoxLayout;
    top->setSpacing(6);
    const ShareSpec* spec = m_store.share(id);
    m_tag = new ProtoTag(spec ? std::optional(spec->proto) : std::nullopt, QString(), true, this);
    m_name = Ui::elided(QString(), Theme::Typo::bodyStrong(), Theme::ink, this);
    m_figure = Ui::elided(QString(), Theme::Typo::monospaced(10.5), Theme::ink2, this);
    m_figure->setMaximumWidth(150);
    m_action = new QToolButton(this);
    m_action->setAutoRaise(true);
    m_action->setFixedSize(26, 22);
    m_action->setCursor(Qt::PointingHandCursor);
    connect(m_action, &QToolButton::clicked, this, [this] {
        const ShareSpec* s = m_store.share(m_id);
        if (!s)
            return;
        const ShareSpec share = *s;
        if (m_store.isMounted(share))
            m_store.unmount(share, m_store.status(share).kind == ShareStatus::Kind::stale);
        else
            m_store.mount(share);
    });
    top->addWidget(m_tag);
    top->addWidget(m_name, 1);
    top->addWidget(m_figure);
    top->addWidget(m_action);
    column->addLayout(top);
    m_line = new SignalLineWidget(this);
    m_line->setFixedHeight(16);
    column->addWidget(m_line);
    refresh();
}

void PopoverLine::refresh()
{
    const ShareSpec* s = m_store.share(m_id);
    if (!s)
        return;
    const ShareStatus status = m_store.status(*s);
    m_tag->setActive(status.kind != ShareStatus::Kind::idle);
    m_name->setText(s->name);
    m_figure->setText(LineTexts::panelFigure(m_store, *s));
    m_line->setLine(LineTexts::signalLine(m_store, *s, 32, 1.4, 3));
    const bool mounted = m_store.isMounted(*s);
    const bool stale = status.kind == ShareStatus::Kind::stale;
    m_action->setEnabled(status.kind != ShareStatus::Kind::connecting);
    if (status.kind == ShareStatus::Kind::connecting) {
        m_action->setIcon(Icons::icon(QStringLiteral("arrow.triangle.2.circlepath"), Theme::amber.color(), 14));
        m_action->setToolTip(QStringLiteral("Connecting…"));
    } else if (mounted) {
        m_action->setIcon(Icons::icon(QStringLiteral("eject"), Theme::ink2.color(), 14));
        m_action->setToolTip((stale ? QStringLiteral("Force eject ") : QStringLiteral("Eject ")) + s->name);
    } else {
        m_action->setIcon(Icons::icon(QStringLiteral("power"), Theme::blue.color(), 14));
        m_action->setToolTip(QStringLiteral("Connect ") + s->name);
    }
}

QMenu* PopoverLine::makeMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const ShareSpec* s = m_store.share(m_id);
    if (!s)
        return menu;
    const ShareSpec share = *s;
    if (m_store.isMounted(share)) {
        menu->addAction(QStringLiteral("Open in the File Manager"), this, [this, share] { m_store.open(share); });
        menu->addAction(QStringLiteral("Eject"), this, [this, share] { m_store.unmount(share, false); });
        menu->addAction(QStringLiteral("Force Eject"), this, [this, share] { m_store.unmount(share, true); });
    } else {
        menu->addAction(QStringLiteral("Connect"), this, [this, share] { m_store.mount(share); });
    }
    menu->addSeparator();
    QAction* keep = menu->addAction(QStringLiteral("Keep Connected"));
    keep->setCheckable(true);
    keep->setChecked(share.keepConnected);
    connect(keep, &QAction::toggled, this, [this, share](bool on) { m_store.setKeepConnected(share, on); });
    menu->addAction(QStringLiteral("Copy Address"), this, [this, share] { m_store.copyAddress(share); });
    menu->addAction(QStringLiteral("Edit…"), this,
        [this, share] { m_navigator.show(ManagerPage::shares, false, share); });
    return menu;
}

void PopoverLine::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = makeMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

PopoverView::PopoverView(ShareStore& store, Navigator& navigator, QWidget* parent)
    : QWidget(parent), m_store(store), m_navigator(navigator)
{
    setFixedWidth(panelWidth);
    setAutoFillBackground(true);
    setPalette(Ui::palette());
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 12, 0, 8);
    column->setSpacing(8);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(14, 0, 10, 0);
    header->setSpacing(8);
    header->addWidget(new LineMark(this, 14));
    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    titles->addWidget(Ui::label(QStringLiteral("Mountwire"), Theme::Typo::heading(), Theme::ink, this));
    m_summary = Ui::elided(QString(), Theme::Typo::system(11), Theme::ink2, this);
    titles->addWidget(m_summary);
    header->addLayout(titles, 1);
    QToolButton* window = iconButton(QStringLiteral("macwindow"), QStringLiteral("Open the Mountwire window"),
        Theme::ink2, this);
    connect(window, &QToolButton::clicked, this, [this] { m_navigator.show(); });
    header->addWidget(window);
    column->addLayout(header);

    m_routes = new QWidget(this);
    column->addWidget(m_routes);
    m_chosenBy = new ChosenNetworkNote(m_store, this);
    m_chosenBy->setContentsMargins(14, 0, 10, 0);
    column->addWidget(m_chosenBy);

    m_scroll = new QScrollArea(this);

    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* list = new QWidget(m_scroll);
    m_linesLayout = new QVBoxLayout(list);
    m_linesLayout->setContentsMargins(0, 0, 0, 0);
    m_linesLayout->setSpacing(0);
    m_scroll->setWidget(list);
    m_scroll->viewport()->setAutoFillBackground(false);
    list->setAutoFillBackground(false);
    const QScreen* screen = QGuiApplication::primaryScreen();
    m_scroll->setMaximumHeight(listHeightCap(screen ? screen->availableGeometry().height() : 660));
    column->addWidget(m_scroll);

    m_empty = new QWidget(this);
    auto* empty = new QVBoxLayout(m_empty);
    empty->setContentsMargins(0, 16, 0, 16);
    empty->setSpacing(8);
    QLabel* title = Ui::label(QStringLiteral("No lines yet"), Theme::Typo::heading(), Theme::ink, m_empty);
    title->setAlignment(Qt::AlignCenter);
    QLabel* text = Ui::label(QStringLiteral("Add an SMB, AFP, NFS or WebDAV share. Mountwire draws it as a line, "
                                            "watches it and reconnects it when it drops."),
        Theme::Typo::small(), Theme::ink2, m_empty, true);
    text->setAlignment(Qt::AlignCenter);
    QPushButton* add = Ui::button(QStringLiteral("Add a Line…"), QString(), true, m_empty);
    connect(add, &QPushButton::clicked, this, [this] { m_navigator.show(ManagerPage::shares, true); });
    empty->addWidget(title);
    text->setFixedWidth(220);
    empty->addLayout(Ui::centred(text, 220));
    empty->addWidget(add, 0, Qt::AlignHCenter);
    column->addWidget(m_empty);

    m_others = new QWidget(this);
    m_othersLayout = new QVBoxLayout(m_others);
    m_othersLayout->setContentsMargins(14, 0, 10, 0);
    m_othersLayout->setSpacing(4);
    column->addWidget(m_others);

    column->addWidget(Ui::hairline(this));
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(10, 0, 10, 0);
    QToolButton* addLine = iconButton(QStringLiteral("plus"), QStringLiteral("Add a line (Ctrl+N in the Mountwire window)"),
        Theme::ink2, this);
    connect(addLine, &QToolButton::clicked, this, [this] { m_navigator.show(ManagerPage::shares, true); });
    QToolButton* connectAll = iconButton(QStringLiteral("arrow.triangle.2.circlepath"),
        QStringLiteral("Connect every saved share that isn’t mounted"), Theme::ink2, this);
    connectAll->setText(QStringLiteral("Connect All"));
    connectAll->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connectAll->setMinimumWidth(0);
    connectAll->setMaximumWidth(QWIDGETSIZE_MAX);
    connect(connectAll, &QToolButton::clicked, this, [this] { m_store.mountAll(); });
    QToolButton* log = iconButton(QStringLiteral("list.bullet.below.rectangle"), QStringLiteral("Signal log"),
        Theme::ink2, this);
    log->setText(QStringLiteral("Signal log"));
    log->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    log->setMinimumWidth(0);
    log->setMaximumWidth(QWIDGETSIZE_MAX);
    connect(log, &QToolButton::clicked, this, [this] { m_navigator.show(ManagerPage::activity); });
    QToolButton* more = iconButton(QStringLiteral("ellipsis"), QStringLiteral("Settings, updates and quit"),
        Theme::ink2, this);
    more->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(more);
    menu->addAction(QStringLiteral("Settings…"), this, [this] { m_navigator.show(ManagerPage::settings); });
    menu->addAction(QStringLiteral("Check for Updates…"), this, [this] { m_navigator.checkForUpdates(); });
    menu->addAction(QStringLiteral("Quit Mountwire"), this, [this] { m_navigator.quit(); });
    more->setMenu(menu);
    footer->addWidget(addLine);
    footer->addWidget(connectAll);
    footer->addWidget(log);
    footer->addStretch(1);
    footer->addWidget(more);
    column->addLayout(footer);

    connect(&m_store, &ShareStore::sharesChanged, this, [this] {
        rebuildLines();
        rebuildRoutes();
        refreshSummary();
    });
    connect(&m_store, &ShareStore::runtimeChanged, this, [this](const QUuid& id) {
        if (PopoverLine* line = m_lines.value(id))
            line->refresh();
        refreshSummary();
    });
    connect(&m_store, &ShareStore::serversChanged, this, [this] {
        for (PopoverLine* line : std::as_const(m_lines))
            line->refresh();
    });
    connect(&m_store, &ShareStore::profilesChanged, this, &PopoverView::rebuildRoutes);
    connect(&m_store, &ShareStore::activeProfileIDChanged, this, &PopoverView::rebuildRoutes);
    connect(&m_store, &ShareStore::otherVolumesChanged, this, &PopoverView::rebuildOthers);
    rebuildLines();
    rebuildRoutes();
    rebuildOthers();
    refreshSummary();
}

int PopoverView::listHeightCap(int screenHeight)
{
    return std::max(300, std::min(620, screenHeight - 240));
}

QString PopoverView::summary() const
{
    return m_summary->text();
}

QList<PopoverLine*> PopoverView::lines() const
{
    QList<PopoverLine*> ordered;
    for (const ShareSpec& share : m_store.shares()) {
        if (PopoverLine* line = m_lines.value(share.id))
            ordered.append(line);
    }
    return ordered;
}

void PopoverView::rebuildLines()
{
    QSet<QUuid> ids;
    for (const ShareSpec& share : m_store.shares())
        ids.insert(share.id);
    for (auto it = m_lines.begin(); it != m_lines.end();) {
        if (ids.contains(it.key())) {
            ++it;
        } else {
            it.value()->hide();
            it.value()->deleteLater();
            it = m_lines.erase(it);
        }
    }
    while (QLayoutItem* item = m_linesLayout->takeAt(0))
        delete item;
    for (const ShareSpec& share : m_store.shares()) {
        PopoverLine* line = m_lines.value(share.id);
        if (!line) {
            line = new PopoverLine(m_store, m_navigator, share.id, m_scroll->widget());
            m_lines.insert(share.id, line);
        } else {
            line->refresh();
        }
        m_linesLayout->addWidget(line);
    }
    const bool none = m_store.shares().empty();
    m_scroll->setVisible(!none);
    m_empty->setVisible(none);
    // The list is as tall as its lines up to the cap, then scrolls.
    m_scroll->widget()->adjustSize();
    m_scroll->setMinimumHeight(std::min(m_scroll->maximumHeight(), m_scroll->widget()->sizeHint().height()));
}

void PopoverView::rebuildRoutes()
{
    delete m_routes->layout();
    for (QWidget* child : m_routes->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        delete child;
    m_routes->setVisible(!m_store.profiles().empty());
    if (m_store.profiles().empty())
        return;
    auto* row = new QHBoxLayout(m_routes);
    row->setContentsMargins(14, 0, 10, 0);
    row->setSpacing(6);
    row->addWidget(Ui::kicker(QStringLiteral("Route"), m_routes));
    for (const Profile& route : m_store.profiles()) {
        auto* chip = new RouteChip(route.name, m_store.activeProfileID() == route.id, m_routes);
        const Profile copy = route;
        connect(chip, &QAbstractButton::clicked, this, [this, copy] { m_store.activate(copy); });
        row->addWidget(chip);
    }
    row->addStretch(1);
    QToolButton* edit = iconButton(QStringLiteral("slider.horizontal.3"), QStringLiteral("Edit routes"), Theme::ink3,
        m_routes, 22);
    connect(edit, &QToolButton::clicked, this, [this] { m_navigator.show(ManagerPage::profiles); });
    row->addWidget(edit);
}

void PopoverView::rebuildOthers()
{
    while (QLayoutItem* item = m_othersLayout->takeAt(0)) {
        if (item->widget())
            item->widget()->deleteLater();
        delete item;
    }
    m_others->setVisible(!m_store.otherVolumes().empty());
    if (m_store.otherVolumes().empty())
        return;
    m_othersLayout->addWidget(Ui::kicker(QStringLiteral("Also mounted"), m_others));
    for (const MountedVolume& volume : m_store.otherVolumes()) {
        auto* row = new QWidget(m_others);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(0);
        texts->addWidget(Ui::elided(volume.displayName(), Theme::Typo::body(), Theme::ink, row));
        texts->addWidget(Ui::elided(volume.from, Theme::Typo::monospaced(10.5), Theme::ink3, row, Qt::ElideMiddle));
        layout->addLayout(texts, 1);
        QPushButton* save = Ui::button(QStringLiteral("Save"), QString(), false, row);
        save->setToolTip(QStringLiteral("Save to Mountwire so it’s watched and reconnected"));
        const MountedVolume copy = volume;
        connect(save, &QPushButton::clicked, this, [this, copy] { m_store.save(copy); });
        QPushButton* open = Ui::button(QStringLiteral("Open"), QString(), false, row);
        open->setToolTip(QStringLiteral("Open in the file manager"));
        connect(open, &QPushButton::clicked, this, [this, copy] { m_store.openFolder(copy.mountPoint); });
        layout->addWidget(save);
        layout->addWidget(open);
        m_othersLayout->addWidget(row);
    }
}

void PopoverView::refreshSummary()
{
    m_summary->setText(LineTexts::panelSummary(m_store));
}
