#include "services/password_prompt.h"
#include "services_test_app.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

ShareSpec media(const QString& user)
{
    return servicestest::share(ShareProtocol::smb, "nas.local", std::nullopt, "Media", user, "Media");
}

// Connect returns what was typed, masked; Cancel returns nothing.
TEST(PasswordPrompt, SaysWhoseShareThatNothingIsSavedAndReturnsWhatWasTyped)
{
    TestApp::instance();
    EXPECT_EQ(PasswordPrompt::messageFor(media("ann")), "Password for Media");
    EXPECT_EQ(PasswordPrompt::informativeTextFor(media("ann")),
        "Enter the password for ann on nas.local. It isn’t saved.");
    EXPECT_EQ(PasswordPrompt::informativeTextFor(media("")),
        "Enter the password for this share on nas.local. It isn’t saved.");

    const std::tuple<const char*, bool, std::optional<QString>> cases[] = {
        {"s3cret", true, "s3cret"}, {"", true, ""}, {"typed", false, std::nullopt}};
    for (const auto& [typed, connect, answer] : cases) {
        SCOPED_TRACE(typed);
        bool acted = false;
        // Acts on the prompt once it is open, from inside its own event loop.
        QTimer::singleShot(0, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* prompt = qobject_cast<PasswordPrompt*>(widget);
                if (!prompt || !prompt->isVisible())
                    continue;
                EXPECT_EQ(prompt->field()->echoMode(), QLineEdit::Password);
                EXPECT_TRUE(prompt->connectButton()->isDefault());
                prompt->field()->setText(QString::fromUtf8(typed));
                acted = true;
                (connect ? prompt->connectButton() : prompt->cancelButton())->click();
                return;
            }
        });
        EXPECT_EQ(PasswordPrompt::ask(media("ann")), answer);
        EXPECT_TRUE(acted) << "no prompt was open";
    }
}

} // namespace
