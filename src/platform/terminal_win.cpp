#include "platform/terminal.h"

#include <cstdio>
#include <io.h>
#include <string>
#include <windows.h>

namespace kelvora {
namespace {

void writeConsole(const QString &text)
{
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(err, &mode)) {
        DWORD written = 0;
        WriteConsoleW(err, reinterpret_cast<const wchar_t *>(text.utf16()), DWORD(text.size()), &written,
                      nullptr);
        return;
    }
    // Redirected: the bytes go to a file or a pipe, in UTF-8.
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

} // namespace

std::optional<QString> readSecretLine(const QString &prompt)
{
    writeConsole(prompt);
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(in, &mode)) {
        SetConsoleMode(in, mode & ~DWORD(ENABLE_ECHO_INPUT));
        wchar_t buffer[512];
        DWORD read = 0;
        const bool ok = ReadConsoleW(in, buffer, DWORD(std::size(buffer)), &read, nullptr);
        SetConsoleMode(in, mode);
        writeConsole(QStringLiteral("\n"));
        if (!ok || read == 0)
            return std::nullopt;
        QString line = QString::fromWCharArray(buffer, int(read));
        while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        return line;
    }
    std::string line;
    bool got = false;
    for (int c = std::getchar(); c != EOF; c = std::getchar()) {
        got = true;
        if (c == '\n')
            break;
        line.push_back(char(c));
    }
    if (!got)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromUtf8(line.data(), qsizetype(line.size()));
}

bool consoleIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

void tellOnConsole(const QString &line)
{
    writeConsole(line + QLatin1Char('\n'));
}

} // namespace kelvora
