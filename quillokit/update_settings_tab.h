#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class Updater;

// The settings window's software-update tab: the automatic-download switch, the updater's status and
// "Check for Updates…".
class UpdateSettingsTab : public QWidget {
    Q_OBJECT

public:
    explicit UpdateSettingsTab(Updater& updater, QWidget* parent = nullptr);

    QCheckBox* automaticToggle() const { return automatic_; }
    QLabel* statusLabel() const { return status_; }
    QPushButton* checkButton() const { return check_; }

private:
    void refresh();

    Updater& updater_;
    QCheckBox* automatic_;
    QLabel* status_;
    QPushButton* check_;
};
