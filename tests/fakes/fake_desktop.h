#pragma once

#include "platform/desktop.h"

#include <QList>

// Records what was opened, copied and activated; reduce motion is whatever the test sets.
class FakeDesktop final : public Desktop {
public:
    void open(const QUrl& url) override { opened.append(url); }
    void copyToClipboard(const QString& text) override { clipboard = text; }
    bool reduceMotion() const override
    {
        ++reduceMotionReads;
        return reducesMotion;
    }
    void activate() override { ++activations; }

    QList<QUrl> opened;
    QString clipboard;
    bool reducesMotion = false;
    mutable int reduceMotionReads = 0;
    int activations = 0;
};
