#pragma once

#include <QUuid>
#include <QWidget>

class BoardLine;
class RecycledRows;
class PageHeader;
class QLabel;
class QVBoxLayout;
class RefreshQueue;
class ShareStore;

// The board: every saved share as one line, the volumes mounted by others below, or the empty state.
class LinesPage : public QWidget {
    Q_OBJECT
public:
    explicit LinesPage(ShareStore& store, QWidget* parent = nullptr);

    PageHeader* header() const { return m_header; }
    // The rows that exist: those in or near view, in board order.
    QList<BoardLine*> rows() const;
    BoardLine* row(const QUuid& id) const;
    RecycledRows* board() const { return m_rows; }
    QWidget* emptyState() const { return m_empty; }
    QWidget* elsewhere() const { return m_elsewhere; }

private:
    void rebuildRows();
    void rebuildElsewhere();
    void refreshSummary();

    ShareStore& m_store;
    PageHeader* m_header;
    QLabel* m_span;
    QWidget* m_board;
    RecycledRows* m_rows;
    QWidget* m_empty;
    QWidget* m_elsewhere;
    QVBoxLayout* m_elsewhereRows;
    RefreshQueue* m_refresh;
};
