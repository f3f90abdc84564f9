#include "views/onboarding_view.h"

#include "platform/user_defaults.h"
#include "services/notifier.h"
#include "store/share_store.h"
#include "views/controls.h"
#include "views/icons.h"
#include "views/signal_line.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace Onboarding {

bool shouldShow(const UserDefaults& defaults)
{
    return !defaults.boolValue(QString::fromLatin1(shownKey)).value_or(false);
}

} // namespace Onboarding

namespace {

std::vector<std::optional<double>> sampleHistory(int count, double base, int seed, int gapFrom = -1)
{
    std::vector<std::optional<double>> values;
    for (int i = 0; i < count; ++i) {
        if (gapFrom >= 0 && i >= gapFrom)
            values.push_back(std::nullopt);
        else
            values.push_back(base + ((i * 7 + seed * 13) % 11) * 0.6);
    }
    return values;
}

// Fixed illustration lines for each page; never the user's own.
class Hero : public QWidget {
public:
    Hero(int page, QWidget* parent) : QWidget(parent), m_page(page) { setFixedHeight(150); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), Theme::well.color());
        struct Row {
            const char* server;
            SignalLine line;
        };
        std::vector<Row> rows;
        switch (m_page) {
        case 0:
            rows = {{"studio-nas", {sampleHistory(40, 4, 1), LineContinuity::solid, 40, {}, 1.7, 4}},
                {"media", {sampleHistory(30, 9, 2), LineContinuity::dashed, 40, {}, 1.7, 4}},
                {"archive", {sampleHistory(40, 6, 3, 34), LineContinuity::broken, 40, QStringLiteral("▼ 14:02"), 1.7, 4}},
                {"scratch", {{}, LineContinuity::dotted, 40, {}, 1.7, 4}}};
            break;
        case 1:
            rows = {{"studio-nas", {sampleHistory(40, 5, 4, 30), LineContinuity::broken, 40, QStringLiteral("▼ 09:41"), 1.7, 4}},
                {"studio-nas", {sampleHistory(40, 5, 4), LineContinuity::solid, 40, {}, 1.7, 4}}};
            break;
        case 2:
            rows = {{"Studio", {sampleHistory(40, 3, 5), LineContinuity::solid, 40, {}, 1.7, 4}},
                {"Home", {{}, LineContinuity::dotted, 40, {}, 1.7, 4}},
                {"VPN", {{}, LineContinuity::dotted, 40, {}, 1.7, 4}}};
            break;
        default:
            rows = {{"archive", {sampleHistory(40, 6, 6, 36), LineContinuity::broken, 40, QStringLiteral("▼ 14:02"), 1.7, 4}},
                {"archive", {sampleHistory(40, 6, 6), LineContinuity::solid, 40, {}, 1.7, 4}}};
            break;
        }
        const double top = 38;
        const double rowHeight = std::min(32.0, (height() - 2 * top) / double(rows.size()));
        p.setFont(Theme::Typo::kicker());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const double y = top + rowHeight * double(i);
            p.setPen(Theme::ink3.color());
            if (i == 0)
                p.drawText(QRectF(28, 14, 120, 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("THIS COMPUTER"));
            p.drawText(QRectF(width() - 128, y, 100, rowHeight), Qt::AlignRight | Qt::AlignVCenter,
                QString::fromUtf8(rows[i].server).toUpper());
            SignalLinePainter::paint(p, QRectF(28, y, width() - 170, rowHeight), rows[i].line, Theme::currentAppearance());
        }
    }

private:
    int m_page;
};

QWidget* bullets(const QStringList& items, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 4, 0, 0);
    column->setSpacing(4);
    for (const QString& item : items)
        column->addWidget(Ui::label(QStringLiteral("•  ") + item, Theme::Typo::body(), Theme::ink2, box, true));
    return box;
}

} // namespace

const std::vector<OnboardingView::Page>& OnboardingView::pages()
{
    static const std::vector<Page> list {
        {QStringLiteral("01 · The board"), QStringLiteral("Every share is a line"),
            QStringLiteral("Mountwire draws each file server as a line from this computer to the server. The line is "
                           "the live latency: solid when connected, dashed while reconnecting, broken when it drops.")},
        {QStringLiteral("02 · Hold"), QStringLiteral("Dropped lines come back"),
            QStringLiteral("Turn on “Keep connected” and Mountwire watches each server, then remounts the share after "
                           "sleep, a network change or a server restart.")},
        {QStringLiteral("03 · Routes"), QStringLiteral("One route per place"),
            QStringLiteral("A route is a set of lines — Studio, Home, VPN. Pick it in the tray panel and its lines "
                           "connect together. Everything is in the menus too.")},
        {QStringLiteral("04 · Signal"), QStringLiteral("Know when a line drops"),
            QStringLiteral("Mountwire can send a notification when a line drops and when it comes back. Your desktop "
                           "may ask you to allow this once.")},
    };
    return list;
}

OnboardingView::OnboardingView(ShareStore& store, UserDefaults& defaults, Notifier* notifier, QWidget* parent)
    : QDialog(parent), m_store(store), m_defaults(defaults), m_notifier(notifier)
{
    setObjectName(QStringLiteral("welcome"));
    setWindowTitle(QStringLiteral("Welcome to Mountwire"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(560, 520);
    setAutoFillBackground(true);
    setPalette(Ui::palette());
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 18);
    column->setSpacing(0);
    m_stack = new QStackedWidget(this);
    for (int i = 0; i < int(pages().size()); ++i) {
        const Page& page = pages()[std::size_t(i)];
        auto* w = new QWidget(m_stack);
        auto* layout = new QVBoxLayout(w);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);
        layout->addWidget(new Hero(i, w));
        auto* detail = new QVBoxLayout;
        detail->setContentsMargins(28, 14, 28, 0);
        detail->setSpacing(8);
        detail->addWidget(Ui::kicker(page.kicker, w, Theme::blue));
        detail->addWidget(Ui::label(page.title, Theme::Typo::title(), Theme::ink, w));
        detail->addWidget(Ui::label(page.text, Theme::Typo::body(), Theme::ink2, w, true));
        if (i == 0) {
            detail->addWidget(bullets({QStringLiteral("SMB, AFP, NFS and WebDAV, side by side on one board"),
                QStringLiteral("Latency and free space as plain figures at the end of each line"),
                QStringLiteral("The same lines in the tray panel, one click to connect or eject")}, w));
        } else if (i == 1) {
            detail->addWidget(bullets({QStringLiteral("Reconnects after sleep and network changes"),
                QStringLiteral("Backs off politely while a server is down, then reconnects the moment it answers"),
                QStringLiteral("Passwords stay in your password store")}, w));
        } else if (i == 2) {
            auto* grid = new QGridLayout;
            grid->setHorizontalSpacing(12);
            grid->setVerticalSpacing(6);
            const std::pair<const char*, const char*> keys[] {{"Ctrl+N", "Add a line"},
                {"Shift+Ctrl+K", "Connect all lines"}, {"Ctrl+R", "Check servers now"},
                {"Ctrl+1 – Ctrl+4", "Lines, Routes, Signal Log, Settings"}};
            int r = 0;
            for (const auto& [key, what] : keys) {
                grid->addWidget(new Keycap(QString::fromUtf8(key), w), r, 0, Qt::AlignLeft);
                grid->addWidget(Ui::label(QString::fromUtf8(what), Theme::Typo::body(), Theme::ink2, w), r++, 1);
            }
            grid->setColumnStretch(1, 1);
            detail->addLayout(grid);
        } else {
            m_allow = Ui::button(QStringLiteral("Allow Notifications…"), QString(), false, w);
            m_allow->setObjectName(QStringLiteral("allowNotifications"));
            connect(m_allow, &QPushButton::clicked, this, [this] {
                if (m_askedNotifications)
                    return;
                m_askedNotifications = true;
                if (m_notifier)
                    m_notifier->requestAuthorization();
                refresh();
            });
            detail->addWidget(m_allow, 0, Qt::AlignLeft);
            detail->addWidget(Ui::label(QStringLiteral("Change this any time in your desktop’s notification settings."),
                Theme::Typo::small(), Theme::ink3, w));
        }
        detail->addStretch(1);
        layout->addLayout(detail, 1);
        m_stack->addWidget(w);
    }
    column->addWidget(m_stack, 1);

    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(28, 0, 28, 0);
    footer->setSpacing(8);
    m_dots = new PageDots(int(pages().size()), this);
    footer->addWidget(m_dots);
    footer->addStretch(1);
    m_skip = Ui::button(QStringLiteral("Skip"), QString(), false, this);
    m_back = Ui::button(QStringLiteral("Back"), QString(), false, this);
    m_continue = Ui::button(QStringLiteral("Continue"), QString(), true, this);
    m_done = Ui::button(QString(), QString(), true, this);
    for (QPushButton* b : {m_skip, m_back, m_continue, m_done})
        footer->addWidget(b);
    // Return moves on (Continue, then Done); Skip and Back answer Return only when they hold the focus.
    column->addLayout(footer);
    connect(m_skip, &QPushButton::clicked, this, [this] { finish(false); });
    connect(m_back, &QPushButton::clicked, this, [this] { go(m_page - 1); });
    connect(m_continue, &QPushButton::clicked, this, [this] { go(m_page + 1); });
    connect(m_done, &QPushButton::clicked, this, [this] { finish(m_store.shares().empty()); });
    refresh();
}

void OnboardingView::go(int page)
{
    m_page = std::clamp(page, 0, int(pages().size()) - 1);
    refresh();
}

void OnboardingView::refresh()
{
    const bool last = m_page == int(pages().size()) - 1;
    m_stack->setCurrentIndex(m_page);
    m_dots->setIndex(m_page);
    m_skip->setVisible(!last);
    m_back->setVisible(m_page > 0);
    m_continue->setVisible(!last);
    m_done->setVisible(last);
    m_done->setText(m_store.shares().empty() ? QStringLiteral("Add Your First Line") : QStringLiteral("Done"));
    QPushButton* next = last ? m_done : m_continue;
    next->setDefault(true);
    QWidget* focused = focusWidget();
    if (!focused || focused->isHidden() || focused == m_continue || focused == m_done)
        next->setFocus(Qt::OtherFocusReason);
    if (m_allow) {
        m_allow->setText(m_askedNotifications ? QStringLiteral("Notifications Requested")
                                              : QStringLiteral("Allow Notifications…"));
        m_allow->setEnabled(!m_askedNotifications);
    }
}

void OnboardingView::finish(bool addFirstLine)
{
    m_defaults.setBool(QString::fromLatin1(Onboarding::shownKey), true);
    m_store.setShowWelcome(false);
    accept();
    if (addFirstLine) {
        ShareStore* store = &m_store;
        QTimer::singleShot(350, store, [store] { store->openEditor(std::nullopt); });
    }
}
