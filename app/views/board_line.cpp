#include "views/board_line.h"

#include "store/fmt.h"
#include "store/share_store.h"
#include "views/controls.h"
#include "views/icons.h"
#include "views/line_texts.h"
#include "views/signal_line_widget.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

BoardLine::BoardLine(ShareStore& store, const QUuid& id, QWidget* parent) : QWidget(parent), m_store(store), m_id(id)
{
    setAttribute(Qt::WA_Hover);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(int(Theme::pageInset), 10, int(Theme::pageInset), 10);
    row->setSpacing(14);

    m_identity = new QWidget(this);
    m_identity->setFixedWidth(identityWidth);
    auto* identity = new QVBoxLayout(m_identity);
    identity->setContentsMargins(0, 0, 0, 0);
    identity->setSpacing(2);
    const ShareSpec* s = spec();
    m_tag = new ProtoTag(s ? std::optional(s->proto) : std::nullopt, QString(), true, m_identity);
    identity->addWidget(m_tag);
    m_name = Ui::elided(QString(), Theme::Typo::heading(), Theme::ink, m_identity);
    m_path = Ui::elided(QString(), Theme::Typo::monospaced(10.5), Theme::ink3, m_identity, Qt::ElideMiddle);
    identity->addWidget(m_name);
    identity->addWidget(m_path);
    identity->addStretch(1);
    row->addWidget(m_identity);

    auto* trace = new QVBoxLayout;
    trace->setSpacing(2);
    m_line = new SignalLineWidget(this);
    m_line->setFixedHeight(30);
    // The trace gives way first when the window is narrow, so the figures and actions stay in reach.
    m_line->setMinimumWidth(48);
    trace->addWidget(m_line);
    m_caption = Ui::elided(QString(), Theme::Typo::monospaced(10.5), Theme::ink3, this);
    trace->addWidget(m_caption);
    trace->addStretch(1);
    row->addLayout(trace, 1);

    auto* figuresBox = new QWidget(this);
    figuresBox->setFixedWidth(figuresWidth);
    auto* figures = new QVBoxLayout(figuresBox);
    figures->setContentsMargins(0, 0, 0, 0);
    figures->setSpacing(2);
    m_latency = Ui::label(QString(), Theme::Typo::figure(), Theme::ink, figuresBox);
    m_average = Ui::label(QString(), Theme::Typo::monospaced(10), Theme::ink3, figuresBox);
    m_space = Ui::elided(QString(), Theme::Typo::monospaced(10.5), Theme::ink3, figuresBox);
    m_rule = new CapacityRule(figuresBox);
    figures->addWidget(m_latency);
    figures->addWidget(m_average);
    figures->addWidget(m_space);
    figures->addWidget(m_rule);
    figures->addStretch(1);
    row->addWidget(figuresBox);

    m_actionBox = new QWidget(this);
    m_actionBox->setFixedWidth(actionsWidth);
    m_actionRow = new QHBoxLayout(m_actionBox);
    m_actionRow->setContentsMargins(0, 0, 0, 0);
    m_actionRow->setSpacing(4);
    m_actionRow->addStretch(1);
    // Made once and shown as the state asks, so the keyboard reaches them in the row's own order.
    m_busy = new QProgressBar(m_actionBox);
    m_busy->setRange(0, 0);
    m_busy->setTextVisible(false);
    m_busy->setFixedSize(40, 6);
    m_open = new LineActionButton(QStringLiteral("folder"), QString(), false, m_actionBox);
    connect(m_open, &QToolButton::clicked, this, [this] {
        if (const ShareSpec* share = spec())
            m_store.open(*share);
    });
    m_eject = new LineActionButton(QStringLiteral("eject"), QString(), false, m_actionBox);
    connect(m_eject, &QToolButton::clicked, this, [this] {
        if (const ShareSpec* share = spec())
            m_store.unmount(*share, false);
    });
    m_power = new LineActionButton(QStringLiteral("power"), QString(), true, m_actionBox);
    connect(m_power, &QToolButton::clicked, this, [this] {
        if (const ShareSpec* share = spec())
            m_store.mount(*share);
    });
    for (QWidget* w : std::initializer_list<QWidget*> {m_busy, m_open, m_eject, m_power}) {
        w->hide();
        m_actionRow->addWidget(w, 0, Qt::AlignVCenter);
    }
    m_hold = new HoldToggle(s && s->keepConnected, m_actionBox);
    connect(m_hold, &QToolButton::clicked, this, [this] {
        if (const ShareSpec* share = spec())
            m_store.setKeepConnected(*share, !share->keepConnected);
    });
    auto* more = new QToolButton(m_actionBox);
    more->setObjectName(QStringLiteral("more"));
    more->setAutoRaise(true);
    more->setIcon(Icons::icon(QStringLiteral("ellipsis"), Theme::ink2.color(), 14));
    more->setToolTip(QStringLiteral("More actions"));
    more->setFixedSize(22, 22);
    connect(more, &QToolButton::clicked, this, [this, more] {
        QMenu* menu = makeMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(more->mapToGlobal(QPoint(0, more->height())));
    });
    m_actionRow->addWidget(m_hold);
    m_actionRow->addWidget(more);
    row->addWidget(m_actionBox, 0, Qt::AlignTop);
    refresh();
}

const ShareSpec* BoardLine::spec() const
{
    return m_store.share(m_id);
}

QList<LineActionButton*> BoardLine::actions() const
{
    QList<LineActionButton*> shown;
    for (LineActionButton* b : {m_open, m_eject, m_power}) {
        if (!b->isHidden())
            shown << b;
    }
    return shown;
}

void BoardLine::refresh()
{
    const ShareSpec* s = spec();
    if (!s)
        return;
    const ShareStatus status = m_store.status(*s);
    const ShareRuntime* record = m_store.record(m_id);
    m_tag->setActive(status.kind != ShareStatus::Kind::idle);
    m_name->setText(s->name);
    m_path->setText(QLatin1Char('/') + s->path);
    m_identity->setToolTip(s->displayURL());
    m_line->setLine(LineTexts::signalLine(m_store, *s, 40, 1.7, 4));
    m_line->setReduceMotion(false);
    refreshCaption();

    const ReachabilityTracker* tracker = m_store.tracker(*s);
    const std::optional<double> latest = tracker ? tracker->lastLatency() : std::nullopt;
    m_latency->setText(Fmt::ms(latest));
    Ui::setColor(m_latency, latest ? Theme::ink : Theme::ink3);
    m_average->setText(QStringLiteral("avg ") + Fmt::ms(tracker ? tracker->averageLatency() : std::nullopt));
    m_space->setText(LineTexts::spaceText(record));
    m_rule->setUsed(LineTexts::usedFraction(record));
    m_hold->setOn(s->keepConnected);
    rebuildActions();
}

void BoardLine::refreshCaption()
{
    const ShareSpec* s = spec();
    if (!s)
        return;
    const ShareStatus status = m_store.status(*s);
    m_caption->setText(status.caption(m_store.now()));
    m_caption->setToolTip(status.error.value_or(status.label()));
    Ui::setColor(m_caption, status.kind == ShareStatus::Kind::connected ? Theme::ink2 : Theme::ink3);
}

void BoardLine::rebuildActions()
{
    const ShareSpec* s = spec();
    const ShareStatus status = m_store.status(*s);
    const bool mounted = m_store.isMounted(*s);
    const bool connecting = status.kind == ShareStatus::Kind::connecting;
    m_busy->setVisible(connecting);
    m_open->setVisible(!connecting && mounted);
    m_eject->setVisible(!connecting && mounted);
    m_power->setVisible(!connecting && !mounted);
    m_open->setHelp(QStringLiteral("Open ") + s->name + QStringLiteral(" in the file manager"));
    m_eject->setHelp(status.kind == ShareStatus::Kind::stale ? QStringLiteral("Not responding; Mountwire will force the eject")
                                                             : QStringLiteral("Eject ") + s->name);
    m_power->setHelp(QStringLiteral("Connect ") + s->name);
}

QMenu* BoardLine::makeMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const ShareSpec* s = spec();
    if (!s)
        return menu;
    const ShareSpec share = *s;
    menu->addAction(QStringLiteral("Edit…"), this, [this, share] { m_store.openEditor(share); });
    QAction* keep = menu->addAction(QStringLiteral("Keep Connected"));
    keep->setCheckable(true);
    keep->setChecked(share.keepConnected);
    connect(keep, &QAction::toggled, this, [this, share](bool on) { m_store.setKeepConnected(share, on); });
    menu->addAction(QStringLiteral("Copy Address"), this, [this, share] { m_store.copyAddress(share); });
    if (m_store.isMounted(share))
        menu->addAction(QStringLiteral("Force Eject"), this, [this, share] { m_store.unmount(share, true); });
    if (m_store.hasPinnedCertificate(share))
        menu->addAction(QStringLiteral("Forget Certificate"), this, [this, share] { m_store.forgetCertificate(share); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Remove from Mountwire…"), this, [this] { confirmRemove(); });
    return menu;
}

void BoardLine::confirmRemove()
{
    const ShareSpec* s = spec();
    if (!s)
        return;
    const ShareSpec share = *s;
    const Ui::Confirmation asked = Ui::confirm(this, LineTexts::removeTitle(share),
        LineTexts::removeMessage(m_store.isMounted(share)), QStringLiteral("Remove"));
    asked.box->setObjectName(QStringLiteral("confirmRemove"));
    connect(asked.action, &QPushButton::clicked, this, [this, share] { m_store.remove(share); });
}

void BoardLine::enterEvent(QEnterEvent*)
{
    m_hover = true;
    update();
}

void BoardLine::leaveEvent(QEvent*)
{
    m_hover = false;
    update();
}

void BoardLine::paintEvent(QPaintEvent*)
{
    if (!m_hover)
        return;
    QPainter p(this);
    p.fillRect(rect(), Theme::wash.color());
}

void BoardLine::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = makeMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
