#include "data/Waiting.h"

#include "app/AppIdentity.h"
#include "app/TimeSource.h"
#include "data/CallDatabase.h"
#include "data/DataError.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QTimer>
#include <memory>

namespace {
int openTimeoutMs = 15000;
int commandTimeoutMs = 30000;
bool waiting = false;
qint64 waitedBefore = 0; // by the waits already over
qint64 waitingSince = 0;
// The event loop's turn between two attempts.
constexpr int PauseMs = 20;

// "call database "Call_List.db" in the folder ...": the file as the waiting window names it.
QString file(const QString &path)
{
    return CallDatabase::where(path).section(u' ', 1);
}

// Shown from the first refused attempt on; modal, so that no other click
// starts work of its own meanwhile.
std::unique_ptr<QProgressDialog> indicator(const QString &path, int timeoutMs)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return nullptr;
    auto dialog = std::make_unique<QProgressDialog>();
    dialog->setObjectName(QStringLiteral("dlgWaiting"));
    dialog->setWindowTitle(AppIdentity::title());
    dialog->setAccessibleName(QStringLiteral("Waiting for the call database"));
    dialog->setLabelText(QStringLiteral("Waiting for the %1: another program is using it.\n\nVorlet goes on by itself "
                                        "as soon as the file is free, or gives up after %2 seconds.")
                             .arg(file(path), QString::number(timeoutMs / 1000)));
    dialog->setCancelButtonText(QStringLiteral("Cancel"));
    dialog->setRange(0, 0);
    dialog->setMinimumDuration(0);
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    return dialog;
}
} // namespace

namespace Waiting {

void setTimeouts(int openMs, int commandMs)
{
    openTimeoutMs = openMs;
    commandTimeoutMs = commandMs;
}

bool isWaiting()
{
    return waiting;
}

qint64 waitedMs()
{
    return waitedBefore + (waiting ? TimeSource::steady().nowMs() - waitingSince : 0);
}

void retry(Patience patience, const QString &path, const std::function<void()> &work)
{
    if (patience == Patience::Tick || waiting) {
        work();
        return;
    }
    waiting = true;
    waitingSince = TimeSource::steady().nowMs();
    const auto done = qScopeGuard([] {
        waiting = false;
        waitedBefore += TimeSource::steady().nowMs() - waitingSince;
    });
    const int timeoutMs = patience == Patience::Open ? openTimeoutMs : commandTimeoutMs;
    const QDeadlineTimer deadline(timeoutMs);
    std::unique_ptr<QProgressDialog> dialog;
    for (;;) {
        try {
            work();
            return;
        } catch (const DataError &e) {
            if (!e.isBusy() || deadline.hasExpired())
                throw;
        }
        if (!dialog)
            dialog = indicator(path, timeoutMs);
        QEventLoop pause;
        QTimer::singleShot(PauseMs, &pause, &QEventLoop::quit);
        if (dialog)
            QObject::connect(dialog.get(), &QProgressDialog::canceled, &pause, &QEventLoop::quit);
        pause.exec();
        if (dialog && dialog->wasCanceled())
            throw DataError(QStringLiteral("Cancelled while waiting for the ") + file(path),
                            DataError::Kind::Cancelled);
    }
}

} // namespace Waiting
