#pragma once

#include <QMainWindow>

class ManagerView;
class MountwireApp;

// The one manager window: the manager view with the application's menus. Closing it only hides it; the
// application stays in the tray.
class ManagerWindow : public QMainWindow {
    Q_OBJECT
public:
    ManagerWindow(MountwireApp& app, QWidget* parent = nullptr);
    ManagerView* view() const { return m_view; }
    QAction* action(const QString& name) const;
    // Remembers where the window is and how large.
    void saveFrame();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    MountwireApp& m_app;
    ManagerView* m_view;
};
