#pragma once

#include "app/store/store_rig.h"
#include "views/controls.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

// Helpers the page tests share: typing into fields as a keyboard would, reading a list as one text, and
// answering confirmations.
namespace PageRig {

// One key event per character, so every keystroke passes through the field's own editing.
inline void type(QLineEdit* field, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(field, &press);
    }
}

inline void key(QWidget* widget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
}

// The texts of `items`, joined for one comparison.
template <typename Items, typename Text>
std::string joined(const Items& items, Text text)
{
    QStringList list;
    for (const auto& item : items)
        list << text(item);
    return list.join(", ").toStdString();
}

// Clicks the confirmation's button with this text; false when there is none.
inline bool answer(QMessageBox* box, const QString& text)
{
    if (!box)
        return false;
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == text) {
            button->click();
            TestApp::spin(10);
            return true;
        }
    }
    return false;
}

} // namespace PageRig
