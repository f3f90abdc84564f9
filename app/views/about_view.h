#pragma once

#include <QWidget>

class Navigator;
class ShareStore;

// The settings window's About tab. With an updates note (a packaged build), the note stands in for the
// Check for Updates button.
class AboutView : public QWidget {
    Q_OBJECT
public:
    AboutView(ShareStore& store, Navigator& navigator, const QString& version, const QString& updatesNote = {},
        QWidget* parent = nullptr);
};
