#include "slots/slotdeck.h"

#include "core/windowlayout.h"
#include "platform/memory.h"
#include "slots/slotpanel.h"
#include "web/webprofile.h"

#include <QComboBox>
#include <QStringListModel>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace kelvora {
namespace {

// Pages tend to fall asleep together (slots started together reload together): one release
// for the group is enough. The engine tears a page down over a second or so.
constexpr int MemoryReleaseDelayMs = 3000;

} // namespace

SlotDeck::SlotDeck(QWidget *window, const std::array<SlotDescription, SlotCount> &descriptions,
                   const SlotProfiles &profiles, const Clock &clock)
    : QObject(window), m_addresses(new QStringListModel(this)), m_memoryRelease(new QTimer(this))
{
    m_memoryRelease->setObjectName(QStringLiteral("memoryRelease"));
    m_memoryRelease->setSingleShot(true);
    m_memoryRelease->setInterval(MemoryReleaseDelayMs);
    connect(m_memoryRelease, &QTimer::timeout, this, [] { releaseFreedMemory(); });
    for (int i = 0; i < SlotCount; ++i) {
        auto *panel =
            new SlotPanel(descriptions[static_cast<std::size_t>(i)], profiles.profile(i), clock, window);
        m_panels[static_cast<std::size_t>(i)] = panel;
        // One list for all eight boxes: a long list costs its memory once.
        QComboBox *box = panel->addressBox();
        const QString typed = box->currentText();
        box->setModel(m_addresses);
        box->setEditText(typed);
        connect(panel, &SlotPanel::opened, this, [this, i] { showPair(i); });
        panel->setNextReloadQuery([this] { return msUntilAnyReload(); });
        // Started by the first page of a group, not pushed back by the next: pages that sleep
        // every few seconds must not put the release off for ever.
        connect(&panel->slot(), &ForumSlot::pageSlept, m_memoryRelease, [this] {
            if (!m_memoryRelease->isActive())
                m_memoryRelease->start();
        });
    }
}

SlotDeck::~SlotDeck() = default;

void SlotDeck::startIdle(const QString &startPage)
{
    for (std::size_t first = 0; first < m_panels.size(); first += 2) {
        SlotPanel *one = m_panels[first];
        SlotPanel *two = m_panels[first + 1];
        one->sendBrowserTo(startPage);
        one->showBrowser(false);
        two->showBrowser(false);
        two->sendBrowserTo(startPage);
        one->setVisible(first == 0);
        two->setVisible(false);
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
        panel(index)->stepHistory(back);
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

qint64 SlotDeck::msUntilAnyReload() const
{
    qint64 soonest = std::numeric_limits<qint64>::max();
    for (const SlotPanel *p : m_panels)
        soonest = std::min(soonest, p->msUntilReload());
    return soonest;
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
