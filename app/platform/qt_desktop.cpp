#include "platform/qt_desktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QWindow>

#include <gio/gio.h>

QtDesktop::QtDesktop(QString animationSchema, QString animationKey)
    : schema_(std::move(animationSchema)), key_(std::move(animationKey))
{
}

void QtDesktop::open(const QUrl& url)
{
    if (url.isValid())
        QDesktopServices::openUrl(url);
}

void QtDesktop::copyToClipboard(const QString& text)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

bool QtDesktop::reduceMotion() const
{
    // Asking GSettings for a schema it does not know aborts the process, so look it up first.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return false;
    const QByteArray schemaId = schema_.toUtf8();
    const QByteArray key = key_.toUtf8();
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, schemaId.constData(), TRUE);
    if (!schema)
        return false;
    bool reduce = false;
    if (g_settings_schema_has_key(schema, key.constData())) {
        GSettingsSchemaKey* schemaKey = g_settings_schema_get_key(schema, key.constData());
        const bool isBoolean = g_variant_type_equal(g_settings_schema_key_get_value_type(schemaKey),
            G_VARIANT_TYPE_BOOLEAN);
        g_settings_schema_key_unref(schemaKey);
        if (isBoolean) {
            GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
            reduce = !g_settings_get_boolean(settings, key.constData());
            g_object_unref(settings);
        }
    }
    g_settings_schema_unref(schema);
    return reduce;
}

void QtDesktop::activate()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    QWindow* focus = nullptr;
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (!window->isVisible())
            continue;
        window->raise();
        focus = window;
    }
    // The window raised last lies on top; it takes the focus.
    if (focus)
        focus->requestActivate();
}
