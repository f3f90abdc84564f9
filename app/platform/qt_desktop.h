#pragma once

#include "platform/desktop.h"

// The desktop through Qt's desktop services, clipboard and windows. Reduce motion is the desktop's
// "enable animations" setting turned around, read through GSettings when its schema is installed;
// without the schema motion is never reduced.
class QtDesktop final : public Desktop {
public:
    explicit QtDesktop(QString animationSchema = QStringLiteral("org.gnome.desktop.interface"),
        QString animationKey = QStringLiteral("enable-animations"));

    void open(const QUrl& url) override;
    void copyToClipboard(const QString& text) override;
    bool reduceMotion() const override;
    void activate() override;

private:
    QString schema_;
    QString key_;
};
