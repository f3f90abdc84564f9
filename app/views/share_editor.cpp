#include "views/share_editor.h"

#include "services/keychain.h"
#include "services/server_browser.h"
#include "store/share_store.h"
#include "views/controls.h"
#include "views/icons.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLineEdit* field(const QString& placeholder, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setPlaceholderText(placeholder);
    edit->setFont(Theme::Typo::body());
    return edit;
}

QCheckBox* toggle(const QString& text, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setFont(Theme::Typo::body());
    return box;
}

// One server found on the network: its name, and its protocol in a tag at the right.
class StationRow : public QAbstractButton {
public:
    StationRow(const DiscoveredServer& server, QWidget* parent) : QAbstractButton(parent), m_server(server)
    {
        setCursor(Qt::PointingHandCursor);
        setToolTip(server.host ? *server.host : server.name + QStringLiteral(".local"));
        setFixedHeight(30);
        setAttribute(Qt::WA_Hover);
    }

    const DiscoveredServer& server() const { return m_server; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        if (underMouse() || isDown()) {
            p.setPen(Qt::NoPen);
            p.setBrush(Theme::wash.color());
            p.drawRoundedRect(box, Theme::Radius::control, Theme::Radius::control);
        }
        const QString tag = label(m_server.proto);
        const QFontMetrics tagMetrics(Theme::Typo::kicker());
        const int tagWidth = tagMetrics.horizontalAdvance(tag) + 10;
        const QRectF tagBox(width() - 8 - tagWidth, (height() - tagMetrics.height() - 4) / 2.0, tagWidth,
            tagMetrics.height() + 4);
        p.setPen(QPen(Theme::rule.color(), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(tagBox, Theme::Radius::tag, Theme::Radius::tag);
        p.setFont(Theme::Typo::kicker());
        p.setPen(Theme::ink2.color());
        p.drawText(tagBox, Qt::AlignCenter, tag);

        p.drawPixmap(QPointF(8, (height() - 14) / 2.0),
            Icons::pixmap(QStringLiteral("folder"), Theme::ink2.color(), 14, devicePixelRatioF()));
        p.setFont(Theme::Typo::body());
        p.setPen(Theme::ink.color());
        const QRect text(28, 0, int(tagBox.left()) - 36, height());
        p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
            QFontMetrics(Theme::Typo::body()).elidedText(m_server.name, Qt::ElideRight, text.width()));
        Ui::paintFocus(p, this, QRectF(rect()), Theme::Radius::control);
    }

private:
    DiscoveredServer m_server;
};

// A part's value, cut short in the middle when its cell is too narrow, so host and share ends stay readable.
ElidedLabel* cellValue(QWidget* parent)
{
    ElidedLabel* value = Ui::elided(QString(), Theme::Typo::address(), Theme::ink, parent, Qt::ElideMiddle);
    value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    value->setMinimumWidth(24);
    return value;
}

const QString addressHint = QStringLiteral("Paste or type smb://, afp://, nfs://, https:// (WebDAV) or \\\\server\\share");

} // namespace

ShareEditor::ShareEditor(ShareStore& store, ServerBrowser* browser, Keychain& keychain, ShareEditorRequest request,
    QWidget* parent)
    : QDialog(parent), m_store(store), m_browser(browser), m_request(std::move(request)), m_original(m_request.spec)
{
    setWindowTitle(m_original ? QStringLiteral("Edit Line") : QStringLiteral("Add a Line"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(740, 520);
    setPalette(Ui::palette());
    setAutoFillBackground(true);
    if (m_original)
        m_draft = ShareDraft::editing(*m_original);

    auto* sheet = new QVBoxLayout(this);
    sheet->setContentsMargins(24, 20, 24, 16);
    sheet->setSpacing(12);
    sheet->addWidget(Ui::label(windowTitle(), Theme::Typo::title(), Theme::ink, this));

    auto* columns = new QHBoxLayout;
    columns->setSpacing(24);
    sheet->addLayout(columns, 1);

    // Left: the address and everything read from it, then the line's own settings.
    auto* form = new QVBoxLayout;
    form->setSpacing(6);
    columns->addLayout(form, 1);

    form->addWidget(Ui::kicker(QStringLiteral("Address"), this));
    auto* addressRow = new QHBoxLayout;
    addressRow->setSpacing(6);
    m_address = field(QStringLiteral("smb://user@server/share"), this);
    m_address->setObjectName(QStringLiteral("address"));
    m_address->setFont(Theme::Typo::monospaced(13));
    m_address->setMinimumHeight(32);
    addressRow->addWidget(m_address, 1);
    m_clear = new QToolButton(this);
    m_clear->setIcon(Icons::icon(QStringLiteral("xmark.circle.fill"), Theme::ink3.color(), 16));
    m_clear->setToolTip(QStringLiteral("Clear the address"));
    m_clear->setAutoRaise(true);
    m_clear->setCursor(Qt::PointingHandCursor);
    m_clear->setFocusPolicy(Qt::NoFocus);
    connect(m_clear, &QToolButton::clicked, this, [this] { m_address->clear(); });
    addressRow->addWidget(m_clear);
    form->addLayout(addressRow);

    m_parts = new QStackedWidget(this);
    m_hint = Ui::label(addressHint, Theme::Typo::small(), Theme::ink3, m_parts, true);
    m_hint->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_parts->addWidget(m_hint);
    auto* cellsBox = new QWidget(m_parts);
    auto* cells = new QHBoxLayout(cellsBox);
    cells->setContentsMargins(0, 0, 0, 0);
    cells->setSpacing(10);
    for (const char* name : {"Proto", "Server", "Share", "Port", "User"}) {
        auto* cell = new QVBoxLayout;
        cell->setSpacing(2);
        QLabel* key = Ui::kicker(QString::fromLatin1(name), cellsBox);
        QLabel* value = cellValue(cellsBox);
        cell->addWidget(key);
        cell->addWidget(value);
        const bool wide = QLatin1String(name) == QLatin1String("Server") || QLatin1String(name) == QLatin1String("Share");
        cells->addLayout(cell, wide ? 3 : 0);
        m_cells.emplace_back(key, value);
    }
    m_parts->addWidget(cellsBox);
    m_parts->setFixedHeight(38);
    form->addWidget(m_parts);

    auto* verdictRow = new QHBoxLayout;
    verdictRow->setSpacing(6);
    m_verdictIcon = new QLabel(this);
    m_verdictIcon->setFixedSize(14, 14);
    verdictRow->addWidget(m_verdictIcon);
    m_verdict = Ui::elided(QString(), Theme::Typo::bodyStrong(), Theme::ink2, this);
    m_verdict->setObjectName(QStringLiteral("verdict"));
    verdictRow->addWidget(m_verdict, 1);
    form->addLayout(verdictRow);
    form->addSpacing(6);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);
    form->addLayout(grid);
    auto rowLabel = [this](const QString& text) {
        QLabel* l = Ui::label(text, Theme::Typo::body(), Theme::ink2, this);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };

    grid->addWidget(rowLabel(QStringLiteral("Protocol")), 0, 0);
    auto* switchRow = new QHBoxLayout;
    switchRow->setSpacing(0);
    m_protocols = new QButtonGroup(this);
    m_protocols->setExclusive(false);
    const auto& protos = allShareProtocols();
    for (std::size_t i = 0; i < protos.size(); ++i) {
        auto* b = new QToolButton(this);
        b->setText(label(protos[i]));
        b->setCheckable(true);
        b->setFont(Theme::Typo::small());
        b->setCursor(Qt::PointingHandCursor);
        b->setFocusPolicy(Qt::TabFocus);
        const bool first = i == 0;
        const bool last = i + 1 == protos.size();
        b->setProperty("segment", first ? "first" : last ? "last" : "middle");
        m_protocols->addButton(b, int(i));
        switchRow->addWidget(b);
    }
    switchRow->addStretch(1);
    connect(m_protocols, &QButtonGroup::idClicked, this,
        [this](int id) { switchProtocol(allShareProtocols()[std::size_t(id)]); });
    grid->addLayout(switchRow, 0, 1);

    grid->addWidget(rowLabel(QStringLiteral("Name")), 1, 0);
    m_name = field(QStringLiteral("Shown on the board"), this);
    m_name->setObjectName(QStringLiteral("name"));
    m_name->setText(m_draft.name);
    connect(m_name, &QLineEdit::textChanged, this, [this](const QString& text) { m_draft.name = text; });
    grid->addWidget(m_name, 1, 1);

    grid->addWidget(rowLabel(QStringLiteral("Password")), 2, 0);
    m_password = field(QString(), this);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    grid->addWidget(m_password, 2, 1);
    m_askEveryTime = toggle(QStringLiteral("Ask for the password every time"), this);
    m_askEveryTime->setChecked(m_draft.askEveryTime);
    connect(m_askEveryTime, &QCheckBox::toggled, this, [this](bool on) {
        m_draft.askEveryTime = on;
        refreshPassword();
    });
    grid->addWidget(m_askEveryTime, 3, 1);
    m_passwordNote = Ui::label(QString(), Theme::Typo::small(), Theme::ink2, this, true);
    grid->addWidget(m_passwordNote, 4, 1);

    m_keepConnected = toggle(QStringLiteral("Keep connected"), this);
    m_keepConnected->setChecked(m_draft.keepConnected);
    connect(m_keepConnected, &QCheckBox::toggled, this, [this](bool on) { m_draft.keepConnected = on; });
    grid->addWidget(m_keepConnected, 5, 1);
    grid->addWidget(Ui::label(QStringLiteral("Reconnects when the server comes back, after sleep, or when you change networks."),
                        Theme::Typo::small(), Theme::ink2, this, true),
        6, 1);
    grid->setColumnStretch(1, 1);
    form->addStretch(1);

    // Right: the stations on this network.
    auto* stations = new QWidget(this);
    stations->setFixedWidth(232);
    stations->setAutoFillBackground(true);
    QPalette well = stations->palette();
    well.setColor(QPalette::Window, Theme::well.color());
    stations->setPalette(well);
    auto* stationColumn = new QVBoxLayout(stations);
    stationColumn->setContentsMargins(12, 12, 12, 12);
    stationColumn->setSpacing(8);
    stationColumn->addWidget(Ui::kicker(QStringLiteral("On this network"), stations));
    auto* scroll = new QScrollArea(stations);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->viewport()->setAutoFillBackground(false);
    auto* list = new QWidget(scroll);
    list->setAutoFillBackground(false);
    m_stationRows = new QVBoxLayout(list);
    m_stationRows->setContentsMargins(0, 0, 0, 0);
    m_stationRows->setSpacing(2);
    m_stationsNote = Ui::label(QString(), Theme::Typo::small(), Theme::ink3, list, true);
    m_stationRows->addWidget(m_stationsNote);
    m_stationRows->addStretch(1);
    scroll->setWidget(list);
    stationColumn->addWidget(scroll, 1);
    stationColumn->addWidget(Ui::label(QStringLiteral("Pick a station to fill in its address, then type the share name."),
        Theme::Typo::small(), Theme::ink2, stations, true));
    columns->addWidget(stations);

    sheet->addWidget(Ui::hairline(this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cancel = Ui::button(QStringLiteral("Cancel"), QString(), false, this);
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(m_cancel);
    m_save = Ui::button(QStringLiteral("Save && Connect"), QString(), true, this);
    m_save->setToolTip(QStringLiteral("Save this line and connect it now (Return)"));
    m_save->setDefault(true);
    connect(m_save, &QPushButton::clicked, this, [this] { commit(true); });
    buttons->addWidget(m_save);
    sheet->addLayout(buttons);

    connect(m_address, &QLineEdit::textChanged, this, &ShareEditor::addressChanged);
    m_address->setText(m_draft.address);
    addressChanged(m_address->text());
    refreshPassword();

    if (m_browser) {
        connect(m_browser, &ServerBrowser::serversChanged, this, &ShareEditor::refreshStations);
        connect(m_browser, &ServerBrowser::isBrowsingChanged, this, &ShareEditor::refreshStations);
    }
    refreshStations();

    if (m_original) {
        QPointer<ShareEditor> self(this);
        keychain.hasPassword(*m_original, [self](bool has) {
            if (!self)
                return;
            self->m_hadPassword = has;
            self->refreshPassword();
        });
    }
}

ShareEditor::~ShareEditor()
{
    finish();
}

void ShareEditor::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_address->setFocus();
    if (m_browser && !m_browser->isBrowsing())
        m_browser->start();
}

void ShareEditor::done(int result)
{
    finish();
    QDialog::done(result);
}

void ShareEditor::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_browser)
        m_browser->stop();
    // A newer request may have replaced this one meanwhile; that one stays open.
    if (m_store.editor() && m_store.editor()->id == m_request.id)
        m_store.setEditor(std::nullopt);
}

void ShareEditor::commit(bool connect)
{
    const std::optional<ShareSpec> spec = m_draft.spec(m_original ? m_original->id : QUuid::createUuid());
    if (!spec)
        return;
    const std::optional<QString> password
        = m_draft.askEveryTime ? std::nullopt : std::optional<QString>(m_password->text());
    ShareStore* store = &m_store;
    store->upsert(*spec, password);
    accept();
    if (connect)
        QTimer::singleShot(200, store, [store, saved = *spec] { store->mount(saved); });
}

void ShareEditor::switchProtocol(ShareProtocol proto)
{
    m_address->setText(ShareAddress::replacingScheme(m_address->text(), proto));
}

QString ShareEditor::stationAddress(const QString& current, const DiscoveredServer& server)
{
    QString user;
    QString path;
    const ShareAddress::Parsed parsed = ShareAddress::parse(current);
    if (const auto* typed = std::get_if<ShareAddress>(&parsed)) {
        user = typed->user;
        path = typed->path;
    }
    QString text = urlScheme(server.proto) + QStringLiteral("://");
    if (!user.isEmpty() && supportsUser(server.proto))
        text += user + u'@';
    text += ShareAddress::bracketed(server.host ? *server.host : server.name + QStringLiteral(".local"));
    if (server.port && *server.port != defaultPort(server.proto))
        text += u':' + QString::number(*server.port);
    return text + u'/' + path;
}

void ShareEditor::pick(const DiscoveredServer& server)
{
    m_address->setText(stationAddress(m_address->text(), server));
    m_address->setFocus();
    m_address->end(false);
}

void ShareEditor::addressChanged(const QString& text)
{
    m_draft.address = text;
    m_clear->setVisible(!text.isEmpty());
    refreshVerdict();
    refreshPassword();
}

void ShareEditor::refreshVerdict()
{
    const bool empty = m_draft.address.trimmed().isEmpty();
    m_parts->setCurrentIndex(empty ? 0 : 1);
    const ShareAddress::Parsed parsed = m_draft.parsed();
    const auto* address = std::get_if<ShareAddress>(&parsed);

    const QString dash = QStringLiteral("—");
    QString shareLabel = QStringLiteral("Share");
    if (address && address->proto == ShareProtocol::nfs)
        shareLabel = QStringLiteral("Export");
    else if (address && (address->proto == ShareProtocol::webdav || address->proto == ShareProtocol::webdavs))
        shareLabel = QStringLiteral("Path");
    QString user = dash;
    if (address && supportsUser(address->proto))
        user = address->user.isEmpty() ? QStringLiteral("guest") : address->user;
    const QString values[] = {
        address ? label(address->proto) : dash,
        address ? ShareAddress::bracketed(address->host) : dash,
        address && !address->path.isEmpty() ? address->path : dash,
        address ? QString::number(address->port.value_or(defaultPort(address->proto))) : dash,
        user,
    };
    m_cells[2].first->setText(shareLabel.toUpper());
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        m_cells[i].second->setText(values[i]);
        // The short cells show their whole value; the server and the share give way instead.
        const bool wide = i == 1 || i == 2;
        const int need = m_cells[i].second->fontMetrics().horizontalAdvance(values[i]) + 2;
        m_cells[i].second->setMinimumWidth(wide ? 24 : std::min(need, 120));
    }

    const ShareDraft::Verdict verdict = m_draft.verdict();
    const bool ready = verdict.kind == ShareDraft::Verdict::Kind::ready;
    m_verdict->setVisible(!empty);
    m_verdictIcon->setVisible(!empty);
    m_verdict->setText(ready ? QStringLiteral("Ready to save") : verdict.message);
    Ui::setColor(m_verdict, ready ? Theme::blue : Theme::amber);
    m_verdictIcon->setPixmap(Icons::pixmap(ready ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("info.circle"),
        (ready ? Theme::blue : Theme::amber).color(), 14, devicePixelRatioF()));
    m_save->setEnabled(ready);

    for (QAbstractButton* b : m_protocols->buttons())
        b->setChecked(address && allShareProtocols()[std::size_t(m_protocols->id(b))] == address->proto);
}

void ShareEditor::refreshPassword()
{
    m_password->setEnabled(!m_draft.askEveryTime);
    if (m_draft.askEveryTime)
        m_password->setPlaceholderText(QStringLiteral("Asked when connecting"));
    else if (m_hadPassword)
        m_password->setPlaceholderText(QStringLiteral("Saved in the password store"));
    else
        m_password->setPlaceholderText(QStringLiteral("Optional"));
    const ShareAddress::Parsed parsed = m_draft.parsed();
    const auto* address = std::get_if<ShareAddress>(&parsed);
    m_passwordNote->setText(address && address->hadPassword
            ? QStringLiteral("The password in the address isn’t kept there; type it above to save it in your password store.")
            : QStringLiteral("Passwords are stored in your password store, never in Mountwire’s files."));
}

void ShareEditor::refreshStations()
{
    while (m_stationRows->count() > 2) {
        QLayoutItem* item = m_stationRows->takeAt(1);
        delete item->widget();
        delete item;
    }
    const std::vector<DiscoveredServer> found = m_browser ? m_browser->servers() : std::vector<DiscoveredServer> {};
    if (found.empty()) {
        m_stationsNote->setText(m_browser && m_browser->isBrowsing()
                ? QStringLiteral("Listening for file servers…")
                : QStringLiteral("No servers are advertising file sharing here."));
        m_stationsNote->show();
        return;
    }
    m_stationsNote->hide();
    int at = 1;
    for (const DiscoveredServer& server : found) {
        auto* row = new StationRow(server, m_stationRows->parentWidget());
        connect(row, &QAbstractButton::clicked, this, [this, server] { pick(server); });
        m_stationRows->insertWidget(at++, row);
    }
}

QString ShareEditor::verdictText() const
{
    return m_parts->currentIndex() == 0 ? m_hint->text() : m_verdict->text();
}

QString ShareEditor::passwordNote() const
{
    return m_passwordNote->text();
}

std::vector<std::pair<QString, QString>> ShareEditor::cells() const
{
    std::vector<std::pair<QString, QString>> out;
    if (m_parts->currentIndex() == 0)
        return out;
    for (const auto& [key, value] : m_cells) {
        QString name = key->text().toLower();
        name[0] = name[0].toUpper();
        out.emplace_back(name, value->text());
    }
    return out;
}

std::optional<ShareProtocol> ShareEditor::switchedProtocol() const
{
    for (QAbstractButton* b : m_protocols->buttons()) {
        if (b->isChecked())
            return allShareProtocols()[std::size_t(m_protocols->id(b))];
    }
    return std::nullopt;
}

QStringList ShareEditor::stationNames() const
{
    QStringList names;
    for (int i = 0; i < m_stationRows->count(); ++i) {
        if (auto* row = dynamic_cast<StationRow*>(m_stationRows->itemAt(i)->widget()))
            names << row->server().name;
    }
    return names;
}

QString ShareEditor::stationsNote() const
{
    return m_stationsNote->isHidden() ? QString() : m_stationsNote->text();
}
