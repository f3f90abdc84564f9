#include "views/settings_page.h"

#include "platform/user_defaults.h"
#include "services/login_item.h"
#include "store/share_store.h"
#include "views/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString css(const QColor& colour)
{
    return colour.name(QColor::HexArgb);
}

// Every form open now, so a change in one is shown in the others.
QList<QPointer<SettingsForm>>& openForms()
{
    static QList<QPointer<SettingsForm>> forms;
    return forms;
}

// The desktop's own notification settings, where one of the usual ones is installed.
struct NotificationSettings {
    QString program;
    QStringList arguments;
};

std::optional<NotificationSettings> notificationSettings()
{
    const NotificationSettings candidates[] = {
        {QStringLiteral("gnome-control-center"), {QStringLiteral("notifications")}},
        {QStringLiteral("systemsettings"), {QStringLiteral("kcm_notifications")}},
        {QStringLiteral("xfce4-notifyd-config"), {}},
    };
    for (const NotificationSettings& candidate : candidates) {
        const QString found = QStandardPaths::findExecutable(candidate.program);
        if (!found.isEmpty())
            return NotificationSettings {found, candidate.arguments};
    }
    return std::nullopt;
}

class Section {
public:
    Section(const QString& title, QVBoxLayout* column, QWidget* parent) : m_parent(parent)
    {
        column->addWidget(Ui::kicker(title, parent));
        m_card = new QFrame(parent);
        m_card->setObjectName(QStringLiteral("card"));
        m_card->setStyleSheet(QStringLiteral("QFrame#card { background: %1; border: 1px solid %2; border-radius: 10px; }")
                                  .arg(css(Theme::panel.color()), css(Theme::rule.color())));
        m_rows = new QVBoxLayout(m_card);
        m_rows->setContentsMargins(14, 10, 14, 10);
        m_rows->setSpacing(8);
        column->addWidget(m_card);
        m_column = column;
    }

    // A label at the left and its control at the right.
    QHBoxLayout* row(const QString& text, QWidget* control, QLabel** label = nullptr)
    {
        auto* line = new QHBoxLayout;
        QLabel* l = Ui::label(text, Theme::Typo::body(), Theme::ink, m_card);
        if (label)
            *label = l;
        line->addWidget(l, 1);
        if (control)
            line->addWidget(control);
        m_rows->addLayout(line);
        return line;
    }

    void add(QWidget* widget) { m_rows->addWidget(widget); }

    void note(const QString& text)
    {
        QLabel* l = Ui::label(text, Theme::Typo::small(), Theme::ink2, m_parent, true);
        l->setContentsMargins(2, 0, 2, 0);
        m_column->addWidget(l);
    }

    QWidget* card() const { return m_card; }

private:
    QWidget* m_parent;
    QFrame* m_card;
    QVBoxLayout* m_rows;
    QVBoxLayout* m_column = nullptr;
};

QCheckBox* toggle(const QString& text, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setFont(Theme::Typo::body());
    return box;
}

QComboBox* picker(const std::vector<std::pair<QString, double>>& choices, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setFont(Theme::Typo::body());
    box->setMinimumWidth(150);
    for (const auto& [text, value] : choices)
        box->addItem(text, value);
    return box;
}

// Selects the entry holding value; a stored value the form does not offer is shown as it is, in its place.
void select(QComboBox* box, double value, const std::function<QString(double)>& describe)
{
    int index = box->findData(value);
    if (index < 0) {
        index = 0;
        while (index < box->count() && box->itemData(index).toDouble() < value && box->itemData(index).toDouble() > 0)
            ++index;
        box->insertItem(index, describe(value), value);
    }
    box->setCurrentIndex(index);
}

QString seconds(double value)
{
    return QString::number(value, 'g', 6) + QStringLiteral(" seconds");
}

QString retentionText(double days)
{
    return days < 1 ? QStringLiteral("Always (last 500)") : QString::number(int(days)) + QStringLiteral(" days");
}

QString capText(double value)
{
    const double minutes = value / 60;
    if (minutes == std::floor(minutes) && minutes >= 1)
        return QString::number(int(minutes)) + (minutes == 1 ? QStringLiteral(" minute") : QStringLiteral(" minutes"));
    return seconds(value);
}

} // namespace

SettingsForm::SettingsForm(ShareStore& store, UserDefaults& defaults, LoginItem& loginItem, QWidget* parent)
    : QWidget(parent), m_store(store), m_defaults(defaults), m_loginItem(loginItem)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    Section signal(QStringLiteral("Signal"), column, this);
    m_probeInterval = picker({{seconds(5), 5}, {seconds(10), 10}, {seconds(15), 15}, {seconds(30), 30}, {seconds(60), 60}}, this);
    signal.row(QStringLiteral("Check servers every"), m_probeInterval);
    m_failures = new QSpinBox(this);
    m_failures->setRange(1, 5);
    m_failures->setFont(Theme::Typo::body());
    m_failures->setMinimumWidth(64);
    m_failures->setAccessibleName(QStringLiteral("Missed checks"));
    signal.row(QString(), m_failures, &m_failuresLabel);
    signal.note(QStringLiteral("Each check opens a TCP connection to the share’s port and times the handshake. No data is "
                               "read. The line on the board shows the last 40 checks."));
    column->addSpacing(10);

    Section reconnecting(QStringLiteral("Reconnecting"), column, this);
    m_reconnectAfterWake = toggle(QStringLiteral("Reconnect after the computer wakes or the network changes"), this);
    reconnecting.add(m_reconnectAfterWake);
    m_retryCap = picker({{QStringLiteral("1 minute"), 60}, {QStringLiteral("5 minutes"), 300}, {QStringLiteral("15 minutes"), 900}}, this);
    reconnecting.row(QStringLiteral("Longest wait between retries"), m_retryCap);
    reconnecting.note(QStringLiteral("Retries start after 5 seconds and double each time. A server that comes back is "
                                     "reconnected right away."));
    column->addSpacing(10);

    Section notifications(QStringLiteral("Notifications"), column, this);
    m_notifyDrops = toggle(QStringLiteral("When a line drops"), this);
    notifications.add(m_notifyDrops);
    m_notifyRecoveries = toggle(QStringLiteral("When a line comes back"), this);
    notifications.add(m_notifyRecoveries);
    const std::optional<NotificationSettings> settingsApp = notificationSettings();
    if (settingsApp) {
        QPushButton* open = Ui::button(QStringLiteral("Open Notification Settings"), QString(), false, this);
        connect(open, &QPushButton::clicked, this,
            [settingsApp] { QProcess::startDetached(settingsApp->program, settingsApp->arguments); });
        notifications.row(QString(), open);
    }
    notifications.note(QStringLiteral("If notifications don’t appear, allow them for Mountwire in system settings."));
    column->addSpacing(10);

    Section log(QStringLiteral("Signal log"), column, this);
    m_retention = picker({{retentionText(7), 7}, {retentionText(30), 30}, {retentionText(90), 90}, {retentionText(0), 0}}, this);
    log.row(QStringLiteral("Keep the signal log for"), m_retention);
    column->addSpacing(10);

    Section general(QStringLiteral("General"), column, this);
    m_launchAtLogin = toggle(QStringLiteral("Open Mountwire at login"), this);
    m_launchAtLogin->setChecked(m_loginItem.isEnabled());
    general.add(m_launchAtLogin);
    m_loginError = Ui::label(QString(), Theme::Typo::small(), Theme::red, this, true);
    m_loginError->hide();
    general.add(m_loginError);
    const QString version = QCoreApplication::applicationVersion();
    m_version = Ui::label(version.isEmpty() ? QStringLiteral("1.0") : version, Theme::Typo::system(12), Theme::ink2, this);
    QHBoxLayout* versionRow = general.row(QStringLiteral("Version"), m_version);
    QPushButton* check = Ui::button(QStringLiteral("Check for Updates…"), QString(), false, this);
    connect(check, &QPushButton::clicked, this, &SettingsForm::checkForUpdatesRequested);
    versionRow->addSpacing(8);
    versionRow->addWidget(check);
    QPushButton* again = Ui::button(QStringLiteral("Show Again"), QString(), false, this);
    connect(again, &QPushButton::clicked, this, [this] {
        Q_EMIT showManagerRequested();
        QTimer::singleShot(200, &m_store, [store = &m_store] { store->setShowWelcome(true); });
    });
    general.row(QStringLiteral("Welcome guide"), again);

    reload();

    const auto comboChanged = QOverload<int>::of(&QComboBox::currentIndexChanged);
    connect(m_probeInterval, comboChanged, this, [this] {
        if (m_loading)
            return;
        m_defaults.setDouble(SettingKeys::probeInterval, m_probeInterval->currentData().toDouble());
        changed();
    });
    connect(m_failures, QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int value) {
        m_failuresLabel->setText(failuresText(value));
        if (m_loading)
            return;
        m_defaults.setInt(SettingKeys::failuresToMarkDown, value);
        changed();
    });
    connect(m_retryCap, comboChanged, this, [this] {
        if (m_loading)
            return;
        m_defaults.setDouble(SettingKeys::retryCap, m_retryCap->currentData().toDouble());
        changed();
    });
    const std::pair<QCheckBox*, QString> switches[] = {
        {m_reconnectAfterWake, SettingKeys::reconnectAfterWake},
        {m_notifyDrops, SettingKeys::notifyDrops},
        {m_notifyRecoveries, SettingKeys::notifyRecoveries},
    };
    for (const auto& [box, key] : switches) {
        connect(box, &QCheckBox::toggled, this, [this, key](bool on) {
            if (m_loading)
                return;
            m_defaults.setBool(key, on);
            changed();
        });
    }
    connect(m_retention, comboChanged, this, [this] {
        if (m_loading)
            return;
        m_defaults.setInt(SettingKeys::logRetentionDays, int(m_retention->currentData().toDouble()));
        m_store.applyRetention();
        changed();
    });
    connect(m_launchAtLogin, &QCheckBox::toggled, this, [this](bool on) {
        const std::optional<QString> failure = m_loginItem.set(on);
        m_loginError->setText(failure.value_or(QString()));
        m_loginError->setVisible(failure.has_value());
    });

    openForms().append(this);
}

SettingsForm::~SettingsForm()
{
    openForms().removeAll(this);
}

QString SettingsForm::failuresText(int failures)
{
    return QStringLiteral("Call a server down after ") + QString::number(failures) + QStringLiteral(" missed check")
        + (failures == 1 ? QString() : QStringLiteral("s"));
}

std::optional<QString> SettingsForm::loginError() const
{
    if (m_loginError->isHidden())
        return std::nullopt;
    return m_loginError->text();
}

void SettingsForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    reload();
}

void SettingsForm::reload()
{
    m_loading = true;
    // The store checks and retries no more often than every 5 seconds, whatever the file says.
    select(m_probeInterval, std::max(5.0, m_defaults.doubleValue(SettingKeys::probeInterval).value_or(15)), seconds);
    m_failures->setValue(m_defaults.intValue(SettingKeys::failuresToMarkDown).value_or(2));
    m_failuresLabel->setText(failuresText(m_failures->value()));
    m_reconnectAfterWake->setChecked(m_defaults.boolValue(SettingKeys::reconnectAfterWake).value_or(true));
    select(m_retryCap, std::max(5.0, m_defaults.doubleValue(SettingKeys::retryCap).value_or(300)), capText);
    m_notifyDrops->setChecked(m_defaults.boolValue(SettingKeys::notifyDrops).value_or(true));
    m_notifyRecoveries->setChecked(m_defaults.boolValue(SettingKeys::notifyRecoveries).value_or(true));
    select(m_retention, std::max(0, m_defaults.intValue(SettingKeys::logRetentionDays).value_or(30)), retentionText);
    m_loading = false;
}

void SettingsForm::changed()
{
    for (const QPointer<SettingsForm>& form : openForms()) {
        if (form && form != this)
            form->reload();
    }
}

SettingsPage::SettingsPage(ShareStore& store, UserDefaults& defaults, LoginItem& loginItem, QWidget* updateTab,
    QWidget* parent)
    : QWidget(parent)
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    m_header = new PageHeader(QStringLiteral("Settings"),
        QStringLiteral("How often to check, when to reconnect, what to tell you"), this);
    page->addWidget(m_header);

    auto* scroll = new QScrollArea(this);

    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget(scroll);
    content->setAutoFillBackground(false);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(int(Theme::pageInset), 0, int(Theme::pageInset), 24);
    column->setSpacing(8);
    m_form = new SettingsForm(store, defaults, loginItem, content);
    m_form->setMaximumWidth(640);
    column->addWidget(m_form);
    if (updateTab) {
        column->addSpacing(10);
        Section updates(QStringLiteral("Software updates"), column, content);
        updateTab->setParent(updates.card());
        updates.add(updateTab);
        updates.card()->setMaximumWidth(640);
    }
    column->addStretch(1);
    scroll->setWidget(content);
    page->addWidget(scroll, 1);
}
