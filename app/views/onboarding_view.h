#pragma once

#include <QDialog>

class Notifier;
class PageDots;
class QLabel;
class QPushButton;
class QStackedWidget;
class ShareStore;
class UserDefaults;

// Whether the welcome guide still has to be shown: until it was finished once.
namespace Onboarding {
bool shouldShow(const UserDefaults& defaults);
inline constexpr const char* shownKey = "mw.didShowWelcome";
} // namespace Onboarding

// The four-page welcome guide, shown as a sheet over the manager window.
class OnboardingView : public QDialog {
    Q_OBJECT
public:
    struct Page {
        QString kicker;
        QString title;
        QString text;
    };
    static const std::vector<Page>& pages();

    OnboardingView(ShareStore& store, UserDefaults& defaults, Notifier* notifier, QWidget* parent = nullptr);
    int page() const { return m_page; }
    void go(int page);
    // Skip, Done or Add Your First Line: marks the guide as shown and closes it.
    void finish(bool addFirstLine);

    QPushButton* skipButton() const { return m_skip; }
    QPushButton* backButton() const { return m_back; }
    QPushButton* continueButton() const { return m_continue; }
    QPushButton* doneButton() const { return m_done; }
    QPushButton* allowButton() const { return m_allow; }

private:
    void refresh();

    ShareStore& m_store;
    UserDefaults& m_defaults;
    Notifier* m_notifier;
    int m_page = 0;
    bool m_askedNotifications = false;
    QStackedWidget* m_stack;
    PageDots* m_dots;
    QPushButton* m_skip;
    QPushButton* m_back;
    QPushButton* m_continue;
    QPushButton* m_done;
    QPushButton* m_allow = nullptr;
};
