#pragma once

#include "model/profile.h"
#include "model/share_spec.h"
#include "routes/route_map.h"

#include <QAbstractButton>
#include <QHash>
#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

#include <vector>

class PageHeader;
class QCheckBox;
class QLabel;
class QLineEdit;
#include <QMessageBox>
class QPushButton;
class QScrollArea;
class QToolButton;
class QVBoxLayout;
class RouteNetworks;
class ShareStore;

// One line on a route's map: a check mark and its name when it is on the route; a click puts it on or off.
class RouteChip : public QAbstractButton {
    Q_OBJECT
public:
    RouteChip(const ShareSpec& share, bool on, QWidget* parent = nullptr);
    const QUuid& shareID() const { return m_id; }
    bool isOn() const { return m_on; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QUuid m_id;
    bool m_on;
};

// A route's map: this computer on the left, the servers of the saved lines to its right with their lines as
// chips, and a curve to every server that is coloured when the route runs to it.
class RouteDiagram : public QWidget {
    Q_OBJECT
public:
    RouteDiagram(ShareStore& store, QWidget* parent = nullptr);

    void setProfile(const Profile& profile, bool active);
    const std::vector<RouteStation>& stations() const { return m_stations; }
    QList<RouteChip*> chips() const { return m_chips; }
    // Shown instead of the map while no line is saved.
    bool isPlaceholder() const { return m_stations.empty(); }
    QPushButton* addLineButton() const { return m_addLine; }
    double drawn() const { return m_drawn; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {360, sizeHint().height()}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void showEvent(QShowEvent*) override;

private:
    struct Placed {
        QPointF node;
        QRectF label;
        int top = 0;
        int height = 0;
    };
    // Where every station and chip goes at a width; chips get their geometry when place is true.
    std::vector<Placed> layoutAt(int width, bool place) const;
    void rebuildChips();
    void drawIn();

    ShareStore& m_store;
    Profile m_profile;
    bool m_active = false;
    std::vector<RouteStation> m_stations;
    QList<RouteChip*> m_chips;
    QLabel* m_note;
    QPushButton* m_addLine;
    double m_drawn = 1;
    QVariantAnimation m_drawing;
};

// One route: its icon and name, the switch and reconnect action, the eject switch, deleting, and its map.
class RoutePanel : public QWidget {
    Q_OBJECT
public:
    RoutePanel(ShareStore& store, const Profile& profile, QWidget* parent = nullptr);

    void setProfile(const Profile& profile, bool active);
    const Profile& profile() const { return m_profile; }
    bool isActive() const { return m_active; }

    QToolButton* iconButton() const { return m_icon; }
    QLineEdit* nameField() const { return m_name; }
    QLabel* activeBadge() const { return m_badge; }
    QPushButton* actionButton() const { return m_action; }
    QCheckBox* ejectOthersToggle() const { return m_ejectOthers; }
    QToolButton* deleteButton() const { return m_delete; }
    RouteDiagram* diagram() const { return m_diagram; }
    RouteNetworks* networks() const { return m_networks; }
    // Opens the delete confirmation; the open one while it shows.
    QMessageBox* confirmDelete();
    QMessageBox* confirmation() const { return m_confirmation; }

    // The icon choices, in the order the menu offers them.
    static const QStringList& symbols();

protected:
    void paintEvent(QPaintEvent*) override;

private:
    ShareStore& m_store;
    Profile m_profile;
    bool m_active = false;
    QToolButton* m_icon;
    QLineEdit* m_name;
    QLabel* m_badge;
    QPushButton* m_action;
    QCheckBox* m_ejectOthers;
    QToolButton* m_delete;
    RouteDiagram* m_diagram;
    RouteNetworks* m_networks;
    QPointer<QMessageBox> m_confirmation;
};

// The manager's Routes page: every route as a panel, or the invitation to make the first.
class RoutesPage : public QWidget {
    Q_OBJECT
public:
    explicit RoutesPage(ShareStore& store, QWidget* parent = nullptr);

    PageHeader* header() const { return m_header; }
    QPushButton* newRouteButton() const { return m_newRoute; }
    QWidget* emptyState() const { return m_empty; }
    // In the store's order.
    QList<RoutePanel*> panels() const;
    RoutePanel* panel(const QUuid& id) const { return m_panels.value(id); }

    // "Sets of lines you connect in one go", or "2 routes · active: Office".
    static QString summary(const std::vector<Profile>& profiles, const std::optional<QUuid>& active);

private:
    void sync();

    ShareStore& m_store;
    PageHeader* m_header;
    QPushButton* m_newRoute;
    QWidget* m_empty;
    QWidget* m_list;
    QScrollArea* m_scroll;
    QVBoxLayout* m_rows;
    QHash<QUuid, RoutePanel*> m_panels;
    bool m_built = false;
};
