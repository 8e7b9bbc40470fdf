#pragma once

#include "common/forumserver.h"
#include "common/guitest.h"

#include <map>
#include <memory>

namespace kelvora::test {

/**
 * The fixture of every end-to-end test: the test forums, each on an address of its own in
 * 127.0.0.0/8 so that each has its own cookies, and the eight running slots with a window over
 * them (see SlotWindow). A forum starts the first time it is asked for.
 */
class ForumWindow : public SlotWindow
{
public:
    /** The forum on 127.0.0.`host`, listening from the first call on. */
    ForumServer &forum(int host = 2) const
    {
        std::unique_ptr<ForumServer> &forum = m_forums[host];
        if (!forum) {
            forum = std::make_unique<ForumServer>();
            if (!forum->listen(QHostAddress(QStringLiteral("127.0.0.%1").arg(host))))
                qFatal("the test forum cannot listen on 127.0.0.%d", host);
        }
        return *forum;
    }

private:
    mutable std::map<int, std::unique_ptr<ForumServer>> m_forums;
};

} // namespace kelvora::test
