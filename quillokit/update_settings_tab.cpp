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
    status_->setText(UpdateTexts::statusLine(updater_.phase(), updater_.bundle().appName));
    // Without a feed there is nothing to check; say so rather than offer a button that does nothing.
    check_->setEnabled(updater_.bundle().feedURL.has_value());
    if (!updater_.bundle().feedURL)
        status_->setText(updater_.bundle().appName
            + QStringLiteral(" has no update address here: its updates come from wherever it was installed from."));
}
