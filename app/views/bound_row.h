#pragma once

#include <QList>
#include <QUuid>
#include <QWidget>

// A row of a long list that shows whichever line it is bound to, so that a few rows can show many lines
// (see RecycledRows). It keeps nothing of its line but the id and redraws from the store on refresh().
class BoundRow : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    const QUuid& id() const { return m_id; }
    void bind(const QUuid& id)
    {
        m_id = id;
        bound();
        refresh();
    }
    virtual void refresh() = 0;
    // The controls that take the keyboard focus, in the order Tab meets them.
    virtual QList<QWidget*> controls() const = 0;
    // Whether some text of the row moves on with the clock, and moving it on.
    virtual bool ticking() const { return false; }
    virtual void tick() { }

protected:
    // Takes on what the new line has that refresh() leaves alone.
    virtual void bound() { }

private:
    QUuid m_id;
};
