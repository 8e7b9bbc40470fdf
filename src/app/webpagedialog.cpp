#include "app/webpagedialog.h"

#include "server/webservice.h"
#include "webui/webconfig.h"
#include "words/words.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kelvora {

WebPageDialog::WebPageDialog(WebPageService &service, QWidget *parent)
    : QDialog(parent), m_service(service), m_password(new QLineEdit(this)), m_again(new QLineEdit(this)),
      m_address(new QComboBox(this)), m_port(new QSpinBox(this)),
      m_serve(new QPushButton(QStringLiteral("开始提供网页"), this)),
      m_stop(new QPushButton(QStringLiteral("停止提供"), this)), m_where(new QLabel(this))
{
    setObjectName(QStringLiteral("webPageDialog"));
    setWindowTitle(QStringLiteral("手机/网页查看"));
    const WebUiConfig config = m_service.readConfig();

    auto *intro =
        new QLabel(QStringLiteral("在手机或别的电脑的浏览器里查看和操作这里的挂机。先设定登录网页用的密码；"
                                  "只在本机查看时，地址选 127.0.0.1。"),
                   this);
    intro->setWordWrap(true);
    m_password->setObjectName(QStringLiteral("webPassword"));
    m_again->setObjectName(QStringLiteral("webPasswordAgain"));
    for (QLineEdit *box : {m_password, m_again})
        box->setEchoMode(QLineEdit::Password);
    if (!config.passwordHash.isEmpty())
        m_password->setPlaceholderText(QStringLiteral("已设定；不改就留空"));

    m_address->setObjectName(QStringLiteral("webAddress"));
    m_address->addItem(QStringLiteral("127.0.0.1（只在本机）"), QStringLiteral("127.0.0.1"));
    for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
        if (!address.isLoopback() && !address.isLinkLocal() &&
            address.protocol() == QAbstractSocket::IPv4Protocol)
            m_address->addItem(address.toString(), address.toString());
    }
    m_address->addItem(QStringLiteral("0.0.0.0（本机的所有地址）"), QStringLiteral("0.0.0.0"));
    const int kept = m_address->findData(config.address.toString());
    m_address->setCurrentIndex(kept >= 0 ? kept : 0);
    m_port->setObjectName(QStringLiteral("webPort"));
    m_port->setRange(1024, 65535);
    m_port->setValue(config.port >= 1024 ? config.port : WebUiConfig::DefaultPort);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("密码："), m_password);
    form->addRow(QStringLiteral("再输入一次："), m_again);
    form->addRow(QStringLiteral("地址："), m_address);
    form->addRow(QStringLiteral("端口："), m_port);

    m_serve->setObjectName(QStringLiteral("webServe"));
    m_stop->setObjectName(QStringLiteral("webStop"));
    m_where->setObjectName(QStringLiteral("webWhere"));
    m_where->setWordWrap(true);
    m_where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_serve, QDialogButtonBox::ActionRole);
    buttons->addButton(m_stop, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_serve, &QPushButton::clicked, this, &WebPageDialog::serve);
    connect(m_stop, &QPushButton::clicked, this, &WebPageDialog::stopServing);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(m_where);
    layout->addWidget(buttons);
    showState(m_service.isServing() ? QStringList{webPageAtText(m_service.pageAddress())} : QStringList());
}

void WebPageDialog::showState(const QStringList &lines)
{
    m_where->setText(lines.join(QLatin1Char('\n')));
    m_stop->setEnabled(m_service.isServing());
}

void WebPageDialog::serve()
{
    WebUiConfig config = m_service.readConfig();
    // A password first: the desktop's page never opens with the access code alone.
    if (config.passwordHash.isEmpty() || !m_password->text().isEmpty()) {
        const WebPasswordChange change = checkWebPassword(m_password->text(), m_again->text());
        if (change != WebPasswordChange::Set) {
            showState({webPasswordChangeText(change, {})});
            return;
        }
        config.passwordHash = hashWebPassword(m_password->text());
    }
    m_password->clear();
    m_again->clear();
    config.address = QHostAddress(m_address->currentData().toString());
    config.port = quint16(m_port->value());
    config.servedByDesktop = true;
    QString error;
    if (!config.write(m_service.configFile(), &error)) {
        showState({webPasswordChangeText(WebPasswordChange::NotKept, error)});
        return;
    }
    QStringList lines = m_service.serve(config, false);
    if (m_service.isServing() && !config.isSecure() && !config.address.isLoopback())
        lines << QStringLiteral("这是不加密的 HTTP：同一网络里的人能看到往来的内容。网页上不能提交论坛账号；"
                                "在外面查看请用 SSH 隧道或 HTTPS（见说明）。");
    showState(lines);
}

void WebPageDialog::stopServing()
{
    m_service.stop();
    WebUiConfig config = m_service.readConfig();
    config.servedByDesktop = false;
    QString error;
    config.write(m_service.configFile(), &error);
    showState({});
}

} // namespace kelvora
