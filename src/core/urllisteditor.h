#pragma once

#include <QString>

namespace kelvora {

/**
 * What the address list editor is doing, and what it may do next. The window shows it; the
 * decisions (may it close, must it ask) are made here.
 *
 * Viewing shows the list read-only; the edit button unlocks it (editing); the help button swaps it
 * for the help text and, pressed again, comes back to viewing, locked again. An edit counts as unsaved while
 * the text is unlocked or differs from what was loaded, so no way of closing loses it unasked.
 */
class UrlListEditorState
{
public:
    enum class View
    {
        Viewing,
        Editing,
        Help,
    };

    enum class CloseDecision
    {
        Close, ///< nothing would be lost
        Ask,   ///< whether to go without saving is asked first
    };

    /** A new editor, viewing the text just loaded. */
    explicit UrlListEditorState(QString loadedText = {});

    View view() const { return m_view; }
    bool isLocked() const { return m_view != View::Editing; }
    bool isTextShown() const { return m_view != View::Help; }
    /** The edit and save buttons can be pressed everywhere but in the help view. */
    bool canEdit() const { return m_view != View::Help; }
    const QString &loadedText() const { return m_loadedText; }

    void unlock();
    void toggleHelp();
    /** The text was written to the file: it is what the file holds now, and the box is locked. */
    void saved(const QString &text);

    /** Whether closing (the close box, the exit button, the end of the program) must ask first. */
    CloseDecision closeDecision(const QString &currentText) const;

private:
    View m_view = View::Viewing;
    QString m_loadedText;
};

} // namespace kelvora
