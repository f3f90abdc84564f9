#include "views/route_networks.h"

#include "store/share_store.h"
#include "views/controls.h"
#include "views/icons.h"
#include "views/theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString quoted(const QString& name)
{
    return QStringLiteral("“") + name + QStringLiteral("”");
}

} // namespace

RouteNetworks::RouteNetworks(ShareStore& store, const QUuid& routeID, QWidget* parent)
    : QWidget(parent), m_store(store), m_routeID(routeID)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    auto* top = new QHBoxLayout();
    top->setSpacing(8);
    top->addWidget(Ui::label(QStringLiteral("Switch here automatically on:"), Theme::Typo::body(), Theme::ink2, this));
    m_none = Ui::label(QStringLiteral("no network yet"), Theme::Typo::body(), Theme::ink3, this);
    top->addWidget(m_none);
    top->addStretch(1);
    m_add = Ui::button(QStringLiteral("Add Current Network"), QStringLiteral("plus"), false, this);
    connect(m_add, &QPushButton::clicked, this, [this] { m_store.bindCurrentNetwork(m_routeID); });
    top->addWidget(m_add);
    column->addLayout(top);
    m_list = new QVBoxLayout();
    m_list->setContentsMargins(12, 0, 0, 0);
    m_list->setSpacing(2);
    column->addLayout(m_list);

    connect(&m_store, &ShareStore::networksChanged, this, &RouteNetworks::sync);
    sync();
}

QStringList RouteNetworks::names() const
{
    QStringList names;
    for (const QLabel* label : m_names)
        names.append(label->text());
    return names;
}

void RouteNetworks::sync()
{
    const std::vector<NetworkFingerprint>& bound = m_store.bindings().of(m_routeID);
    const std::optional<NetworkFingerprint>& current = m_store.currentNetwork();
    // Later: the click that removed a network may still be running inside its row.
    while (QLayoutItem* item = m_list->takeAt(0)) {
        item->widget()->hide();
        item->widget()->deleteLater();
        delete item;
    }
    m_names.clear();
    m_removes.clear();
    for (const NetworkFingerprint& network : bound) {
        auto* row = new QWidget(this);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(4);
        const bool here = current && network.covers(*current);
        QLabel* name = Ui::label(network.displayName(), Theme::Typo::bodyStrong(), here ? Theme::blue : Theme::ink, row);
        name->setToolTip(here ? QStringLiteral("The computer is on this network now") : QString());
        line->addWidget(name);
        auto* remove = new QToolButton(row);
        remove->setIcon(Icons::icon(QStringLiteral("xmark.circle.fill"), Theme::ink3.color(), 14));
        remove->setAutoRaise(true);
        remove->setCursor(Qt::PointingHandCursor);
        remove->setToolTip(QStringLiteral("Stop switching here on ") + quoted(network.displayName()));
        remove->setAccessibleName(QStringLiteral("Remove ") + network.displayName());
        connect(remove, &QToolButton::clicked, this,
            [this, network] { m_store.unbindNetwork(m_routeID, network); });
        line->addWidget(remove);
        line->addStretch(1);
        m_list->addWidget(row);
        m_names.append(name);
        m_removes.append(remove);
    }
    m_none->setVisible(bound.empty());

    const bool already = current
        && std::any_of(bound.begin(), bound.end(), [&](const NetworkFingerprint& n) { return n.sameNetwork(*current); });
    m_add->setEnabled(current && !already);
    if (!current)
        m_add->setToolTip(QStringLiteral("The computer isn’t on a network right now"));
    else if (already)
        m_add->setToolTip(quoted(current->displayName()) + QStringLiteral(" already switches to this route"));
    else
        m_add->setToolTip(QStringLiteral("Switch to this route whenever the computer joins ") + quoted(current->displayName()));
}
