#include "ui/kit/WaitingWindow.h"

#include "core/app/AppIdentity.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

WaitingWindow::WaitingWindow() = default;
WaitingWindow::~WaitingWindow() = default;

void WaitingWindow::install()
{
    static WaitingWindow window;
    Waiting::setPolicy(&window);
}

// Shown from the first refused attempt on; modal, so that no other click
// starts work of its own meanwhile.
void WaitingWindow::begin(const QString &file, int timeoutMs)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    m_dialog = std::make_unique<QProgressDialog>();
    QProgressDialog *dialog = m_dialog.get();
    dialog->setObjectName(QStringLiteral("dlgWaiting"));
    dialog->setWindowTitle(AppIdentity::title());
    dialog->setAccessibleName(QStringLiteral("Waiting for the call database"));
    dialog->setLabelText(QStringLiteral("Waiting for the %1: another program is using it.\n\nVorlet goes on by itself "
                                        "as soon as the file is free, or gives up after %2 seconds.")
                             .arg(file, QString::number(timeoutMs / 1000)));
    dialog->setCancelButtonText(QStringLiteral("Cancel"));
    dialog->setRange(0, 0);
    dialog->setMinimumDuration(0);
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
}

bool WaitingWindow::pause(int ms)
{
    QEventLoop pause;
    QTimer::singleShot(ms, &pause, &QEventLoop::quit);
    if (m_dialog)
        QObject::connect(m_dialog.get(), &QProgressDialog::canceled, &pause, &QEventLoop::quit);
    pause.exec();
    return !(m_dialog && m_dialog->wasCanceled());
}

void WaitingWindow::end()
{
    m_dialog.reset();
}
