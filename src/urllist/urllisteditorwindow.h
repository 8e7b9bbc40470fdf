#pragma once

#include "core/urllisteditor.h"
#include "core/urllistfile.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

namespace kelvora {

/**
 * The address list editor "增加": the list file as free text, read-only until "修 改", with
 * "保 存", "退出" and a help view. It reads the file when it opens and writes it only on "保 存".
 * It deletes itself when closed; whoever opens it keeps a QPointer to it.
 */
class UrlListEditorWindow : public QWidget
{
    Q_OBJECT

public:
    explicit UrlListEditorWindow(const UrlListFile &file, QWidget *parent = nullptr);

    const UrlListEditorState &state() const { return m_state; }
    /**
     * Asks "未保存，真的要退出吗？" when closing would lose an edit; true when the editor may go.
     * The program asks this before it ends from its main window.
     */
    bool mayDiscard();
    /** Closes the editor without a question, as the end of the program does. */
    void discard();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void load();
    void showState();
    void save();

    UrlListFile m_file;
    UrlListEditorState m_state;
    QPlainTextEdit *m_text = nullptr;
    QLabel *m_title = nullptr;
    QScrollArea *m_helpArea = nullptr;
    QLabel *m_help = nullptr;
    QPushButton *m_modify = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_quit = nullptr;
    QPushButton *m_helpButton = nullptr;
    bool m_closeDecided = false;
    QString m_loadedText; ///< the file's text as read here, to tell whether someone else changed it since
};

} // namespace kelvora
