#include "slots/slotrunner.h"

#include "web/webpage.h"

namespace kelvora {

SlotRunner::SlotRunner(const SlotDescription &description, QWebEngineProfile *profile, const Clock &clock,
                       QuestionGate *gate, TimerFactory *timers, QObject *parent)
    : QObject(parent), m_description(description), m_page(new WebPage(profile, this)), m_qtTimers(this),
      m_slot(*m_page, clock, timers ? *timers : m_qtTimers, description, this)
{
    setObjectName(QStringLiteral("slot%1").arg(description.number));
    m_page->setQuestionGate(gate);
    connect(m_page, &WebPage::pageLoadStarted, &m_slot, &ForumSlot::pageLoadStarted);
    connect(m_page, &WebPage::pageLoadFinished, &m_slot, &ForumSlot::pageLoadFinished);
    connect(m_page, &WebPage::rendererGone, &m_slot, &ForumSlot::pageRendererGone);
    connect(m_page, &QWebEnginePage::titleChanged, &m_slot, &ForumSlot::pageTitleChanged);
    connect(m_page, &QWebEnginePage::titleChanged, this, &SlotRunner::pageTitleChanged);
    connect(m_page, &QWebEnginePage::urlChanged, &m_slot, &ForumSlot::pageUrlChanged);
    connect(m_page, &WebPage::inputChanged, &m_slot, &ForumSlot::pageInputChanged);
    connect(m_page, &WebPage::asideLoadFinished, &m_slot, &ForumSlot::asideLoadFinished);
}

SlotRunner::~SlotRunner()
{
    // The page goes while the slot it reports to is still whole.
    delete m_page;
}

void SlotRunner::open(const QString &address)
{
    m_openedAddress = address;
    m_slot.open(address);
}

void SlotRunner::load(const QString &address)
{
    m_slot.load(address);
}

void SlotRunner::resume(const SavedSlot &saved)
{
    m_openedAddress = saved.address;
    m_slot.resume(saved);
    emit resumed(saved);
}

QString SlotRunner::pageTitle() const
{
    return m_page->title();
}

void SlotRunner::setPageSeen(bool seen)
{
    if (seen == m_pageSeen)
        return;
    m_pageSeen = seen;
    m_slot.setPageSeen(seen);
}

} // namespace kelvora
