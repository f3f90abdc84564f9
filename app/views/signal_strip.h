#pragma once

#include "link/line_continuity.h"

#include <QWidget>

#include <vector>

class QLabel;
class ShareStore;

// The sidebar's summary card: how many lines are live, and one segment per line drawn in its style.
// A click shows the signal log.
class SignalStrip : public QWidget {
    Q_OBJECT
public:
    explicit SignalStrip(ShareStore& store, QWidget* parent = nullptr);
    QString figures() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    void refresh();

    ShareStore& m_store;
    QLabel* m_count;
    QLabel* m_down;
    // What the segments show, so the card repaints only when a line changed its style.
    std::vector<LineContinuity> m_segments;
};
