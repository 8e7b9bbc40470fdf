#include "core/urllisteditor.h"

#include <utility>

namespace kelvora {

UrlListEditorState::UrlListEditorState(QString loadedText) : m_loadedText(std::move(loadedText)) {}

void UrlListEditorState::unlock()
{
    if (m_view == View::Viewing)
        m_view = View::Editing;
}

void UrlListEditorState::toggleHelp()
{
    // Back from the help view the text is locked again, whatever it was before.
    m_view = m_view == View::Help ? View::Viewing : View::Help;
}

void UrlListEditorState::saved(const QString &text)
{
    m_loadedText = text;
    if (m_view == View::Editing)
        m_view = View::Viewing;
}

UrlListEditorState::CloseDecision UrlListEditorState::closeDecision(const QString &currentText) const
{
    if (m_view == View::Editing || currentText != m_loadedText)
        return CloseDecision::Ask;
    return CloseDecision::Close;
}

} // namespace kelvora
