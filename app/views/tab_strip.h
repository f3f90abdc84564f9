#pragma once

#include <QStringList>
#include <QVariantAnimation>
#include <QWidget>

#include <optional>
#include <vector>

// A row of tabs with optional counts after their labels; the selected one is underlined, and the bar slides
// to a newly selected tab.
class TabStrip : public QWidget {
    Q_OBJECT
public:
    explicit TabStrip(QWidget* parent = nullptr);

    void setItems(const QStringList& labels);
    // One entry per item; an absent count shows no number.
    void setCounts(const std::vector<std::optional<int>>& counts);
    void setSelection(int index);
    int selection() const { return m_selection; }
    int count() const { return int(m_labels.size()); }
    QString label(int index) const { return m_labels.value(index); }
    std::optional<int> countAt(int index) const;
    // Where the tab is drawn, for clicks and tests.
    QRect tabRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void selectionChanged(int index);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int tabWidth(int index) const;

    QStringList m_labels;
    std::vector<std::optional<int>> m_counts;
    int m_selection = 0;
    QVariantAnimation m_bar;
};
