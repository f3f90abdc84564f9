#include "views/lines_page.h"

#include "store/fmt.h"
#include "store/share_store.h"
#include "views/board_line.h"
#include "views/controls.h"
#include "views/line_texts.h"
#include "views/signal_line.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The header's labels sit over the row's nodes and figures.
QWidget* boardHeader(QLabel*& span, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(int(Theme::pageInset), 0, int(Theme::pageInset), 0);
    row->setSpacing(14);
    auto* spacer = new QWidget(box);
    spacer->setFixedWidth(BoardLine::identityWidth);
    row->addWidget(spacer);
    auto* trace = new QHBoxLayout;
    trace->setSpacing(4);
    // Over a narrow trace the span in the middle gives way; the two ends always read whole.
    trace->addWidget(Ui::kicker(QStringLiteral("This computer"), box, Theme::ink3));
    trace->addStretch(1);
    QFont kickerFont = Theme::Typo::kicker();
    kickerFont.setLetterSpacing(QFont::AbsoluteSpacing, 1.1);
    span = Ui::elided(QString(), kickerFont, Theme::ink3, box);
    span->setAlignment(Qt::AlignCenter);
    span->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    trace->addWidget(span, 2);
    trace->addStretch(1);
    trace->addWidget(Ui::kicker(QStringLiteral("Server"), box, Theme::ink3));
    row->addLayout(trace, 1);
    QLabel* figures = Ui::kicker(QStringLiteral("Latency · Free"), box, Theme::ink3);
    figures->setFixedWidth(BoardLine::figuresWidth);
    row->addWidget(figures);
    auto* actions = new QWidget(box);
    actions->setFixedWidth(BoardLine::actionsWidth);
    row->addWidget(actions);
    column->addLayout(row);
    column->addWidget(Ui::hairline(box));
    return box;
}

} // namespace

LinesPage::LinesPage(ShareStore& store, QWidget* parent) : QWidget(parent), m_store(store)
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    m_header = new PageHeader(QStringLiteral("Lines"), QString(), this);
    QPushButton* connectAll = Ui::button(QStringLiteral("Connect All"), QStringLiteral("arrow.triangle.2.circlepath"));
    connectAll->setToolTip(QStringLiteral("Connect every saved share that isn’t mounted (Shift+Ctrl+K)"));
    connect(connectAll, &QPushButton::clicked, this, [this] { m_store.mountAll(); });
    QPushButton* add = Ui::button(QStringLiteral("Add Line"), QStringLiteral("plus"), true);
    add->setObjectName(QStringLiteral("addLine"));
    add->setToolTip(QStringLiteral("Add a file server share (Ctrl+N)"));
    connect(add, &QPushButton::clicked, this, [this] { m_store.openEditor(std::nullopt); });
    m_header->trailing()->addWidget(connectAll);
    m_header->trailing()->addWidget(add);
    page->addWidget(m_header);

    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    auto* content = new QWidget(scroll);
    content->setAutoFillBackground(false);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 24);
    column->setSpacing(0);

    m_board = new QWidget(content);
    auto* board = new QVBoxLayout(m_board);
    board->setContentsMargins(0, 0, 0, 0);
    board->setSpacing(0);
    board->addWidget(boardHeader(m_span, m_board));
    m_rowsLayout = new QVBoxLayout;
    m_rowsLayout->setSpacing(0);
    board->addLayout(m_rowsLayout);
    column->addWidget(m_board);

    m_empty = new QWidget(content);
    m_empty->setObjectName(QStringLiteral("emptyLines"));
    auto* empty = new QVBoxLayout(m_empty);
    empty->setContentsMargins(int(Theme::pageInset), 60, int(Theme::pageInset), 40);
    empty->setSpacing(10);
    QLabel* title = Ui::label(QStringLiteral("No lines yet"), Theme::Typo::title(), Theme::ink, m_empty);
    title->setAlignment(Qt::AlignCenter);
    QLabel* text = Ui::label(QStringLiteral("Add the file servers you use. Each one becomes a line from this computer "
                                            "to the server:\nMountwire keeps it connected and reconnects it after "
                                            "sleep or a network change."),
        Theme::Typo::body(), Theme::ink2, m_empty, true);
    text->setAlignment(Qt::AlignCenter);
    QPushButton* first = Ui::button(QStringLiteral("Add a Line…"), QString(), true, m_empty);
    connect(first, &QPushButton::clicked, this, [this] { m_store.openEditor(std::nullopt); });
    QLabel* note = Ui::label(QStringLiteral("Paste an address like smb://nas.local/Projects, or pick a server found "
                                            "on your network."),
        Theme::Typo::small(), Theme::ink3, m_empty, true);
    note->setAlignment(Qt::AlignCenter);
    empty->addWidget(title);
    empty->addLayout(Ui::centred(text, 620));
    empty->addWidget(first, 0, Qt::AlignHCenter);
    empty->addLayout(Ui::centred(note, 560));
    column->addWidget(m_empty);

    m_elsewhere = new QWidget(content);
    auto* elsewhere = new QVBoxLayout(m_elsewhere);
    elsewhere->setContentsMargins(int(Theme::pageInset), 28, int(Theme::pageInset), 0);
    elsewhere->setSpacing(6);
    elsewhere->addWidget(Ui::kicker(QStringLiteral("Mounted elsewhere"), m_elsewhere));
    elsewhere->addWidget(Ui::label(QStringLiteral("Connected by the file manager or another app. Mountwire only "
                                                  "watches these until you save one."),
        Theme::Typo::small(), Theme::ink3, m_elsewhere, true));
    m_elsewhereRows = new QVBoxLayout;
    m_elsewhereRows->setSpacing(4);
    elsewhere->addLayout(m_elsewhereRows);
    column->addWidget(m_elsewhere);
    column->addStretch(1);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    page->addWidget(scroll, 1);

    connect(&m_store, &ShareStore::sharesChanged, this, [this] {
        rebuildRows();
        refreshSummary();
    });
    connect(&m_store, &ShareStore::runtimeChanged, this, [this](const QUuid& id) {
        if (BoardLine* line = m_rows.value(id))
            line->refresh();
        refreshSummary();
    });
    connect(&m_store, &ShareStore::serversChanged, this, [this] {
        for (BoardLine* line : std::as_const(m_rows))
            line->refresh();
    });
    connect(&m_store, &ShareStore::activeProfileIDChanged, this, &LinesPage::refreshSummary);
    connect(&m_store, &ShareStore::profilesChanged, this, &LinesPage::refreshSummary);
    connect(&m_store, &ShareStore::otherVolumesChanged, this, &LinesPage::rebuildElsewhere);
    // Countdowns of waiting lines move on between store changes.
    m_clock = new QTimer(this);
    m_clock->start(1000);
    connect(m_clock, &QTimer::timeout, this, [this] {
        if (!isVisible())
            return;
        for (BoardLine* line : std::as_const(m_rows))
            line->refreshCaption();
    });
    rebuildRows();
    rebuildElsewhere();
    refreshSummary();
}

QList<BoardLine*> LinesPage::rows() const
{
    QList<BoardLine*> ordered;
    for (const ShareSpec& share : m_store.shares()) {
        if (BoardLine* line = m_rows.value(share.id))
            ordered.append(line);
    }
    return ordered;
}

void LinesPage::rebuildRows()
{
    QSet<QUuid> ids;
    for (const ShareSpec& share : m_store.shares())
        ids.insert(share.id);
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (ids.contains(it.key())) {
            ++it;
            continue;
        }
        it.value()->hide();
        it.value()->deleteLater();
        it = m_rows.erase(it);
    }
    while (QLayoutItem* item = m_rowsLayout->takeAt(0)) {
        if (item->widget() && item->widget()->objectName() == QStringLiteral("rowRule"))
            item->widget()->deleteLater();
        delete item;
    }
    bool first = true;
    for (const ShareSpec& share : m_store.shares()) {
        BoardLine* line = m_rows.value(share.id);
        if (!line) {
            line = new BoardLine(m_store, share.id, m_board);
            m_rows.insert(share.id, line);
        } else {
            line->refresh();
        }
        if (!first) {
            QWidget* rule = Ui::hairline(m_board);
            rule->setObjectName(QStringLiteral("rowRule"));
            m_rowsLayout->addWidget(rule);
        }
        first = false;
        m_rowsLayout->addWidget(line);
    }
    const bool none = m_store.shares().empty();
    m_board->setVisible(!none);
    m_empty->setVisible(none);
    m_span->setText(QStringLiteral("LAST ") + Fmt::span(m_store.probeInterval() * 40).toUpper());
}

void LinesPage::rebuildElsewhere()
{
    while (QLayoutItem* item = m_elsewhereRows->takeAt(0)) {
        if (item->widget())
            item->widget()->deleteLater();
        delete item;
    }
    for (const MountedVolume& volume : m_store.otherVolumes()) {
        auto* row = new QWidget(m_elsewhere);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 4, 0, 4);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(1);
        texts->addWidget(Ui::elided(volume.displayName(), Theme::Typo::bodyStrong(), Theme::ink, row));
        texts->addWidget(Ui::elided(volume.from, Theme::Typo::address(), Theme::ink3, row, Qt::ElideMiddle));
        layout->addLayout(texts, 1);
        QPushButton* open = Ui::button(QStringLiteral("Open"), QString(), false, row);
        const QString mountPoint = volume.mountPoint;
        connect(open, &QPushButton::clicked, this, [this, mountPoint] { m_store.openFolder(mountPoint); });
        QPushButton* save = Ui::button(QStringLiteral("Save to Mountwire"), QString(), false, row);
        save->setObjectName(QStringLiteral("saveVolume"));
        const MountedVolume copy = volume;
        connect(save, &QPushButton::clicked, this, [this, copy] { m_store.save(copy); });
        layout->addWidget(open);
        layout->addWidget(save);
        m_elsewhereRows->addWidget(row);
    }
    m_elsewhere->setVisible(!m_store.otherVolumes().empty());
}

void LinesPage::refreshSummary()
{
    m_header->setSummary(LineTexts::boardSummary(m_store));
}
