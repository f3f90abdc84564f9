#include "app/test_app.h"
#include "platform/qt_desktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <gio/gio.h>

namespace {

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

TEST(QtDesktopTest, FoldersAndAddressesGoToTheDesktopsHandlers)
{
    TestApp::instance();
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("mountwire-test"), &recorder, "open");
    QtDesktop desktop;
    desktop.open(QUrl::fromLocalFile(QStringLiteral("/media/Share Name")));
    desktop.open(QUrl(QStringLiteral("mountwire-test:notifications")));
    desktop.open(QUrl());
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mountwire-test"));
    EXPECT_EQ(recorder.opened,
        (QList<QUrl> {QUrl::fromLocalFile(QStringLiteral("/media/Share Name")),
            QUrl(QStringLiteral("mountwire-test:notifications"))}));
}

TEST(QtDesktopTest, CopiedTextReplacesTheClipboard)
{
    TestApp::instance();
    QGuiApplication::clipboard()->setText(QStringLiteral("older"));
    QtDesktop().copyToClipboard(QStringLiteral("smb://server/Büro Share"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("smb://server/Büro Share"));
}

TEST(QtDesktopTest, ReduceMotionFollowsTheDesktopsAnimationSetting)
{
    // Settings stay in this process; nothing of the user's desktop is touched.
    qputenv("GSETTINGS_BACKEND", "memory");
    const char* schemaId = "org.gnome.desktop.interface";
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, schemaId, TRUE) : nullptr;
    if (!schema)
        GTEST_SKIP() << "the desktop interface settings schema is not installed";
    g_settings_schema_unref(schema);
    GSettings* settings = g_settings_new(schemaId);
    const QtDesktop desktop;

    g_settings_set_boolean(settings, "enable-animations", FALSE);
    EXPECT_TRUE(desktop.reduceMotion());
    g_settings_set_boolean(settings, "enable-animations", TRUE);
    EXPECT_FALSE(desktop.reduceMotion());
    g_object_unref(settings);
}

TEST(QtDesktopTest, WithoutTheSettingMotionIsNotReduced)
{
    EXPECT_FALSE(QtDesktop(QStringLiteral("org.mountwire.absent.schema")).reduceMotion());
    EXPECT_FALSE(QtDesktop(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("no-such-key")).reduceMotion());
    // A key of another type is no answer either.
    EXPECT_FALSE(QtDesktop(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("font-name")).reduceMotion());
}

} // namespace

#include "qt_desktop_test.moc"
