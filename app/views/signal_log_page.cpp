#include "views/signal_log_page.h"

#include "store/fmt.h"
#include "store/share_store.h"
#include "views/controls.h"
#include "views/tab_strip.h"

#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimeZone>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int gutter = 34; // the timeline's column
constexpr int timeColumn = 96;

int retentionDays(const ShareStore& store)
{
    const std::optional<double> age = store.retention().maxAge;
    return age ? int(std::lround(*age / 86400.0)) : 0;
}

QWidget* emptyState(QLabel*& title, QLabel*& text, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(int(Theme::pageInset), 48, int(Theme::pageInset), 48);
    column->setSpacing(6);
    column->addStretch(1);
    title = Ui::label(QString(), Theme::Typo::heading(), Theme::ink, box);
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);
    text = Ui::label(QString(), Theme::Typo::body(), Theme::ink2, box, true);
    text->setAlignment(Qt::AlignCenter);
    column->addWidget(text);
    return box;
}

} // namespace

LogRow::LogRow(const ShareStore& store, ActivityEvent event, bool first, bool last, QWidget* parent)
    : QWidget(parent), m_store(store), m_event(std::move(event)), m_first(first), m_last(last)
{
    setFixedHeight(sizeHint().height());
    setToolTip(m_event.message);
}

QString LogRow::kindTitle(ActivityEvent::Kind kind)
{
    using Kind = ActivityEvent::Kind;
    switch (kind) {
    case Kind::mounted:
        return QStringLiteral("Connected");
    case Kind::unmounted:
        return QStringLiteral("Ejected");
    case Kind::dropped:
        return QStringLiteral("Dropped");
    case Kind::recovered:
        return QStringLiteral("Recovered");
    case Kind::failed:
        return QStringLiteral("Failed");
    case Kind::serverDown:
        return QStringLiteral("Server down");
    case Kind::serverUp:
        return QStringLiteral("Server back");
    case Kind::profile:
        return QStringLiteral("Route");
    case Kind::info:
        break;
    }
    return QStringLiteral("Note");
}

QString LogRow::title() const
{
    return m_event.shareName && !m_event.shareName->isEmpty() ? *m_event.shareName : kindTitle(m_event.kind);
}

QString LogRow::time() const
{
    return Fmt::relative(m_event.date, m_store.now());
}

void LogRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double x = gutter / 2.0;
    const double y = height() / 2.0;
    p.setPen(QPen(Theme::rule.color(), 1));
    p.drawLine(QPointF(x, m_first ? y : 0), QPointF(x, m_last ? y : height()));

    const SignalLog::Marker marker = SignalLog::marker(m_event.kind);
    const Theme::DynamicColor tint = marker == SignalLog::Marker::drop ? Theme::red
        : marker == SignalLog::Marker::recover                         ? Theme::blue
                                                                       : Theme::ink3;
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::paper.color());
    p.drawEllipse(QPointF(x, y), 9, 9);
    QFont glyphFont = Theme::Typo::system(marker == SignalLog::Marker::info ? 16 : 9, QFont::Bold);
    p.setFont(glyphFont);
    p.setPen(tint.color());
    p.drawText(QRectF(x - 9, y - 9, 18, 18), Qt::AlignCenter, SignalLog::glyph(marker));

    const int left = gutter + 8;
    const int textWidth = width() - left - timeColumn - 8;
    const QFont titleFont = Theme::Typo::bodyStrong();
    const QFont messageFont = Theme::Typo::small();
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics messageMetrics(messageFont);
    const int block = titleMetrics.height() + 1 + messageMetrics.height();
    const int top = (height() - block) / 2;
    p.setFont(titleFont);
    p.setPen(Theme::ink.color());
    p.drawText(QRect(left, top, textWidth, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        titleMetrics.elidedText(title(), Qt::ElideRight, textWidth));
    p.setFont(messageFont);
    p.setPen(Theme::ink2.color());
    p.drawText(QRect(left, top + titleMetrics.height() + 1, textWidth, messageMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter, messageMetrics.elidedText(m_event.message, Qt::ElideRight, textWidth));

    p.setFont(Theme::Typo::time());
    p.setPen(Theme::ink2.color());
    p.drawText(QRect(width() - timeColumn, 0, timeColumn, height()), Qt::AlignRight | Qt::AlignVCenter, time());
}

SignalLogPage::SignalLogPage(ShareStore& store, QWidget* parent) : QWidget(parent), m_store(store)
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    m_header = new PageHeader(QStringLiteral("Signal Log"), QString(), this);
    m_clear = Ui::button(QStringLiteral("Clear…"), QString(), false, this);
    m_clear->setToolTip(QStringLiteral("Remove every entry from the signal log"));
    connect(m_clear, &QPushButton::clicked, this, [this] { confirmClear(); });
    m_header->trailing()->addWidget(m_clear);
    page->addWidget(m_header);

    auto* tabsRow = new QHBoxLayout;
    tabsRow->setContentsMargins(int(Theme::pageInset), 0, int(Theme::pageInset), 0);
    m_tabs = new TabStrip(this);
    QStringList labels;
    for (SignalLog::Filter f : SignalLog::allFilters())
        labels << SignalLog::toRaw(f);
    m_tabs->setItems(labels);
    connect(m_tabs, &TabStrip::selectionChanged, this,
        [this](int index) { setFilter(SignalLog::allFilters()[std::size_t(index)]); });
    tabsRow->addWidget(m_tabs);
    tabsRow->addStretch(1);
    page->addLayout(tabsRow);
    page->addWidget(Ui::hairline(this));

    m_content = new QStackedWidget(this);
    m_content->addWidget(emptyState(m_emptyTitle, m_emptyText, m_content));
    m_emptyTitle->setText(QStringLiteral("Nothing logged yet"));
    m_emptyText->setText(QStringLiteral("Connections, drops and recoveries are written here as they happen."));

    QWidget* filtered = emptyState(m_filteredTitle, m_filteredText, m_content);
    m_showEverything = Ui::button(QStringLiteral("Show Everything"), QString(), false, filtered);
    connect(m_showEverything, &QPushButton::clicked, this, [this] { setFilter(SignalLog::Filter::all); });
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_showEverything);
    buttonRow->addStretch(1);
    auto* filteredColumn = static_cast<QVBoxLayout*>(filtered->layout());
    filteredColumn->addSpacing(8);
    filteredColumn->addLayout(buttonRow);
    filteredColumn->addStretch(2);
    static_cast<QVBoxLayout*>(m_content->widget(0)->layout())->addStretch(2);
    m_content->addWidget(filtered);

    auto* scroll = new QScrollArea(m_content);

    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->viewport()->setAutoFillBackground(false);
    m_list = new QWidget(scroll);
    m_list->setAutoFillBackground(false);
    m_days = new QVBoxLayout(m_list);
    m_days->setContentsMargins(int(Theme::pageInset), 8, int(Theme::pageInset), 24);
    m_days->setSpacing(0);
    m_days->addStretch(1);
    scroll->setWidget(m_list);
    m_content->addWidget(scroll);
    page->addWidget(m_content, 1);

    connect(&m_store, &ShareStore::eventsChanged, this, &SignalLogPage::rebuild);
    // Relative times ("5 min. ago") move on while the page is open.
    m_clock = new QTimer(this);
    m_clock->setInterval(30000);
    connect(m_clock, &QTimer::timeout, this, [this] {
        for (const auto& section : std::as_const(m_sections)) {
            for (LogRow* row : section.second)
                row->update();
        }
    });
    m_clock->start();
    rebuild();
}

void SignalLogPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The retention may have changed in the settings meanwhile.
    refreshSummary();
}

QString SignalLogPage::summary(const SignalLog::Counts& counts, int retentionDays)
{
    return QString::number(counts.drops) + QStringLiteral(" drop") + (counts.drops == 1 ? QString() : QStringLiteral("s"))
        + QStringLiteral(" · ") + QString::number(counts.recoveries) + QStringLiteral(" recover")
        + (counts.recoveries == 1 ? QStringLiteral("y") : QStringLiteral("ies")) + QStringLiteral(" · kept ")
        + (retentionDays < 1 ? QStringLiteral("always") : QString::number(retentionDays) + QStringLiteral(" days"));
}

QString SignalLogPage::dayTitle(const QDate& day, const QDate& today)
{
    const QString date = QLocale().toString(day, QStringLiteral("ddd, MMM d"));
    if (day == today)
        return QStringLiteral("Today · ") + date;
    if (day == today.addDays(-1))
        return QStringLiteral("Yesterday · ") + date;
    return date;
}

void SignalLogPage::refreshSummary()
{
    m_header->setSummary(summary(SignalLog::counts(m_store.events()), retentionDays(m_store)));
}

void SignalLogPage::setFilter(SignalLog::Filter filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    const auto& all = SignalLog::allFilters();
    m_tabs->setSelection(int(std::find(all.begin(), all.end(), filter) - all.begin()));
    rebuild();
}

void SignalLogPage::rebuild()
{
    const std::vector<ActivityEvent>& events = m_store.events();
    refreshSummary();
    m_clear->setEnabled(!events.empty());

    std::vector<std::optional<int>> counts;
    for (SignalLog::Filter f : SignalLog::allFilters())
        counts.push_back(int(std::count_if(
            events.begin(), events.end(), [f](const ActivityEvent& e) { return SignalLog::includes(f, e.kind); })));
    m_tabs->setCounts(counts);

    for (auto& section : m_sections) {
        delete section.first;
        qDeleteAll(section.second);
    }
    m_sections.clear();

    std::vector<ActivityEvent> passing;
    std::copy_if(events.begin(), events.end(), std::back_inserter(passing),
        [this](const ActivityEvent& e) { return SignalLog::includes(m_filter, e.kind); });

    if (events.empty()) {
        m_content->setCurrentIndex(0);
        return;
    }
    if (passing.empty()) {
        const QString name = SignalLog::toRaw(m_filter).toLower();
        m_filteredTitle->setText(QStringLiteral("No ") + name);
        switch (m_filter) {
        case SignalLog::Filter::drops:
            m_filteredText->setText(QStringLiteral("No line has dropped. Nice and steady."));
            break;
        case SignalLog::Filter::recoveries:
            m_filteredText->setText(QStringLiteral("No line has connected or come back yet."));
            break;
        case SignalLog::Filter::changes:
        case SignalLog::Filter::all:
            m_filteredText->setText(QStringLiteral("No connections, ejects, route switches or notes yet."));
            break;
        }
        m_content->setCurrentIndex(1);
        return;
    }
    m_content->setCurrentIndex(2);

    const QDate today = m_store.now().toLocalTime().date();
    int at = 0;
    for (const SignalLog::Day& day : SignalLog::byDay(passing, QTimeZone::systemTimeZone())) {
        QLabel* kicker = Ui::kicker(dayTitle(day.start.toLocalTime().date(), today), m_list);
        kicker->setContentsMargins(0, at ? 18 : 8, 0, 6);
        m_days->insertWidget(at++, kicker);
        QList<LogRow*> rows;
        for (std::size_t i = 0; i < day.events.size(); ++i) {
            auto* row = new LogRow(m_store, day.events[i], i == 0, i + 1 == day.events.size(), m_list);
            m_days->insertWidget(at++, row);
            rows << row;
        }
        m_sections.append({kicker, rows});
    }
}

SignalLogPage::Showing SignalLogPage::showing() const
{
    switch (m_content->currentIndex()) {
    case 0:
        return Showing::nothingLogged;
    case 1:
        return Showing::nothingPasses;
    default:
        return Showing::entries;
    }
}

QString SignalLogPage::emptyTitle() const
{
    return showing() == Showing::nothingLogged ? m_emptyTitle->text()
        : showing() == Showing::nothingPasses  ? m_filteredTitle->text()
                                               : QString();
}

QString SignalLogPage::emptyText() const
{
    return showing() == Showing::nothingLogged ? m_emptyText->text()
        : showing() == Showing::nothingPasses  ? m_filteredText->text()
                                               : QString();
}

QStringList SignalLogPage::dayTitles() const
{
    QStringList titles;
    for (const auto& section : m_sections)
        titles << section.first->text();
    return titles;
}

QList<LogRow*> SignalLogPage::rows(int day) const
{
    return day >= 0 && day < m_sections.size() ? m_sections[day].second : QList<LogRow*> {};
}

QMessageBox* SignalLogPage::confirmClear()
{
    if (m_confirmation)
        return m_confirmation;
    const int n = int(m_store.events().size());
    if (n == 0)
        return nullptr;
    const Ui::Confirmation asked = Ui::confirm(this, QStringLiteral("Clear the signal log?"),
        QStringLiteral("This can’t be undone. Your lines, routes and settings aren’t affected."),
        QStringLiteral("Clear ") + QString::number(n) + (n == 1 ? QStringLiteral(" Entry") : QStringLiteral(" Entries")));
    connect(asked.action, &QPushButton::clicked, this, [this] { m_store.clearEvents(); });
    m_confirmation = asked.box;
    return asked.box;
}
