#pragma once

#include "core/slottable.h"

#include <QObject>

#include <array>

class QStringListModel;
class QWidget;

namespace kelvora {

class SlotPanel;
class SlotSession;

/**
 * The eight slot panels over the running slots, stacked in one place of the window: which one is
 * shown, the pairs whose open buttons show both of their browsers, and where the panels and
 * browsers go. The address boxes of all eight share one list of addresses.
 */
class SlotDeck : public QObject
{
    Q_OBJECT

public:
    SlotDeck(QWidget *window, const SlotSession &session);
    ~SlotDeck() override;

    SlotPanel *panel(int index) const { return m_panels.at(static_cast<std::size_t>(index)); }

    /** How the window starts: every browser hidden, only slot 1's panel shown. */
    void showIdle();
    /** Shows slot `index`'s panel and browser, and hides the other panels. */
    void show(int index);
    /** The slot whose panel is shown: the first in slot order, or -1 when none is. */
    int shownSlot() const;
    /** One step back or forward in the shown slot's browser. */
    void stepHistory(bool back);
    /** Places every panel and browser, shown or not, for a window inner size in twips. */
    void place(double innerWidthTwips, double innerHeightTwips);
    /** The addresses every address box offers, in order. */
    void setAddresses(const QStringList &addresses);

private:
    void showPair(int index);

    std::array<SlotPanel *, SlotCount> m_panels{};
    QStringListModel *m_addresses = nullptr;
};

} // namespace kelvora
