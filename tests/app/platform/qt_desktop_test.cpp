#include "app/test_app.h"
#include "platform/qt_desktop.h"

#include <gtest/gtest.h>

#include <gio/gio.h>

namespace {

// Opening and copying hand straight to Qt; what is ours is reading the desktop's setting.
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
