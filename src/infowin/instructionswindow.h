#pragma once

#include <QWidget>

namespace kelvora {

/**
 * The instructions window "说明": the usage notes, with a link to the author's home page on its
 * first line. It deletes itself when closed; whoever opens it keeps a QPointer to it.
 */
class InstructionsWindow : public QWidget
{
    Q_OBJECT

public:
    explicit InstructionsWindow(QWidget *parent = nullptr);

    /** The 19 lines of the notes, as shown. */
    static QStringList lines();

signals:
    /** The link was clicked: the author's home page is to be opened. */
    void homePageRequested();
};

} // namespace kelvora
