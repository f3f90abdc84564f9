#include "views/routes_page.h"

#include "store/share_store.h"
#include "views/controls.h"
#include "views/icons.h"
#include "views/route_networks.h"

#include <QCheckBox>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString css(const QColor& colour)
{
    return colour.name(QColor::HexArgb);
}

constexpr int pad = 12;
constexpr int stationsX = 180;
constexpr int hostWidth = 132;
constexpr int chipsX = stationsX + 14 + hostWidth + 8;
constexpr int chipHeight = 22;
constexpr int chipGap = 6;
constexpr int lineHeight = chipHeight + 6;
const QString rootLabel = QStringLiteral("This computer");

QPainterPath curve(QPointF from, QPointF to)
{
    QPainterPath path(from);
    const double dx = (to.x() - from.x()) * 0.55;
    path.cubicTo(from + QPointF(dx, 0), to - QPointF(dx, 0), to);
    return path;
}

} // namespace

RouteChip::RouteChip(const ShareSpec& share, bool on, QWidget* parent)
    : QAbstractButton(parent), m_id(share.id), m_on(on)
{
    setText(share.name);
    setToolTip((on ? QStringLiteral("Take ") : QStringLiteral("Put ")) + share.name
        + (on ? QStringLiteral(" off this route") : QStringLiteral(" on this route")));
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    resize(sizeHint());
}

QSize RouteChip::sizeHint() const
{
    // Rounded-down advances would elide a name that fits; a little slack keeps whole names whole.
    const int textWidth = std::min(QFontMetrics(Theme::Typo::small()).horizontalAdvance(text()) + 3, 180);
    return {textWidth + 16 + (m_on ? 14 : 0), chipHeight};
}

void RouteChip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill = m_on ? Theme::blue.color() : Theme::panel.color();
    fill.setAlphaF(m_on ? 0.1 : 1.0);
    p.setBrush(fill);
    p.setPen(QPen((m_on ? Theme::blue : (underMouse() ? Theme::ruleStrong : Theme::rule)).color(), 1));
    p.drawRoundedRect(box, chipHeight / 2.0, chipHeight / 2.0);
    int x = 8;
    if (m_on) {
        p.drawPixmap(QPointF(x, (height() - 11) / 2.0),
            Icons::pixmap(QStringLiteral("checkmark"), Theme::blue.color(), 11, devicePixelRatioF()));
        x += 14;
    }
    p.setFont(Theme::Typo::small());
    p.setPen((m_on ? Theme::ink : Theme::ink3).color());
    const QRect textBox(x, 0, width() - x - 8, height());
    p.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(Theme::Typo::small()).elidedText(text(), Qt::ElideRight, textBox.width()));
    Ui::paintFocus(p, this, QRectF(rect()), chipHeight / 2.0);
}

RouteDiagram::RouteDiagram(ShareStore& store, QWidget* parent) : QWidget(parent), m_store(store)
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_note = Ui::label(QStringLiteral("Add a line first, then pick which lines this route connects."), Theme::Typo::small(),
        Theme::ink3, this, true);
    m_addLine = Ui::button(QStringLiteral("Add a Line…"), QString(), false, this);
    connect(m_addLine, &QPushButton::clicked, this, [this] { m_store.openEditor(std::nullopt); });
    m_drawing.setDuration(520);
    m_drawing.setStartValue(0.0);
    m_drawing.setEndValue(1.0);
    m_drawing.setEasingCurve(QEasingCurve::OutCubic);
    connect(&m_drawing, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_drawn = value.toDouble();
        update();
    });
}

void RouteDiagram::setProfile(const Profile& profile, bool active)
{
    // Every saved line gets its station, not only the route's: a line must be on the map to be put on it.
    Profile everything = profile;
    everything.shareIDs.clear();
    for (const ShareSpec& share : m_store.shares())
        everything.shareIDs << share.id;
    std::vector<RouteStation> stations = RouteMap::stations(everything, m_store.shares());
    std::vector<QString> before;
    std::vector<QString> after;
    for (const RouteStation& s : m_stations)
        before.push_back(s.host);
    for (const RouteStation& s : stations)
        after.push_back(s.host);
    m_profile = profile;
    m_active = active;
    m_stations = std::move(stations);
    rebuildChips();
    if (before != after && isVisible())
        drawIn();
    updateGeometry();
    update();
}

void RouteDiagram::rebuildChips()
{
    qDeleteAll(m_chips);
    m_chips.clear();
    for (const RouteStation& station : m_stations) {
        for (const QUuid& id : station.shareIDs) {
            const ShareSpec* share = m_store.share(id);
            if (!share)
                continue;
            auto* chip = new RouteChip(*share, m_profile.shareIDs.contains(id), this);
            const ShareSpec line = *share;
            const QUuid route = m_profile.id;
            connect(chip, &QAbstractButton::clicked, this, [this, line, route] { m_store.toggle(line, route); });
            chip->show();
            m_chips << chip;
        }
    }
    const bool placeholder = m_stations.empty();
    m_note->setVisible(placeholder);
    m_addLine->setVisible(placeholder);
    layoutAt(width(), true);
}

std::vector<RouteDiagram::Placed> RouteDiagram::layoutAt(int width, bool place) const
{
    std::vector<Placed> placed;
    const int right = std::max(width - pad, chipsX + 120);
    int y = pad;
    int chip = 0;
    for (const RouteStation& station : m_stations) {
        int x = chipsX;
        int lines = 1;
        for (qsizetype i = 0; i < station.shareIDs.size() && chip < m_chips.size(); ++i) {
            RouteChip* c = m_chips[chip++];
            const int w = c->sizeHint().width();
            if (x > chipsX && x + w > right) {
                x = chipsX;
                ++lines;
            }
            if (place)
                c->setGeometry(x, y + (lines - 1) * lineHeight + (lineHeight - chipHeight) / 2, w, chipHeight);
            x += w + chipGap;
        }
        Placed p;
        p.top = y;
        p.height = lines * lineHeight;
        p.node = QPointF(stationsX, y + lineHeight / 2.0);
        p.label = QRectF(stationsX + 12, y, hostWidth, lineHeight);
        placed.push_back(p);
        y += p.height + 4;
    }
    if (place && m_stations.empty()) {
        const int noteX = stationsX + 150;
        const int noteWidth = std::max(width - noteX - pad, 140);
        m_note->setGeometry(noteX, 22, noteWidth, m_note->heightForWidth(noteWidth));
        m_addLine->adjustSize();
        m_addLine->move(noteX, 22 + m_note->height() + 8);
    }
    return placed;
}

int RouteDiagram::heightForWidth(int width) const
{
    if (m_stations.empty())
        return 110;
    const std::vector<Placed> placed = layoutAt(width, false);
    return std::max(76, placed.back().top + placed.back().height + pad);
}

QSize RouteDiagram::sizeHint() const
{
    return {560, heightForWidth(560)};
}

void RouteDiagram::resizeEvent(QResizeEvent*)
{
    layoutAt(width(), true);
}

void RouteDiagram::showEvent(QShowEvent*)
{
    drawIn();
}

void RouteDiagram::drawIn()
{
    m_drawing.stop();
    m_drawn = 0;
    m_drawing.start();
}

void RouteDiagram::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::well.color());
    p.drawRoundedRect(QRectF(rect()), Theme::Radius::control, Theme::Radius::control);

    const double rootY = height() / 2.0;
    p.drawPixmap(QPointF(pad + 4, rootY - 7.5),
        Icons::pixmap(QStringLiteral("laptopcomputer"), Theme::ink2.color(), 15, devicePixelRatioF()));
    p.setFont(Theme::Typo::small());
    p.setPen(Theme::ink3.color());
    const QFontMetrics small(Theme::Typo::small());
    const double labelX = pad + 4 + 15 + 6;
    p.drawText(QRectF(labelX, rootY - small.height() / 2.0, small.horizontalAdvance(rootLabel) + 2, small.height()),
        Qt::AlignLeft | Qt::AlignVCenter, rootLabel);
    const QPointF root(labelX + small.horizontalAdvance(rootLabel) + 8, rootY);

    // The curves draw in from the computer's side.
    const double reach = root.x() + (stationsX - root.x()) * m_drawn;

    if (m_stations.empty()) {
        const bool live[] = {true, false, true};
        for (int i = 0; i < 3; ++i) {
            const QPointF node(stationsX, 24 + i * 31);
            p.save();
            p.setClipRect(QRectF(0, 0, reach + 1, height()));
            QPen dotted(Theme::ink3.color(), 1, Qt::DotLine);
            p.setPen(dotted);
            p.setBrush(Qt::NoBrush);
            p.drawPath(curve(root, node));
            p.restore();
            p.setPen(QPen(Theme::ink3.color(), 1));
            p.setBrush(live[i] ? Theme::ink3.color() : Theme::well.color());
            p.drawEllipse(node, 3.5, 3.5);
            p.setPen(Qt::NoPen);
            p.setBrush(Theme::ruleStrong.color());
            p.drawRoundedRect(QRectF(node.x() + 12, node.y() - 4, 52 + 18 * ((i + 1) % 3), 8), 4, 4);
        }
        return;
    }

    const std::vector<Placed> placed = layoutAt(width(), false);
    for (std::size_t i = 0; i < m_stations.size(); ++i) {
        const RouteStation& station = m_stations[i];
        bool on = false;
        bool connected = false;
        for (const QUuid& id : station.shareIDs) {
            if (!m_profile.shareIDs.contains(id))
                continue;
            on = true;
            if (const ShareSpec* share = m_store.share(id))
                connected = connected || m_store.status(*share).kind == ShareStatus::Kind::connected;
        }
        const QColor tint = (!on ? Theme::ink3 : (m_active && connected ? Theme::sky : Theme::blue)).color();
        p.save();
        p.setClipRect(QRectF(0, 0, reach + 1, height()));
        p.setPen(QPen(tint, 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(curve(root, placed[i].node));
        p.restore();
        p.setPen(Qt::NoPen);
        p.setBrush(tint);
        p.drawEllipse(placed[i].node, 3.5, 3.5);
        p.setFont(Theme::Typo::address());
        p.setPen((on ? Theme::ink : Theme::ink3).color());
        p.drawText(placed[i].label, Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetrics(Theme::Typo::address()).elidedText(station.host, Qt::ElideMiddle, int(placed[i].label.width())));
    }
    p.setPen(QPen(Theme::rule.color(), 1));
    p.drawPoint(root);
}

const QStringList& RoutePanel::symbols()
{
    static const QStringList names {QStringLiteral("building.2"), QStringLiteral("house"), QStringLiteral("lock.shield"),
        QStringLiteral("airplane"), QStringLiteral("cup.and.saucer"), QStringLiteral("film"), QStringLiteral("briefcase")};
    return names;
}

RoutePanel::RoutePanel(ShareStore& store, const Profile& profile, QWidget* parent)
    : QWidget(parent), m_store(store), m_profile(profile)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 12, 14, 14);
    column->setSpacing(10);

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    m_icon = new QToolButton(this);
    m_icon->setToolTip(QStringLiteral("Choose an icon"));
    m_icon->setPopupMode(QToolButton::InstantPopup);
    m_icon->setIconSize(QSize(18, 18));
    m_icon->setFixedSize(34, 30);
    m_icon->setCursor(Qt::PointingHandCursor);
    m_icon->setProperty("boxed", true);
    auto* menu = new QMenu(m_icon);
    const QStringList names {QStringLiteral("Office"), QStringLiteral("Home"), QStringLiteral("Shield"),
        QStringLiteral("Travel"), QStringLiteral("Café"), QStringLiteral("Studio"), QStringLiteral("Work")};
    for (qsizetype i = 0; i < symbols().size(); ++i) {
        const QString symbol = symbols()[i];
        QAction* choice = menu->addAction(Icons::icon(symbol, Theme::ink.color(), 16), names.value(i));
        choice->setData(symbol);
        choice->setCheckable(true);
        connect(choice, &QAction::triggered, this, [this, symbol] {
            Profile changed = m_profile;
            changed.symbol = symbol;
            m_store.updateProfile(changed);
        });
    }
    m_icon->setMenu(menu);
    top->addWidget(m_icon);

    m_name = new QLineEdit(this);
    m_name->setPlaceholderText(QStringLiteral("Name"));
    m_name->setFrame(false);
    m_name->setFont(Theme::Typo::heading());
    m_name->setProperty("plain", true);
    m_name->setMinimumWidth(120);
    m_name->setMaximumWidth(260);
    connect(m_name, &QLineEdit::editingFinished, this, [this] {
        if (!m_name->text().trimmed().isEmpty())
            m_store.renameProfile(m_profile.id, m_name->text());
        // The field still has focus, so the name as saved (trimmed, or the old one) is put back here.
        m_name->setText(m_profile.name);
    });
    top->addWidget(m_name);

    m_badge = new QLabel(QStringLiteral("ACTIVE"), this);
    QFont badge = Theme::Typo::kicker();
    badge.setLetterSpacing(QFont::AbsoluteSpacing, 1.1);
    m_badge->setFont(badge);
    m_badge->setStyleSheet(QStringLiteral("QLabel { color: %1; border: 1px solid %1; border-radius: 4px; padding: 1px 6px; }")
                               .arg(css(Theme::blue.color())));
    m_badge->setAccessibleName(QStringLiteral("Active"));
    top->addWidget(m_badge, 0, Qt::AlignVCenter);
    top->addStretch(1);

    m_action = Ui::button(QString(), QString(), false, this);
    connect(m_action, &QPushButton::clicked, this, [this] { m_store.activate(m_profile); });
    top->addWidget(m_action);
    m_delete = new QToolButton(this);
    m_delete->setIcon(Icons::icon(QStringLiteral("trash"), Theme::ink2.color(), 16));
    m_delete->setToolTip(QStringLiteral("Delete route"));
    m_delete->setAutoRaise(true);
    m_delete->setCursor(Qt::PointingHandCursor);
    m_delete->setFixedSize(30, 28);
    connect(m_delete, &QToolButton::clicked, this, [this] { confirmDelete(); });
    top->addWidget(m_delete);
    column->addLayout(top);

    m_ejectOthers = new QCheckBox(QStringLiteral("Eject lines not on this route"), this);
    m_ejectOthers->setFont(Theme::Typo::body());
    connect(m_ejectOthers, &QCheckBox::toggled, this, [this](bool on) {
        if (on == m_profile.unmountOthers)
            return;
        Profile changed = m_profile;
        changed.unmountOthers = on;
        m_store.updateProfile(changed);
    });
    column->addWidget(m_ejectOthers);
    m_networks = new RouteNetworks(store, profile.id, this);
    column->addWidget(m_networks);

    m_diagram = new RouteDiagram(store, this);
    column->addWidget(m_diagram);

    setProfile(profile, store.activeProfileID() == profile.id);
}

void RoutePanel::setProfile(const Profile& profile, bool active)
{
    m_profile = profile;
    m_active = active;
    m_icon->setIcon(Icons::icon(profile.symbol, (active ? Theme::blue : Theme::ink2).color(), 18));
    for (QAction* choice : m_icon->menu()->actions())
        choice->setChecked(choice->data().toString() == profile.symbol);
    // The field keeps what is being typed; the store's name arrives when typing ends.
    if (!m_name->hasFocus()) {
        m_name->setText(profile.name);
        // A name longer than the field reads from its start, whole in the tooltip.
        m_name->setCursorPosition(0);
        m_name->setToolTip(profile.name);
    }
    m_badge->setVisible(active);
    if (active) {
        m_action->setText(QStringLiteral("Reconnect"));
        m_action->setToolTip(QStringLiteral("Connect any line on this route that isn’t connected"));
    } else {
        // A long name would push the panel's other controls away; the button shows what fits.
        const QString text = QStringLiteral("Switch to ") + profile.name;
        const QString shown = m_action->fontMetrics().elidedText(text, Qt::ElideRight, 200);
        m_action->setText(shown);
        m_action->setToolTip(shown == text ? QString() : text);
    }
    const QSignalBlocker quiet(m_ejectOthers);
    m_ejectOthers->setChecked(profile.unmountOthers);
    m_diagram->setProfile(profile, active);
    update();
}

QMessageBox* RoutePanel::confirmDelete()
{
    if (m_confirmation)
        return m_confirmation;
    const Ui::Confirmation asked = Ui::confirm(this, QStringLiteral("Delete the “") + m_profile.name + QStringLiteral("” route?"),
        QStringLiteral("Only the route is removed. Its lines stay saved and connected."), QStringLiteral("Delete Route"));
    ShareStore* store = &m_store;
    const QUuid id = m_profile.id;
    // The panel goes away with its route, so the answer must not need it.
    connect(asked.action, &QPushButton::clicked, store, [store, id] { store->deleteProfile(id); });
    m_confirmation = asked.box;
    return asked.box;
}

void RoutePanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Theme::panel.color());
    p.setPen(QPen((m_active ? Theme::blue : Theme::rule).color(), 1));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), Theme::Radius::panel, Theme::Radius::panel);
}

RoutesPage::RoutesPage(ShareStore& store, QWidget* parent) : QWidget(parent), m_store(store)
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    m_header = new PageHeader(QStringLiteral("Routes"), QString(), this);
    m_newRoute = Ui::button(QStringLiteral("New Route"), QStringLiteral("plus"), true, this);
    m_newRoute->setToolTip(QStringLiteral("A route is a set of lines you connect together"));
    connect(m_newRoute, &QPushButton::clicked, this, [this] { m_store.addProfile(); });
    m_header->trailing()->addWidget(m_newRoute);
    page->addWidget(m_header);

    auto* scroll = m_scroll = new QScrollArea(this);

    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->viewport()->setAutoFillBackground(false);
    m_list = new QWidget(scroll);
    m_list->setAutoFillBackground(false);
    m_rows = new QVBoxLayout(m_list);
    m_rows->setContentsMargins(int(Theme::pageInset), 0, int(Theme::pageInset), 24);
    m_rows->setSpacing(14);

    m_empty = new QWidget(m_list);
    auto* empty = new QVBoxLayout(m_empty);
    empty->setContentsMargins(0, 40, 0, 0);
    empty->setSpacing(6);
    auto* symbol = new QLabel(m_empty);
    symbol->setPixmap(Icons::pixmap(QStringLiteral("building.2"), Theme::ink3.color(), 28, devicePixelRatioF()));
    symbol->setAlignment(Qt::AlignCenter);
    empty->addWidget(symbol);
    QLabel* title = Ui::label(QStringLiteral("No routes yet"), Theme::Typo::heading(), Theme::ink, m_empty);
    title->setAlignment(Qt::AlignCenter);
    empty->addWidget(title);
    QLabel* text = Ui::label(QStringLiteral("A route is a set of lines for one place — Office, Home, VPN.\nPick it in the "
                                            "menu bar and its lines connect together."),
        Theme::Typo::body(), Theme::ink2, m_empty, true);
    text->setAlignment(Qt::AlignCenter);
    empty->addWidget(text);
    QPushButton* create = Ui::button(QStringLiteral("Create a Route"), QString(), true, m_empty);
    connect(create, &QPushButton::clicked, this, [this] { m_store.addProfile(); });
    empty->addSpacing(6);
    empty->addWidget(create, 0, Qt::AlignHCenter);
    m_rows->addLayout(Ui::centred(m_empty, 320));
    m_rows->addStretch(1);
    scroll->setWidget(m_list);
    page->addWidget(scroll, 1);

    connect(&m_store, &ShareStore::profilesChanged, this, &RoutesPage::sync);
    connect(&m_store, &ShareStore::activeProfileIDChanged, this, &RoutesPage::sync);
    connect(&m_store, &ShareStore::sharesChanged, this, &RoutesPage::sync);
    // A line that connects or drops recolours its server on the active route's map.
    connect(&m_store, &ShareStore::runtimeChanged, this, [this] {
        for (RoutePanel* panel : std::as_const(m_panels))
            panel->diagram()->update();
    });
    sync();
    m_built = true;
}

QString RoutesPage::summary(const std::vector<Profile>& profiles, const std::optional<QUuid>& active)
{
    if (profiles.empty())
        return QStringLiteral("Sets of lines you connect in one go");
    const std::size_t n = profiles.size();
    QString text = QString::number(n) + QStringLiteral(" route") + (n == 1 ? QString() : QStringLiteral("s"));
    if (active) {
        const auto found = std::find_if(profiles.begin(), profiles.end(), [&](const Profile& p) { return p.id == *active; });
        if (found != profiles.end())
            text += QStringLiteral(" · active: ") + found->name;
    }
    return text;
}

QList<RoutePanel*> RoutesPage::panels() const
{
    QList<RoutePanel*> ordered;
    for (const Profile& profile : m_store.profiles()) {
        if (RoutePanel* panel = m_panels.value(profile.id))
            ordered << panel;
    }
    return ordered;
}

void RoutesPage::sync()
{
    const std::vector<Profile>& profiles = m_store.profiles();
    m_header->setSummary(summary(profiles, m_store.activeProfileID()));
    m_empty->setVisible(profiles.empty());

    QSet<QUuid> present;
    for (const Profile& profile : profiles)
        present.insert(profile.id);
    for (auto it = m_panels.begin(); it != m_panels.end();) {
        if (!present.contains(it.key())) {
            it.value()->deleteLater();
            it.value()->hide();
            it = m_panels.erase(it);
        } else {
            ++it;
        }
    }

    // Panels sit after the empty state, in the store's order.
    int at = 1;
    for (const Profile& profile : profiles) {
        const bool active = m_store.activeProfileID() == profile.id;
        RoutePanel* panel = m_panels.value(profile.id);
        if (!panel) {
            panel = new RoutePanel(m_store, profile, m_list);
            m_panels.insert(profile.id, panel);
            if (m_built) {
                // Where it lands may be below the visible part of the page.
                QTimer::singleShot(0, panel, [this, panel] {
                    m_scroll->verticalScrollBar()->setValue(panel->y() - int(Theme::Space::m));
                });
                // A new route fades in where it lands.
                auto* fade = new QGraphicsOpacityEffect(panel);
                panel->setGraphicsEffect(fade);
                auto* animation = new QPropertyAnimation(fade, "opacity", panel);
                animation->setDuration(180);
                animation->setStartValue(0.0);
                animation->setEndValue(1.0);
                connect(animation, &QPropertyAnimation::finished, panel, [panel] { panel->setGraphicsEffect(nullptr); });
                animation->start(QAbstractAnimation::DeleteWhenStopped);
            }
        } else {
            panel->setProfile(profile, active);
        }
        if (m_rows->indexOf(panel) != at) {
            m_rows->removeWidget(panel);
            m_rows->insertWidget(at, panel);
        }
        panel->show();
        ++at;
    }
}
