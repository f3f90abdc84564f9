#pragma once

#include <QString>
#include <QUuid>

// The theme colour a toast is tinted with; the views turn the name into the colour of the appearance.
enum class ToastTint { blue, ink2 };

// A short confirmation shown for a moment over the window that is in front.
struct Toast {
    QUuid id; // new for every toast, so an equal text shown twice still counts as a new toast
    QString text;
    QString symbol;
    ToastTint tint = ToastTint::blue;
    friend bool operator==(const Toast&, const Toast&) = default;
};
