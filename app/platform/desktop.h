#pragma once

#include <QString>
#include <QUrl>

// The desktop's small services: opening folders and addresses, the clipboard, the reduce-motion setting and
// bringing the application to the front. None of them reports a failure.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Opens a file URL (a mount point) in the file manager, or any other URL in its handler; returns at once.
    virtual void open(const QUrl& url) = 0;
    // Replaces the clipboard's content with one plain text.
    virtual void copyToClipboard(const QString& text) = 0;
    // Read afresh on every call, at the moment of each animated change.
    virtual bool reduceMotion() const = 0;
    // Raises the application's windows and asks for focus, so the next window shown is the active one.
    virtual void activate() = 0;
};
