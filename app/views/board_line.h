#pragma once

#include "model/share_spec.h"

#include <QWidget>

class CapacityRule;
class HoldToggle;
class LineActionButton;
class ProtoTag;
class QLabel;
class QMenu;
class QProgressBar;
class QHBoxLayout;
class ShareStore;
class SignalLineWidget;

// One line of the board: who it is, its drawn line with the status under it, its figures and its actions.
// It redraws from the store on refresh(); it keeps nothing but hover.
class BoardLine : public QWidget {
    Q_OBJECT
public:
    static constexpr int identityWidth = 172;
    // Wide enough for "999 GB free of 999 GB" in the monospaced figures font.
    static constexpr int figuresWidth = 136;
    static constexpr int actionsWidth = 112;

    BoardLine(ShareStore& store, const QUuid& id, QWidget* parent = nullptr);
    const QUuid& id() const { return m_id; }
    void refresh();
    // Just the status caption, for countdowns between store changes.
    void refreshCaption();

    // The row menu as it stands now (also the context menu).
    QMenu* makeMenu(QWidget* parent);
    // Asks before removing; removal happens when the user confirms.
    void confirmRemove();

    SignalLineWidget* signalLine() const { return m_line; }
    QLabel* caption() const { return m_caption; }
    QLabel* latency() const { return m_latency; }
    QLabel* space() const { return m_space; }
    QList<LineActionButton*> actions() const;
    HoldToggle* hold() const { return m_hold; }

protected:
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void paintEvent(QPaintEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;

private:
    const ShareSpec* spec() const;
    void rebuildActions();

    ShareStore& m_store;
    QUuid m_id;
    bool m_hover = false;
    QWidget* m_identity;
    ProtoTag* m_tag = nullptr;
    QLabel* m_name;
    QLabel* m_path;
    SignalLineWidget* m_line;
    QLabel* m_caption;
    QLabel* m_latency;
    QLabel* m_average;
    QLabel* m_space;
    CapacityRule* m_rule;
    QWidget* m_actionBox;
    QHBoxLayout* m_actionRow;
    QProgressBar* m_busy;
    LineActionButton* m_open;
    LineActionButton* m_eject;
    LineActionButton* m_power;
    HoldToggle* m_hold;
};
