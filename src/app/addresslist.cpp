#include "app/addresslist.h"

#include "widgets/messagebox.h"
#include "words/words.h"

#include <QDir>

namespace kelvora {

bool AddressList::makeIfMissing(QWidget *messageParent)
{
    if (m_file.exists())
        return true;
    const UrlListResult result = m_file.seed(defaultForumList());
    if (result.ok())
        return true;
    MessageBox::warning(messageParent,
                        QStringLiteral("无法创建网址列表文件 %1：%2")
                            .arg(QDir::toNativeSeparators(m_file.path()), urlListErrorText(result.error)));
    return false;
}

QStringList AddressList::read(QWidget *messageParent) const
{
    // The whole file is read and closed at once.
    const UrlListRead read = m_file.readEntries();
    const QString path = QDir::toNativeSeparators(m_file.path());
    if (!read.ok())
        MessageBox::warning(
            messageParent,
            QStringLiteral("无法读取网址列表文件 %1：%2").arg(path, urlListErrorText(read.error)));
    else if (read.notText.any())
        MessageBox::warning(messageParent,
                            QStringLiteral("网址列表文件 %1 不全是文本（%2），只取用了其中能读出的网址。")
                                .arg(path, notTextText(read.notText)));
    return read.entries;
}

} // namespace kelvora
