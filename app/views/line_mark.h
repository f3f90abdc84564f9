#pragma once

#include <QWidget>

class QPainter;

// The application's mark: a line from a filled dot to a ring, in the brand's two blues. The same in both
// appearances.
class LineMark : public QWidget {
    Q_OBJECT

public:
    explicit LineMark(QWidget* parent = nullptr, int height = 16);

    // Draws the mark in the largest box of 3:2 that fits `bounds`, centred.
    static void paint(QPainter& painter, const QRectF& bounds);
    static constexpr double aspect = 1.5;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_height;
};
