#include "platform/terminal.h"

#include <cstdio>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace kelvora {

std::optional<QString> readSecretLine(const QString &prompt)
{
    std::fputs(prompt.toUtf8().constData(), stderr);
    std::fflush(stderr);
    termios before{};
    const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &before) == 0;
    if (terminal) {
        termios hidden = before;
        hidden.c_lflag &= ~tcflag_t(ECHO);
        hidden.c_lflag |= ECHONL;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    }
    std::string line;
    bool got = false;
    for (int c = std::getchar(); c != EOF; c = std::getchar()) {
        got = true;
        if (c == '\n')
            break;
        line.push_back(char(c));
    }
    if (terminal)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
    if (!got)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromUtf8(line.data(), qsizetype(line.size()));
}

bool consoleIsTerminal()
{
    return isatty(STDERR_FILENO) != 0;
}

void tellOnConsole(const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stderr);
    std::fflush(stderr);
}

} // namespace kelvora
