#include "infowin/instructionswindow.h"

#include "core/twips.h"
#include "widgets/controls.h"
#include "widgets/fonts.h"
#include "widgets/linklabel.h"
#include "words/author.h"

#include <QLabel>

#include <algorithm>

namespace kelvora {

InstructionsWindow::InstructionsWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("Form2"));
    // Two lines: the title bar shows what it can of them.
    setWindowTitle(QStringLiteral("说明") + QString(17, u' ') + QStringLiteral("\r\n") + QString(19, u' ') +
                   authorName());
    setWindowIcon(QIcon(QStringLiteral(":/icons/info-32.png")));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twipsToPixels(6495), twipsToPixels(4965));

    auto *notes = new QLabel(lines().join(QStringLiteral("\r\n")), this);
    notes->setObjectName(QStringLiteral("Label1"));
    notes->setFont(songFont(10.5));
    notes->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    notes->setWordWrap(true);
    setTextColor(notes, QColor(0, 0, 128));
    // Where the face at hand is wider than the one the notes were set in, long lines wrap and the
    // window grows to hold them all.
    const QRect area = twipsRect(120, 120, 6255, 4695);
    const int needed = notes->heightForWidth(area.width());
    notes->setGeometry(area.adjusted(0, 0, 0, std::max(0, needed - area.height())));
    setFixedSize(width(), std::max(height(), notes->geometry().bottom() + area.top()));

    auto *link = new LinkLabel(authorHomePage() + QStringLiteral("   (单击进入)"), this);
    link->setObjectName(QStringLiteral("Label2"));
    link->setFont(songFont(10.5));
    link->move(twipsPoint(960, 120));
    link->adjustSize();
    setTextColor(link, QColor(192, 0, 0));
    link->setHighlightOnHover(false);
    connect(link, &LinkLabel::clicked, this, &InstructionsWindow::homePageRequested);
}

QStringList InstructionsWindow::lines()
{
    return {
        QStringLiteral("QQ空间:   "),
        QStringLiteral("好消息：凡在作者主页转载任意一篇软件更新的博文，并留下"),
        QStringLiteral("电子邮箱的朋友，都可获赠某电脑杂志2008年合订本附带的"),
        QStringLiteral("软件合集（约650MB）。"),
        QStringLiteral("详情请看作者主页上的说明，数量有限，送完为止。"),
        QString(),
        QStringLiteral("软件说明:"),
        QStringLiteral("1、刷新时间请输入整数时间。"),
        QStringLiteral("2、上线后在程序中打开一个可以打开的贴子，然后点“开始挂线”。"),
        QStringLiteral("3、若在IE浏览器登陆了你的账号，程序有可能掉线，请在程序中登陆重新操作。"),
        QStringLiteral("4、不要把刷新时间设的太小，不然在一定时间内占资源很大。"),
        QStringLiteral("5、提醒：设计完成后，尽量将程序最小化，可以节省四分之三的资源。"),
        QStringLiteral("6、论坛八更新为以秒单位，其他以分为单位。"),
        QStringLiteral("7、增加论坛的方法在“增加”窗口说明。"),
        QStringLiteral("8、有任何不当之处联系 QQ:") + authorContactNumber(),
        QStringLiteral("9、学习之用，不得滥用。出现任何后果，概不负责！"),
        QStringLiteral("10、最后的更新，祝亲爱的Selvie永远幸福！"),
        QString(33, u' '),
        QString(24, u' ') + QStringLiteral("by  ") + authorName(),
    };
}

} // namespace kelvora
