#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QUuid>
#include <QWidget>

#include <functional>

class BoundRow;
class QScrollArea;
class QTimer;

// A long list of lines in a scroll area, one row a line and every row as high as the first, so the list
// is as tall as all of them without building them: only the rows in or near view exist, a few BoundRow
// widgets bound to lines as the list scrolls. A row holding the keyboard focus stays bound wherever it is,
// and Tab walks on into rows that were not there yet.
class RecycledRows : public QWidget {
    Q_OBJECT
public:
    using Factory = std::function<BoundRow*(QWidget* parent)>;

    // `ruled` draws a hairline between rows; Tab reaches the first row's controls from `before`, if given.
    RecycledRows(QScrollArea* area, Factory make, bool ruled, QWidget* before = nullptr, QWidget* parent = nullptr);

    // The lines in list order; rows still bound keep their widget and are refreshed.
    void setLines(const QList<QUuid>& ids);
    void refresh(const QSet<QUuid>& lines, bool everything);

    // The bound rows in list order, and the one bound to a line, if any.
    QList<BoundRow*> rows() const;
    BoundRow* row(const QUuid& id) const { return m_bound.value(id); }
    // Scrolls the line's row into view and returns it.
    BoundRow* showRow(const QUuid& id);
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
    int pitch() const { return m_rowHeight + (m_ruled ? 1 : 0); }
    // Binds rows to the lines in view, frees the others, and lays the bound ones out.
    void place();
    BoundRow* focusedRow() const;
    void bind(BoundRow* row, const QUuid& id);
    void free(BoundRow* row);
    void chainFocus();
    void followClock(BoundRow* row);

    QScrollArea* m_area;
    Factory m_make;
    bool m_ruled;
    QWidget* m_before;
    QList<QUuid> m_ids;
    QHash<QUuid, int> m_index;
    QHash<QUuid, BoundRow*> m_bound;
    QList<BoundRow*> m_free;
    QList<BoundRow*> m_chained;
    int m_rowHeight = 0;
    int m_rowWidth = 0;
    QTimer* m_clock;
    QSet<BoundRow*> m_ticking;
};
