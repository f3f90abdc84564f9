#pragma once

#include "platform/desktop.h"

#include <QList>

// Records what was opened and copied; reduce motion is whatever the test sets.
class FakeDesktop final : public Desktop {
public:
    void open(const QUrl& url) override { opened.append(url); }
    void copyToClipboard(const QString& text) override { clipboard = text; }
    bool reduceMotion() const override { return reducesMotion; }
    void activate() override {}

    QList<QUrl> opened;
    QString clipboard;
    bool reducesMotion = false;
};
