#include "services/password_prompt.h"
#include "services_test_app.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using servicestest::share;

namespace {

ShareSpec media(const QString& user)
{
    return share(ShareProtocol::smb, QStringLiteral("nas.local"), std::nullopt, QStringLiteral("Media"), user,
        QStringLiteral("Media"));
}

// Acts on the prompt once it is open, from inside its own event loop.
void whenOpen(const std::function<void(PasswordPrompt*)>& act)
{
    QTimer::singleShot(0, [act] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* prompt = qobject_cast<PasswordPrompt*>(widget); prompt && prompt->isVisible()) {
                act(prompt);
                return;
            }
        }
        ADD_FAILURE() << "no prompt is open";
    });
}

} // namespace

TEST(PasswordPrompt, SaysWhoseShareAndThatNothingIsSaved)
{
    ASSERT_TRUE(servicestest::app());
    EXPECT_EQ(PasswordPrompt::messageFor(media(QStringLiteral("ann"))), QStringLiteral("Password for Media"));
    EXPECT_EQ(PasswordPrompt::informativeTextFor(media(QStringLiteral("ann"))),
        QStringLiteral("Enter the password for ann on nas.local. It isn’t saved."));
    EXPECT_EQ(PasswordPrompt::informativeTextFor(media(QString())),
        QStringLiteral("Enter the password for this share on nas.local. It isn’t saved."));
}

TEST(PasswordPrompt, ConnectReturnsTheTypedPasswordMasked)
{
    ASSERT_TRUE(servicestest::app());
    bool checked = false;
    whenOpen([&](PasswordPrompt* prompt) {
        EXPECT_EQ(prompt->field()->echoMode(), QLineEdit::Password);
        EXPECT_EQ(prompt->field()->size(), QSize(260, 24));
        EXPECT_TRUE(prompt->connectButton()->isDefault());
        EXPECT_EQ(prompt->connectButton()->text(), QStringLiteral("Connect"));
        EXPECT_EQ(prompt->cancelButton()->text(), QStringLiteral("Cancel"));
        prompt->field()->setText(QStringLiteral("s3cret"));
        checked = true;
        prompt->connectButton()->click();
    });
    EXPECT_EQ(PasswordPrompt::ask(media(QStringLiteral("ann"))), QStringLiteral("s3cret"));
    EXPECT_TRUE(checked);
}

TEST(PasswordPrompt, ConnectWithAnEmptyFieldReturnsAnEmptyPassword)
{
    ASSERT_TRUE(servicestest::app());
    whenOpen([](PasswordPrompt* prompt) { prompt->connectButton()->click(); });
    EXPECT_EQ(PasswordPrompt::ask(media(QStringLiteral("ann"))), QString());
}

TEST(PasswordPrompt, CancelReturnsNothing)
{
    ASSERT_TRUE(servicestest::app());
    whenOpen([](PasswordPrompt* prompt) {
        prompt->field()->setText(QStringLiteral("typed"));
        prompt->cancelButton()->click();
    });
    EXPECT_EQ(PasswordPrompt::ask(media(QStringLiteral("ann"))), std::nullopt);
}
