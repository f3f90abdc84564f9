#pragma once

#include <QUuid>
#include <QWidget>

class QLabel;
class QPushButton;
class QToolButton;
class QVBoxLayout;
class ShareStore;

// Under a route: the networks that switch to it by themselves, each with a way to remove it, and the button
// that binds the network the computer is on now.
class RouteNetworks : public QWidget {
    Q_OBJECT
public:
    RouteNetworks(ShareStore& store, const QUuid& routeID, QWidget* parent = nullptr);

    QPushButton* addButton() const { return m_add; }
    // The bound networks by name, in the order they were added.
    QStringList names() const;
    QList<QToolButton*> removeButtons() const { return m_removes; }

private:
    void sync();

    ShareStore& m_store;
    QUuid m_routeID;
    QPushButton* m_add;
    QLabel* m_none;
    QVBoxLayout* m_list;
    QList<QLabel*> m_names;
    QList<QToolButton*> m_removes;
};
