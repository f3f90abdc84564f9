#pragma once

#include "platform/desktop.h"

#include <QList>

// Records what was opened and copied; motion is never reduced.
class FakeDesktop final : public Desktop {
public:
    void open(const QUrl& url) override { opened.append(url); }
    void copyToClipboard(const QString& text) override { clipboard = text; }
    bool reduceMotion() const override { return false; }
    void activate() override {}

    QList<QUrl> opened;
    QString clipboard;
};
