#pragma once

#include <QWidget>

class QLabel;
class ShareStore;

// Shows the store's toast at the top of the widget it covers, and hides it when the store clears it.
class ToastOverlay : public QWidget {
    Q_OBJECT
public:
    ToastOverlay(ShareStore& store, QWidget* covered, int padding = 12);
    QString text() const;
    bool showing() const { return isVisible(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent*) override;

private:
    void refresh();
    void place();

    ShareStore& m_store;
    QWidget* m_covered;
    int m_padding;
    QLabel* m_icon;
    QLabel* m_text;
};
