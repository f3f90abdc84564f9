#pragma once

#include <QWidget>

class MountwireApp;
class PopoverView;

// The tray's panel: a frameless popup holding the panel view, opened under the tray icon.
class PopoverPanel : public QWidget {
    Q_OBJECT
public:
    explicit PopoverPanel(MountwireApp& app);
    PopoverView* view() const { return m_view; }
    // Opens near `anchor` (the tray icon's place, or the pointer when the desktop does not tell).
    void openAt(const QRect& anchor);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    PopoverView* m_view;
};
