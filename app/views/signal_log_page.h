#pragma once

#include "log/activity_event.h"
#include "log/signal_log.h"

#include <QDate>
#include <QPointer>
#include <QWidget>

class PageHeader;
class QLabel;
class QMessageBox;
class QPushButton;
class QStackedWidget;
class QTimer;
class QVBoxLayout;
class ShareStore;
class TabStrip;

// One entry on the log's timeline: its marker on the day's rule, its title and message, and how long ago.
class LogRow : public QWidget {
    Q_OBJECT
public:
    LogRow(const ShareStore& store, ActivityEvent event, bool first, bool last, QWidget* parent = nullptr);

    const ActivityEvent& event() const { return m_event; }
    // The share's name, or the kind's own title when the entry is about no share.
    QString title() const;
    QString time() const;
    bool isFirst() const { return m_first; }
    bool isLast() const { return m_last; }

    static QString kindTitle(ActivityEvent::Kind kind);

    QSize sizeHint() const override { return {400, 46}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const ShareStore& m_store;
    ActivityEvent m_event;
    bool m_first;
    bool m_last;
};

// The manager's Signal Log page: the store's entries grouped by day, narrowed by a filter, and cleared after
// a confirmation.
class SignalLogPage : public QWidget {
    Q_OBJECT
public:
    explicit SignalLogPage(ShareStore& store, QWidget* parent = nullptr);

    enum class Showing { nothingLogged, nothingPasses, entries };
    Showing showing() const;

    SignalLog::Filter filter() const { return m_filter; }
    void setFilter(SignalLog::Filter filter);

    PageHeader* header() const { return m_header; }
    TabStrip* tabs() const { return m_tabs; }
    QPushButton* clearButton() const { return m_clear; }
    QPushButton* showEverythingButton() const { return m_showEverything; }
    // The title and text of whichever empty state shows.
    QString emptyTitle() const;
    QString emptyText() const;
    // The day sections as shown: their titles and rows.
    QStringList dayTitles() const;
    QList<LogRow*> rows(int day) const;
    // Opens the clear confirmation; the open one while it shows.
    QMessageBox* confirmClear();
    QMessageBox* confirmation() const { return m_confirmation; }

    // "Today · Mon, 2 Mar", "Yesterday · …", or the plain abbreviated date.
    static QString dayTitle(const QDate& day, const QDate& today);
    static QString summary(const SignalLog::Counts& counts, int retentionDays);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void rebuild();
    void refreshSummary();

    ShareStore& m_store;
    SignalLog::Filter m_filter = SignalLog::Filter::all;
    PageHeader* m_header;
    QPushButton* m_clear;
    TabStrip* m_tabs;
    QStackedWidget* m_content;
    QLabel* m_emptyTitle;
    QLabel* m_emptyText;
    QLabel* m_filteredTitle;
    QLabel* m_filteredText;
    QPushButton* m_showEverything;
    QWidget* m_list;
    QVBoxLayout* m_days;
    QList<QPair<QLabel*, QList<LogRow*>>> m_sections;
    QPointer<QMessageBox> m_confirmation;
    QTimer* m_clock;
    // Entries came while the page was hidden.
    bool m_stale = false;
};
