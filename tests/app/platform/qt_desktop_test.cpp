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

TEST(QtDesktopTest, FoldersAndAddressesGoToTheDesktopsHandlersAndTextToTheClipboard)
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

    QGuiApplication::clipboard()->setText(QStringLiteral("older"));
    desktop.copyToClipboard(QStringLiteral("smb://server/Büro Share"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("smb://server/Büro Share"));
}

TEST(QtDesktopTest, ReduceMotionFollowsTheDesktopsAnimationSettingWhenThereIsOne)
{
    // Settings stay in this process; nothing of the user's desktop is touched.
    qputenv("GSETTINGS_BACKEND", "memory");
    const QString schemaId = QStringLiteral("org.gnome.desktop.interface");
    EXPECT_FALSE(QtDesktop(QStringLiteral("org.mountwire.absent.schema")).reduceMotion());
    EXPECT_FALSE(QtDesktop(schemaId, QStringLiteral("no-such-key")).reduceMotion());
    // A key of another type is no answer either.
    EXPECT_FALSE(QtDesktop(schemaId, QStringLiteral("font-name")).reduceMotion());

    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, "org.gnome.desktop.interface", TRUE) : nullptr;
    if (!schema)
        GTEST_SKIP() << "the desktop interface settings schema is not installed";
    g_settings_schema_unref(schema);
    GSettings* settings = g_settings_new("org.gnome.desktop.interface");
    const QtDesktop desktop;
    for (const bool animations : {false, true}) {
        g_settings_set_boolean(settings, "enable-animations", animations);
        EXPECT_EQ(desktop.reduceMotion(), !animations);
    }
    g_object_unref(settings);
}

} // namespace

#include "qt_desktop_test.moc"
