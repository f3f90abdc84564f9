#include "quillokit/update_window.h"

#include "quillokit/update_texts.h"
#include "quillokit/updater.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

UpdateWindow::UpdateWindow(Updater& updater, QWidget* parent)
    : QWidget(parent, Qt::Window), updater_(updater), heading_(new QLabel(this)), detail_(new QLabel(this)),
      notes_(new QLabel(this)), advice_(new QLabel(this)), progress_(new QProgressBar(this)),
      download_(new QPushButton(QStringLiteral("Download & Install"), this)),
      page_(new QPushButton(QStringLiteral("Open Download Page"), this)),
      restart_(new QPushButton(QStringLiteral("Restart Now"), this)), later_(new QPushButton(QStringLiteral("Later"), this))
{
    setObjectName(QStringLiteral("update"));
    setWindowTitle(QStringLiteral("Software Update"));
    setFixedWidth(420);

    QFont bold = heading_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    heading_->setFont(bold);
    for (QLabel* label : {heading_, detail_, notes_, advice_})
        label->setWordWrap(true);
    notes_->setTextFormat(Qt::PlainText);
    advice_->setForegroundRole(QPalette::PlaceholderText);
    advice_->setText(QStringLiteral("To get updates automatically, install %1 in a folder of its own that you can "
                                    "write to.")
                         .arg(updater_.bundle().appName));
    progress_->setRange(0, 1000);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {later_, page_, download_, restart_})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(detail_);
    layout->addWidget(notes_);
    layout->addWidget(progress_);
    layout->addWidget(advice_);
    layout->addLayout(buttons);

    connect(download_, &QPushButton::clicked, this, [this] {
        if (updater_.phase().feed)
            updater_.download(*updater_.phase().feed);
    });
    connect(page_, &QPushButton::clicked, this, [this] {
        // Only a web page is opened, whatever else the feed names.
        if (const auto page = updater_.phase().feed ? Updater::downloadPage(*updater_.phase().feed) : std::nullopt)
            QDesktopServices::openUrl(*page);
    });
    connect(restart_, &QPushButton::clicked, &updater_, &Updater::installAndRelaunch);
    connect(later_, &QPushButton::clicked, this, &QWidget::close);
    connect(&updater_, &Updater::phaseChanged, this, &UpdateWindow::refresh);
    refresh();
}

void UpdateWindow::present()
{
    refresh();
    show();
    raise();
    activateWindow();
}

void UpdateWindow::refresh()
{
    using Kind = UpdatePhase::Kind;
    const UpdatePhase& phase = updater_.phase();
    const QString appName = updater_.bundle().appName;
    const bool installable = updater_.canInstallInPlace();
    const bool downloadable = phase.feed && updater_.canDownload(*phase.feed);
    const bool hasPage = phase.feed && Updater::downloadPage(*phase.feed);
    const bool offline = !updater_.bundle().feedURL;

    heading_->setText(offline ? QStringLiteral("Software Update") : UpdateTexts::heading(phase, appName));
    QString detail;
    switch (phase.kind) {
    case Kind::upToDate:
        detail = QStringLiteral("%1 %2 is the newest version.").arg(appName, updater_.bundle().currentVersion);
        break;
    case Kind::downloading:
        detail = UpdateTexts::statusLine(phase, appName);
        break;
    case Kind::ready:
        detail = QStringLiteral("It installs the next time %1 quits.").arg(appName);
        break;
    case Kind::failed:
        detail = phase.message;
        break;
    case Kind::idle:
        if (offline)
            detail = QStringLiteral("This copy of %1 was built without an update feed, so it doesn’t look for "
                                    "updates.").arg(appName);
        break;
    default:
        break;
    }
    detail_->setText(detail);
    detail_->setVisible(!detail.isEmpty());
    notes_->setText(phase.feed ? phase.feed->notes.value_or(QString()) : QString());
    notes_->setVisible(phase.kind == Kind::available && !notes_->text().isEmpty());
    progress_->setVisible(phase.kind == Kind::downloading);
    progress_->setValue(int(phase.fraction * 1000.0));
    advice_->setVisible(!installable && !offline);

    download_->setVisible(phase.kind == Kind::available && downloadable);
    page_->setVisible(phase.kind == Kind::available && !downloadable && hasPage);
    restart_->setVisible(phase.kind == Kind::ready && installable);
    QPushButton* main = restart_->isVisibleTo(this) ? restart_
                      : download_->isVisibleTo(this) ? download_
                      : page_->isVisibleTo(this)     ? page_
                                                     : later_;
    later_->setText(main != later_ ? QStringLiteral("Later") : QStringLiteral("Close"));
    main->setDefault(true);
}
