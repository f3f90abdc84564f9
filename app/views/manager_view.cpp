#include "views/manager_view.h"

#include "store/share_store.h"
#include "views/app_style.h"
#include "views/controls.h"
#include "views/icons.h"
#include "views/lines_page.h"
#include "views/signal_strip.h"
#include "views/toast_overlay.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int badgeRole = Qt::UserRole + 1;

// A page's row with the number of lines that need attention in a red pill at its right end.
class PageDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const int count = index.data(badgeRole).toInt();
        if (count <= 0)
            return;
        const QString text = QString::number(count);
        const QFont font = Theme::Typo::system(11, QFont::DemiBold);
        const QFontMetrics metrics(font);
        const int w = std::max(20, metrics.horizontalAdvance(text) + 12);
        const QRectF pill(option.rect.right() - w - 8, option.rect.center().y() - 9, w, 18);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(Theme::red.color());
        painter->drawRoundedRect(pill, 9, 9);
        painter->setFont(font);
        painter->setPen(AppStyle::onFill(Theme::currentAppearance()));
        painter->drawText(pill, Qt::AlignCenter, text);
        painter->restore();
    }
};

} // namespace

ManagerView::ManagerView(ShareStore& store, Factories factories, QWidget* parent)
    : QWidget(parent), m_store(store), m_factories(std::move(factories))
{
    setMinimumSize(880, 520);
    setAutoFillBackground(true);
    setPalette(Ui::palette());
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    auto* side = new QWidget(this);
    side->setObjectName(QStringLiteral("sidebar"));
    side->setMinimumWidth(180);
    side->setMaximumWidth(240);
    side->setFixedWidth(196);
    side->setAutoFillBackground(true);
    QPalette sidePalette = Ui::palette();
    sidePalette.setColor(QPalette::Window, Theme::well.color());
    side->setPalette(sidePalette);
    auto* sideColumn = new QVBoxLayout(side);
    sideColumn->setContentsMargins(8, 14, 8, 10);
    m_sidebar = new QListWidget(side);
    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_sidebar->setIconSize(QSize(16, 16));
    m_sidebar->setFont(Theme::Typo::body());
    m_sidebar->setSpacing(1);
    m_sidebar->setItemDelegate(new PageDelegate(m_sidebar));
    m_sidebar->setObjectName(QStringLiteral("pages"));
    for (ManagerPage page : allManagerPages) {
        auto* item = new QListWidgetItem(Icons::icon(symbol(page), Theme::ink2.color(), 16), title(page), m_sidebar);
        item->setData(Qt::UserRole, int(page));
    }
    sideColumn->addWidget(m_sidebar, 1);
    sideColumn->addWidget(new SignalStrip(m_store, side));
    row->addWidget(side);
    auto* separator = new QWidget(this);
    separator->setFixedWidth(1);
    separator->setAutoFillBackground(true);
    QPalette sepPalette;
    sepPalette.setColor(QPalette::Window, Theme::rule.color());
    separator->setPalette(sepPalette);
    row->addWidget(separator);

    auto* detail = new QWidget(this);
    auto* detailColumn = new QVBoxLayout(detail);
    detailColumn->setContentsMargins(0, 0, 0, 0);
    m_stack = new QStackedWidget(detail);
    m_lines = new LinesPage(m_store, m_stack);
    m_pages[ManagerPage::shares] = m_lines;
    m_stack->addWidget(m_lines);
    for (ManagerPage page : {ManagerPage::profiles, ManagerPage::activity, ManagerPage::settings}) {
        QWidget* w = m_factories.page ? m_factories.page(page, m_stack) : nullptr;
        if (!w) {
            w = new QWidget(m_stack);
            auto* l = new QVBoxLayout(w);
            l->addWidget(new PageHeader(title(page), QString(), w));
            l->addStretch(1);
        }
        m_pages[page] = w;
        m_stack->addWidget(w);
    }
    detailColumn->addWidget(m_stack);
    row->addWidget(detail, 1);
    m_toast = new ToastOverlay(m_store, detail, 12);

    connect(m_sidebar, &QListWidget::currentRowChanged, this, [this](int row) {
        // Nothing selected is ignored: the page never becomes empty.
        if (row >= 0 && row < int(allManagerPages.size()))
            m_store.setPage(allManagerPages[std::size_t(row)]);
        else
            followPage();
    });
    connect(&m_store, &ShareStore::pageChanged, this, &ManagerView::followPage);
    connect(&m_store, &ShareStore::editorChanged, this, &ManagerView::followEditor);
    connect(&m_store, &ShareStore::showWelcomeChanged, this, &ManagerView::followWelcome);
    connect(&m_store, &ShareStore::runtimeChanged, this, &ManagerView::refreshBadge);
    connect(&m_store, &ShareStore::sharesChanged, this, &ManagerView::refreshBadge);
    followPage();
    refreshBadge();
}

QWidget* ManagerView::pageWidget(ManagerPage page) const
{
    const auto found = m_pages.find(page);
    return found == m_pages.end() ? nullptr : found->second;
}

QWidget* ManagerView::currentPage() const
{
    return m_stack->currentWidget();
}

void ManagerView::followPage()
{
    const ManagerPage page = m_store.page();
    const int index = int(std::find(allManagerPages.begin(), allManagerPages.end(), page) - allManagerPages.begin());
    if (m_sidebar->currentRow() != index)
        m_sidebar->setCurrentRow(index);
    m_stack->setCurrentWidget(pageWidget(page));
}

void ManagerView::refreshBadge()
{
    const int attention = m_store.attentionCount();
    QListWidgetItem* lines = m_sidebar->item(0);
    lines->setData(badgeRole, attention);
    lines->setToolTip(attention == 1 ? QStringLiteral("1 line needs attention")
            : attention > 1          ? QStringLiteral("%1 lines need attention").arg(attention)
                                     : QString());
}

void ManagerView::followEditor()
{
    const std::optional<ShareEditorRequest>& request = m_store.editor();
    if (!request) {
        if (m_editor) {
            QDialog* old = m_editor;
            m_editor = nullptr;
            old->close();
            old->deleteLater();
        }
        return;
    }
    if (m_editor && m_editorRequest == request->id)
        return;
    // A fresh request replaces any editor still open.
    if (m_editor) {
        QDialog* old = m_editor;
        m_editor = nullptr;
        old->close();
        old->deleteLater();
    }
    if (!m_factories.editor)
        return;
    m_editorRequest = request->id;
    m_editor = m_factories.editor(*request, window());
    if (!m_editor)
        return;
    m_editor->setWindowModality(Qt::WindowModal);
    QDialog* sheet = m_editor;
    const QUuid id = request->id;
    connect(sheet, &QDialog::finished, this, [this, sheet, id] {
        if (m_editor == sheet) {
            m_editor = nullptr;
            sheet->deleteLater();
        }
        if (m_store.editor() && m_store.editor()->id == id)
            m_store.setEditor(std::nullopt);
    });
    sheet->open();
}

void ManagerView::followWelcome()
{
    if (!m_store.showWelcome()) {
        if (m_welcome)
            m_welcome->close();
        return;
    }
    if (m_welcome || !m_factories.welcome)
        return;
    m_welcome = m_factories.welcome(window());
    if (!m_welcome)
        return;
    QDialog* sheet = m_welcome;
    connect(sheet, &QDialog::finished, this, [this, sheet] {
        sheet->deleteLater();
        // Dismissed without finishing: the guide opens again next time.
        if (m_store.showWelcome())
            m_store.setShowWelcome(false);
    });
    sheet->open();
}
