#pragma once

#include <QWidget>

class Navigator;
class ShareStore;

// The settings window's About tab.
class AboutView : public QWidget {
    Q_OBJECT
public:
    AboutView(ShareStore& store, Navigator& navigator, const QString& version, QWidget* parent = nullptr);
};
