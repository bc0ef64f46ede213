#include "ui/kit/Form.h"

#include "ui/kit/Modal.h"

#include "ui/kit/Fit.h"
#include "ui/kit/ImmediateButtons.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace {
QList<Form *> &forms()
{
    // cppcheck-suppress unassignedVariable ; filled through the returned reference
    static QList<Form *> all;
    return all;
}

std::function<void()> &allUnloadedHandler()
{
    static std::function<void()> handler;
    return handler;
}
} // namespace

FormWindow::FormWindow(Form *form, Qt::WindowFlags flags)
    : QWidget(nullptr, flags)
    , m_form(form)
{
    ImmediateButtons::install();
}

void FormWindow::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted() && m_form)
        m_form->windowClosed();
}

void FormWindow::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A focused button takes Enter itself; otherwise the default button does.
        if (auto *focused = qobject_cast<QPushButton *>(focusWidget()); focused && focused->isVisible()) {
            focused->click();
            return;
        }
        if (m_default && m_default->isVisible() && m_default->isEnabled()) {
            m_default->click();
            return;
        }
        break;
    case Qt::Key_Escape:
        if (m_cancel && m_cancel->isVisible() && m_cancel->isEnabled()) {
            m_cancel->click();
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

Form::~Form()
{
    if (m_window) {
        m_window->hide();
        delete m_window.data();
    }
    forms().removeOne(this);
    if (m_forget)
        m_forget();
}

void Form::remember(Form *form, void (*forget)())
{
    form->m_forget = forget;
    forms().append(form);
}

void Form::destroyAll()
{
    while (!forms().isEmpty())
        delete forms().takeLast();
}

int Form::loadedCount()
{
    return int(std::count_if(forms().cbegin(), forms().cend(), [](const Form *form) { return form->isLoaded(); }));
}

void Form::setAllUnloadedHandler(std::function<void()> handler)
{
    allUnloadedHandler() = std::move(handler);
}

QWidget *Form::window()
{
    if (!m_window)
        load();
    return m_window;
}

bool Form::isShown() const
{
    return m_window && m_window->isVisible();
}

void Form::load()
{
    // Any window's file dialog or preview holds the pacing as a box does.
    Modal::watchModalWindows();
    m_window = createWindow();
    Q_ASSERT(m_window && !m_window->isVisible());
    Form_Load();
}

void Form::show()
{
    const bool wasLoaded = isLoaded();
    QWidget *w = window();
    if (wasLoaded && w->isVisible()) {
        w->raise();
        w->activateWindow();
        return;
    }
    // Every window opens within its screen, whatever the scale.
    Fit::toScreen(w);
    w->show();
    w->activateWindow();
}

void Form::hide()
{
    if (m_window)
        m_window->hide();
}

void Form::unload()
{
    if (m_window)
        m_window->close();
}

void Form::windowClosed()
{
    FormWindow *closing = m_window;
    if (!closing)
        return;
    // Timers stop with the window at once, not when the widget is finally deleted.
    for (QTimer *timer : closing->findChildren<QTimer *>())
        timer->stop();
    Form_Unload();
    m_window = nullptr;
    closing->deleteLater();
    // The process never outlives its last visible window: windows that were only
    // loaded hidden (the main window read by the "Calls" window) go with it.
    static bool unloadingHidden = false;
    if (unloadingHidden)
        return;
    if (!std::any_of(forms().cbegin(), forms().cend(), [](const Form *f) { return f->isShown(); })) {
        unloadingHidden = true;
        for (Form *form : QList<Form *>(forms()))
            form->unload();
        unloadingHidden = false;
    }
    if (loadedCount() == 0 && allUnloadedHandler())
        allUnloadedHandler()();
}
