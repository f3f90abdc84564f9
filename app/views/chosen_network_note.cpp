#include "views/chosen_network_note.h"

#include "store/share_store.h"
#include "views/controls.h"
#include "views/theme.h"

ChosenNetworkNote::ChosenNetworkNote(ShareStore& store, QWidget* parent) : QLabel(parent), m_store(store)
{
    setFont(Theme::Typo::small());
    Ui::setColor(this, Theme::ink3);
    setWordWrap(true);
    connect(&m_store, &ShareStore::networksChanged, this, &ChosenNetworkNote::sync);
    connect(&m_store, &ShareStore::activeProfileIDChanged, this, &ChosenNetworkNote::sync);
    sync();
}

QString ChosenNetworkNote::text(const ShareStore& store)
{
    const std::optional<NetworkFingerprint> network = store.chosenBy();
    if (!network)
        return {};
    return QStringLiteral("Chosen on joining “") + network->displayName() + QStringLiteral("”");
}

void ChosenNetworkNote::sync()
{
    const QString note = text(m_store);
    setText(note);
    setVisible(!note.isEmpty());
}
