#include "platform/hiddenwindow_win.h"
#include "platform/power.h"

#include <QLoggingCategory>

#include <string>
#include <windows.h>

namespace kelvora {
namespace {

Q_LOGGING_CATEGORY(powerLog, "kelvora.power")

QString lastErrorText()
{
    const DWORD code = GetLastError();
    wchar_t *text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    const QString words = text ? QString::fromWCharArray(text).trimmed() : QString();
    LocalFree(text);
    return QStringLiteral("%1 (%2)").arg(words).arg(code);
}

LRESULT CALLBACK powerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_POWERBROADCAST) {
        auto *power = reinterpret_cast<SystemPower *>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (power && (wParam == PBT_APMSUSPEND || wParam == PBT_APMRESUMEAUTOMATIC))
            QMetaObject::invokeMethod(power, "onPrepareForSleep", Q_ARG(bool, wParam == PBT_APMSUSPEND));
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

/**
 * A power request of the program's own ("system required"), and a hidden top-level window that
 * hears Windows say it suspends and resumes: WM_POWERBROADCAST goes to top-level windows only, and
 * a program in the tray has none that Qt handles.
 */
struct SystemPower::Private
{
    HANDLE request = nullptr;
    bool executionState = false; ///< held by SetThreadExecutionState, where power requests are missing
    HWND window = nullptr;
    bool refusalTold = false;
};

SystemPower::SystemPower(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    d->window = makeHiddenWindow(L"KelvoraPower", powerWindowProc);
    if (d->window)
        SetWindowLongPtrW(d->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

SystemPower::~SystemPower()
{
    release();
    if (d->window)
        DestroyWindow(d->window);
}

void SystemPower::hold(const QString &why)
{
    // The reason is copied by Windows when the request is made; a new reason is a new request.
    std::wstring reason = why.toStdWString();
    REASON_CONTEXT context = {};
    context.Version = POWER_REQUEST_CONTEXT_VERSION;
    context.Flags = POWER_REQUEST_CONTEXT_SIMPLE_STRING;
    context.Reason.SimpleReasonString = reason.data();
    const HANDLE request = PowerCreateRequest(&context);
    if (request == INVALID_HANDLE_VALUE && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
        // A system without power requests (Wine, for one) still has the older way, without a reason.
        if (SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0) {
            d->executionState = true;
            return;
        }
    }
    if (request == INVALID_HANDLE_VALUE || !PowerSetRequest(request, PowerRequestSystemRequired)) {
        const bool denied = GetLastError() == ERROR_ACCESS_DENIED;
        const QString detail = lastErrorText();
        if (request != INVALID_HANDLE_VALUE)
            CloseHandle(request);
        qCWarning(powerLog, "the machine cannot be kept awake: %s", qPrintable(detail));
        if (!std::exchange(d->refusalTold, true))
            emit refused(denied ? Refusal::NotAllowed : Refusal::Failed, detail);
        return;
    }
    release(); // the old request goes once the new one holds
    d->request = request;
}

void SystemPower::release()
{
    if (std::exchange(d->executionState, false))
        SetThreadExecutionState(ES_CONTINUOUS);
    if (!d->request)
        return;
    PowerClearRequest(d->request, PowerRequestSystemRequired);
    CloseHandle(std::exchange(d->request, nullptr));
}

bool SystemPower::isHeld() const
{
    return d->request != nullptr || d->executionState;
}

} // namespace kelvora
