#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace kelvora {

class WebPageService;

/**
 * "手机/网页查看…": serves the running program's web page, so its slots can be watched and steered
 * from a phone or another computer. A password comes first; then the address to listen on, of this
 * machine's, and the port; then where to open the page.
 */
class WebPageDialog : public QDialog
{
    Q_OBJECT

public:
    explicit WebPageDialog(WebPageService &service, QWidget *parent = nullptr);

private:
    void serve();
    void stopServing();
    void showState(const QStringList &lines);

    WebPageService &m_service;
    QLineEdit *m_password;
    QLineEdit *m_again;
    QComboBox *m_address;
    QSpinBox *m_port;
    QPushButton *m_serve;
    QPushButton *m_stop;
    QLabel *m_where;
};

} // namespace kelvora
