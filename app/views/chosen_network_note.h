#pragma once

#include <QLabel>

class ShareStore;

// Under the tray panel's route switch: the network that switched to the active route, while it stays active.
class ChosenNetworkNote : public QLabel {
    Q_OBJECT
public:
    explicit ChosenNetworkNote(ShareStore& store, QWidget* parent = nullptr);

    // "Chosen on joining “Office Wi-Fi”"; empty when the user chose the route or none is active.
    static QString text(const ShareStore& store);

private:
    void sync();

    ShareStore& m_store;
};
