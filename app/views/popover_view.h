#pragma once

#include <QHash>
#include <QUuid>
#include <QWidget>

class ChosenNetworkNote;
class Navigator;
class ElidedLabel;
class QLabel;
class QScrollArea;
class QVBoxLayout;
class ShareStore;
class SignalLineWidget;
class ProtoTag;
class QToolButton;
class QMenu;

// One compact line of the panel.
class PopoverLine : public QWidget {
    Q_OBJECT
public:
    PopoverLine(ShareStore& store, Navigator& navigator, const QUuid& id, QWidget* parent = nullptr);
    void refresh();
    const QUuid& id() const { return m_id; }
    QLabel* figure() const { return m_figure; }
    QToolButton* action() const { return m_action; }
    QMenu* makeMenu(QWidget* parent);

protected:
    void contextMenuEvent(QContextMenuEvent*) override;

private:
    ShareStore& m_store;
    Navigator& m_navigator;
    QUuid m_id;
    ProtoTag* m_tag;
    QLabel* m_name;
    QLabel* m_figure;
    QToolButton* m_action;
    SignalLineWidget* m_line;
};

// The tray's panel: the lines in short, the route switch, volumes mounted by others, and the way to the
// manager window.
class PopoverView : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 380;

    PopoverView(ShareStore& store, Navigator& navigator, QWidget* parent = nullptr);
    QString summary() const;
    QList<PopoverLine*> lines() const;
    QWidget* emptyState() const { return m_empty; }
    QWidget* routeSwitch() const { return m_routes; }
    ChosenNetworkNote* chosenBy() const { return m_chosenBy; }
    // The list's height cap for a screen whose usable height is `screenHeight`.
    static int listHeightCap(int screenHeight);

private:
    void rebuildLines();
    void rebuildRoutes();
    void rebuildOthers();
    void refreshSummary();

    ShareStore& m_store;
    Navigator& m_navigator;
    QLabel* m_summary;
    QWidget* m_routes;
    ChosenNetworkNote* m_chosenBy;
    QScrollArea* m_scroll;
    QVBoxLayout* m_linesLayout;
    QWidget* m_empty;
    QWidget* m_others;
    QVBoxLayout* m_othersLayout;
    QHash<QUuid, PopoverLine*> m_lines;
};
