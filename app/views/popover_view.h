#pragma once

#include "views/bound_row.h"

class ChosenNetworkNote;
class Navigator;
class ElidedLabel;
class QLabel;
class QScrollArea;
class QVBoxLayout;
class RecycledRows;
class ShareStore;
class SignalLineWidget;
class ProtoTag;
class QToolButton;
class QMenu;

// One compact line of the panel.
class PopoverLine : public BoundRow {
    Q_OBJECT
public:
    PopoverLine(ShareStore& store, Navigator& navigator, QWidget* parent = nullptr);
    void refresh() override;
    QList<QWidget*> controls() const override;
    QLabel* figure() const { return m_figure; }
    QToolButton* action() const { return m_action; }
    QMenu* makeMenu(QWidget* parent);

protected:
    void bound() override;
    void contextMenuEvent(QContextMenuEvent*) override;

private:
    ShareStore& m_store;
    Navigator& m_navigator;
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
    RecycledRows* m_lines;
    QWidget* m_empty;
    QWidget* m_others;
    QVBoxLayout* m_othersLayout;
};
