#pragma once

#include <QHash>
#include <QSet>
#include <QUuid>
#include <QWidget>

class BoardLine;
class PageHeader;
class QLabel;
class QPushButton;
class QVBoxLayout;
class QTimer;
class RefreshQueue;
class ShareStore;

// The board: every saved share as one line, the volumes mounted by others below, or the empty state.
class LinesPage : public QWidget {
    Q_OBJECT
public:
    explicit LinesPage(ShareStore& store, QWidget* parent = nullptr);

    PageHeader* header() const { return m_header; }
    QList<BoardLine*> rows() const;
    BoardLine* row(const QUuid& id) const { return m_rows.value(id); }
    QWidget* emptyState() const { return m_empty; }
    QWidget* elsewhere() const { return m_elsewhere; }

private:
    void rebuildRows();
    void rebuildElsewhere();
    void refreshSummary();
    void refreshRow(BoardLine* line);
    // Keeps the caption clock running while some line shows a countdown.
    void followCountdown(BoardLine* line);

    ShareStore& m_store;
    PageHeader* m_header;
    QLabel* m_span;
    QWidget* m_board;
    QVBoxLayout* m_rowsLayout;
    QWidget* m_empty;
    QWidget* m_elsewhere;
    QVBoxLayout* m_elsewhereRows;
    QHash<QUuid, BoardLine*> m_rows;
    QTimer* m_clock;
    QSet<QUuid> m_counting;
    RefreshQueue* m_refresh;
};
