#include "views/slotdeck.h"

#include "core/windowlayout.h"
#include "session/slotrunner.h"
#include "session/slotsession.h"
#include "views/slotpanel.h"
#include "web/webpage.h"

#include <QComboBox>
#include <QStringListModel>
#include <QWidget>

namespace kelvora {

SlotDeck::SlotDeck(QWidget *window, const SlotSession &session)
    : QObject(window), m_addresses(new QStringListModel(this))
{
    for (int i = 0; i < SlotCount; ++i) {
        auto *panel = new SlotPanel(*session.at(i), window);
        m_panels[static_cast<std::size_t>(i)] = panel;
        // One list for all eight boxes: a long list costs its memory once.
        QComboBox *box = panel->addressBox();
        const QString typed = box->currentText();
        box->setModel(m_addresses);
        box->setEditText(typed);
        connect(panel, &SlotPanel::opened, this, [this, i] { showPair(i); });
    }
}

SlotDeck::~SlotDeck() = default;

void SlotDeck::showIdle()
{
    for (SlotPanel *p : m_panels) {
        p->showBrowser(false);
        p->setVisible(p == m_panels.front());
    }
}

void SlotDeck::show(int index)
{
    SlotPanel *shown = panel(index);
    shown->setVisible(true);
    for (SlotPanel *other : m_panels) {
        if (other != shown)
            other->setVisible(false);
    }
    shown->showBrowser(true);
}

int SlotDeck::shownSlot() const
{
    for (int i = 0; i < SlotCount; ++i) {
        if (panel(i)->isVisibleTo(panel(i)->parentWidget()))
            return i;
    }
    return -1;
}

void SlotDeck::stepHistory(bool back)
{
    // The shown slot is looked up at each press; a browser with nowhere to go ignores the step.
    if (const int index = shownSlot(); index >= 0)
        panel(index)->runner().page()->stepHistory(back);
}

void SlotDeck::place(double innerWidthTwips, double innerHeightTwips)
{
    for (SlotPanel *p : m_panels) {
        p->setGeometry(twipsToPixels(panelRectTwips(innerWidthTwips, innerHeightTwips)));
        p->placeBrowser(twipsToPixels(browserRectTwips(innerWidthTwips, innerHeightTwips)));
    }
}

void SlotDeck::setAddresses(const QStringList &addresses)
{
    std::array<QString, SlotCount> typed;
    for (std::size_t i = 0; i < m_panels.size(); ++i)
        typed[i] = m_panels[i]->addressBox()->currentText();
    m_addresses->setStringList(addresses);
    for (std::size_t i = 0; i < m_panels.size(); ++i)
        m_panels[i]->addressBox()->setEditText(typed[i]);
}

void SlotDeck::showPair(int index)
{
    // The pair's first browser, then its second, whichever of the two was opened.
    const SlotDescription &d = panel(index)->description();
    const int first = d.firstOfGroup ? index : d.partner;
    panel(first)->showBrowser(true);
    panel(panel(first)->description().partner)->showBrowser(true);
}

} // namespace kelvora
