#include "quillokit/update_settings_tab.h"

#include "quillokit/update_texts.h"
#include "quillokit/updater.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

UpdateSettingsTab::UpdateSettingsTab(Updater& updater, QWidget* parent)
    : QWidget(parent), updater_(updater),
      automatic_(new QCheckBox(QStringLiteral("Download and install updates automatically"), this)),
      status_(new QLabel(this)), check_(new QPushButton(QStringLiteral("Check for Updates…"), this))
{
    auto* note = new QLabel(QStringLiteral("New versions download in the background and install when you quit"), this);
    note->setWordWrap(true);
    note->setForegroundRole(QPalette::PlaceholderText);
    status_->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(automatic_);
    layout->addWidget(note);
    layout->addSpacing(12);
    layout->addWidget(status_);
    layout->addWidget(check_, 0, Qt::AlignLeft);
    layout->addStretch();

    connect(automatic_, &QCheckBox::toggled, &updater_, &Updater::setAutomaticallyDownloads);
    connect(check_, &QPushButton::clicked, &updater_, &Updater::checkForUpdates);
    connect(&updater_, &Updater::phaseChanged, this, &UpdateSettingsTab::refresh);
    connect(&updater_, &Updater::automaticallyDownloadsChanged, this, &UpdateSettingsTab::refresh);
    refresh();
}

void UpdateSettingsTab::refresh()
{
    // The setting is read afresh: another window may have changed it.
    const QSignalBlocker quiet(automatic_);
    automatic_->setChecked(updater_.automaticallyDownloads());
    // A build without a feed has nothing to check; its controls say so rather than doing nothing.
    const bool offline = !updater_.bundle().feedURL;
    automatic_->setEnabled(!offline);
    check_->setEnabled(!offline);
    status_->setText(offline ? QStringLiteral("This copy of %1 was built without an update feed.").arg(updater_.bundle().appName)
                             : UpdateTexts::statusLine(updater_.phase(), updater_.bundle().appName));
}
