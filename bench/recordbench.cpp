// The record at its largest: 30 days of eight slots, slots 1-7 reloaded every minute and slot 8
// every second, made by writing each reload's outcome through the program's own record, as fast as
// it goes. Prints what a write costs, how large the file is, how long the window takes to open and
// draw on it, and what the record adds to the program's memory with the window closed.
//
//   kelvora_recordbench [folder]     (the file is made there; a temporary folder by default)

#include "core/record.h"
#include "core/slottable.h"
#include "platform/memory.h"
#include "record/recordstore.h"
#include "recordwin/recordwindow.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kelvora;

namespace {

constexpr qint64 Second = 1000;
constexpr qint64 Minute = 60 * Second;
constexpr qint64 Hour = 60 * Minute;
constexpr qint64 Day = 24 * Hour;
constexpr int Days = 30;

double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return 0;
}

double fileMb(const QString &path)
{
    double bytes = 0;
    for (const char *suffix : {"", "-wal", "-shm"})
        bytes += double(QFileInfo(path + QLatin1String(suffix)).size());
    return bytes / 1024 / 1024;
}

/**
 * A month of the program's life: restarted every third day, each slot logged out for 20 minutes a
 * day, slot 3's forum down for 10 minutes a day, slot 8's reloads failing one in a thousand.
 */
std::vector<qint64> writeMonth(RecordStore &store, qint64 from)
{
    std::vector<qint64> writeNs;
    writeNs.reserve(std::size_t(Days) * 86400 + std::size_t(Days) * 1440 * 7);
    QElapsedTimer timer;
    for (qint64 at = from; at < from + Days * Day; at += Second) {
        const qint64 ofDay = (at - from) % Day;
        if ((at - from) % (3 * Day) == 0) {
            if (at > from)
                store.add({at - Second, -1, RecordKind::ProgramEnded, {}});
            store.add({at, -1, RecordKind::ProgramStarted, {}});
            for (int slot = 0; slot < SlotCount; ++slot) {
                store.add({at, slot, RecordKind::Resumed, QStringLiteral("http://127.0.0.2/thread")});
                store.add({at, slot, RecordKind::Opened, QStringLiteral("http://127.0.0.2/thread")});
                store.add({at, slot, RecordKind::Started, {}});
            }
        }
        for (int slot = 0; slot < SlotCount; ++slot) {
            const qint64 outAt = (slot + 1) * Hour;
            if (ofDay == outAt)
                store.add({at, slot, RecordKind::LoggedOut, {}});
            if (ofDay == outAt + 20 * Minute)
                store.add({at, slot, RecordKind::LoggedIn, {}});
            const bool reloads = slot == 7 || ofDay % Minute == slot * Second;
            if (!reloads)
                continue;
            const bool down = slot == 2 && ofDay >= 12 * Hour && ofDay < 12 * Hour + 10 * Minute;
            const bool answered = !down && !(slot == 7 && (at / Second) % 1000 == 0);
            timer.start();
            store.addOutcome(slot, at,
                             answered ? ReloadResult{} : ReloadResult{ReloadOutcome::NetworkError, -7});
            writeNs.push_back(timer.nsecsElapsed());
        }
        if (ofDay % (10 * Minute) == 0)
            store.markAlive(at);
    }
    return writeNs;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const QString path = folder + QStringLiteral("/") + RecordStore::fileName();
    QFile::remove(path);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 from = now - Days * Day;

    QElapsedTimer generating;
    generating.start();
    std::vector<qint64> writeNs;
    {
        RecordStore store(path);
        if (!store.open())
            return 1;
        writeNs = writeMonth(store, from);
    }
    const double generatedS = double(generating.elapsed()) / 1000;
    std::sort(writeNs.begin(), writeNs.end());
    double sum = 0;
    for (const qint64 ns : writeNs)
        sum += double(ns);
    const auto at = [&](double share) {
        return double(writeNs[std::size_t(share * double(writeNs.size() - 1))]) / 1000;
    };
    std::printf("writes: %zu in %.0f s; per reload's outcome: mean %.1f us, median %.1f us, p99 %.1f us, "
                "p99.99 %.1f us, max %.1f us\n",
                writeNs.size(), generatedS, sum / double(writeNs.size()) / 1000, at(0.5), at(0.99),
                at(0.9999), at(1.0));
    writeNs = {};
    std::printf("file: %.1f MB\n", fileMb(path));

    // What the program holds for the record while it runs with the window closed: the file open,
    // a minute of slot 8's outcomes, and the window opened once and closed again.
    // The program has its main window up before the record opens: labels in a CJK face, buttons,
    // a scrolled area, drawn once.
    QWidget shown;
    auto *layout = new QVBoxLayout(&shown);
    layout->addWidget(new QLabel(QStringLiteral("论坛一：运行中　在线 3 小时 5 分"), &shown));
    layout->addWidget(new QPushButton(QStringLiteral("开始"), &shown));
    auto *scrolled = new QScrollArea(&shown);
    scrolled->setWidget(new QLabel(QStringLiteral("下次刷新：12 秒后")));
    layout->addWidget(scrolled);
    shown.show();
    shown.repaint();
    app.processEvents();
    releaseFreedMemory();
    const double before = residentMb();
    QElapsedTimer timer;
    timer.start();
    RecordStore store(path);
    if (!store.open())
        return 1;
    const double openMs = double(timer.nsecsElapsed()) / 1e6;
    store.add({now, -1, RecordKind::ProgramStarted, {}});
    for (qint64 ms = now; ms < now + Minute; ms += Second)
        store.addOutcome(7, ms, {});
    store.markAlive(now + Minute);
    releaseFreedMemory();
    const double storeOnly = residentMb();
    for (int round = 0; round < 2; ++round) {
        timer.start();
        const RecordData data = store.read(now - RecordWeekMs);
        const double readMs = double(timer.nsecsElapsed()) / 1e6;
        const auto picture = recordPicture(data, now + Minute, true);
        const double builtMs = double(timer.nsecsElapsed()) / 1e6;
        auto *window = new RecordWindow;
        window->showPicture(picture, path);
        window->show();
        window->repaint(); // draws every strip now, as the first paint does
        app.processEvents();
        const double drawnMs = double(timer.nsecsElapsed()) / 1e6;
        std::printf(
            "window (%s): read %.0f ms, strips built %.0f ms, shown and drawn %.0f ms: %.0f ms in all "
            "(%zu events, %zu minute rows)\n",
            round == 0 ? "first" : "again", readMs, builtMs - readMs, drawnMs - builtMs, drawnMs,
            data.events.size(), data.minutes.size());
        delete window;
        app.processEvents();
    }
    for (qint64 ms = now + Minute; ms < now + 2 * Minute; ms += Second)
        store.addOutcome(7, ms, {});
    releaseFreedMemory();
    std::printf("open: %.0f ms (with its check); memory for the record: +%.1f MB before the window was "
                "opened, +%.1f MB after it was closed\n",
                openMs, storeOnly - before, residentMb() - before);
    return 0;
}
