#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QUuid>
#include <QWidget>

class BoardLine;
class QScrollArea;
class QTimer;
class ShareStore;

// The board's rows, one a line, at one height, so the board is as tall as all of them without building
// them: only the rows in or near the scroll area's view exist, a few BoardLine widgets bound to lines as
// the board scrolls. A row holding the keyboard focus stays bound wherever it is, and Tab walks on into
// rows that were not there yet.
class BoardRows : public QWidget {
    Q_OBJECT
public:
    // Tab reaches the first row's controls from `before`.
    BoardRows(ShareStore& store, QScrollArea* area, QWidget* before, QWidget* parent = nullptr);

    // The lines in board order; rows still bound keep their widget and are refreshed.
    void setLines(const QList<QUuid>& ids);
    void refresh(const QSet<QUuid>& lines, bool everything);

    // The bound rows in board order, and the one bound to a line, if any.
    QList<BoardLine*> rows() const;
    BoardLine* row(const QUuid& id) const { return m_bound.value(id); }
    // Scrolls the line's row into view and returns it.
    BoardLine* showRow(const QUuid& id);
    int rowHeight() const { return m_rowHeight; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int pitch() const { return m_rowHeight + 1; }
    // Binds rows to the lines in view, frees the others, and lays the bound ones out.
    void place();
    BoardLine* focusedRow() const;
    void bind(BoardLine* row, const QUuid& id);
    void chainFocus();
    void followCountdown(BoardLine* row);

    ShareStore& m_store;
    QScrollArea* m_area;
    QWidget* m_before;
    QList<QUuid> m_ids;
    QHash<QUuid, int> m_index;
    QHash<QUuid, BoardLine*> m_bound;
    QList<BoardLine*> m_free;
    QList<BoardLine*> m_chained;
    int m_rowHeight = 0;
    int m_rowWidth = 0;
    QTimer* m_clock;
    QSet<BoardLine*> m_counting;
};
