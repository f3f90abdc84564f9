#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class Updater;

// The "Software Update" window: what the updater is doing and what the user can do about it. Every button
// it shows does something for the phase it shows.
class UpdateWindow : public QWidget {
    Q_OBJECT

public:
    explicit UpdateWindow(Updater& updater, QWidget* parent = nullptr);

    // Brings the window forward with what the updater is doing now.
    void present();

    QLabel* headingLabel() const { return heading_; }
    QLabel* detailLabel() const { return detail_; }
    QPushButton* downloadButton() const { return download_; }
    QPushButton* pageButton() const { return page_; }
    QPushButton* restartButton() const { return restart_; }
    QPushButton* laterButton() const { return later_; }
    QProgressBar* progressBar() const { return progress_; }

private:
    void refresh();

    Updater& updater_;
    QLabel* heading_;
    QLabel* detail_;
    QLabel* notes_;
    QLabel* advice_;
    QProgressBar* progress_;
    QPushButton* download_;
    QPushButton* page_;
    QPushButton* restart_;
    QPushButton* later_;
};
