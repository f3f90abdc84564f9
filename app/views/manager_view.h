#pragma once

#include "store/manager_page.h"
#include "store/share_runtime.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>

class LinesPage;
class QListWidget;
class QStackedWidget;
class ShareStore;
class SignalStrip;
class ToastOverlay;

// The manager window's content: the sidebar of pages with the signal strip under it, the page the store
// names, the toast over it, and the editor and welcome sheets the store asks for.
class ManagerView : public QWidget {
    Q_OBJECT
public:
    struct Factories {
        // The Routes, Signal Log and Settings pages (Lines is the view's own).
        std::function<QWidget*(ManagerPage, QWidget* parent)> page;
        std::function<QDialog*(const ShareEditorRequest&, QWidget* parent)> editor;
        std::function<QDialog*(QWidget* parent)> welcome;
    };

    ManagerView(ShareStore& store, Factories factories, QWidget* parent = nullptr);

    QListWidget* sidebar() const { return m_sidebar; }
    LinesPage* linesPage() const { return m_lines; }
    QWidget* pageWidget(ManagerPage page) const;
    QWidget* currentPage() const;
    QDialog* editorSheet() const { return m_editor; }
    QDialog* welcomeSheet() const { return m_welcome; }
    ToastOverlay* toast() const { return m_toast; }
    QSize minimumSizeHint() const override { return {880, 520}; }

private:
    void followPage();
    void followEditor();
    void followWelcome();
    void refreshBadge();

    ShareStore& m_store;
    Factories m_factories;
    QListWidget* m_sidebar;
    QStackedWidget* m_stack;
    LinesPage* m_lines;
    std::map<ManagerPage, QWidget*> m_pages;
    ToastOverlay* m_toast;
    QPointer<QDialog> m_editor;
    QUuid m_editorRequest;
    QPointer<QDialog> m_welcome;
};
