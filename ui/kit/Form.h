#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include <QPushButton>
class Form;

template<class T>
struct FormSlot
{
    static inline T *object = nullptr;
};

// The top-level widget of a loaded window. Closing it unloads the window.
// It also gives plain windows the default (Enter) and cancel (Esc) buttons that
// Qt keeps for dialogs.
class FormWindow : public QWidget
{
    Q_OBJECT
public:
    explicit FormWindow(Form *form, Qt::WindowFlags flags = Qt::Window);

    void setDefaultButton(QPushButton *button) { m_default = button; }
    void setCancelButton(QPushButton *button) { m_cancel = button; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPointer<Form> m_form;
    QPointer<QPushButton> m_default;
    QPointer<QPushButton> m_cancel;
};

// A window object: one per window and process. It outlives its widget, so the
// members a window keeps across a close (tick counters and the like) live here.
// Showing loads the window first; closing unloads it and stops its timers.
class Form : public QObject
{
    Q_OBJECT
public:
    ~Form() override;

    // The loaded window; reading it loads the window, hidden, when it is not loaded.
    QWidget *window();
    bool isLoaded() const { return !m_window.isNull(); }
    bool isShown() const; // never loads
    void show();
    void hide();
    void unload();

    template<class T>
    static T &instance();
    // The window object if it exists; never creates or loads anything.
    template<class T>
    static T *existing() { return FormSlot<T>::object; }

    // Removes every window object; each comes back afresh on its next use.
    static void destroyAll();
    static int loadedCount();
    // Called when the last loaded window is unloaded: the process ends then.
    static void setAllUnloadedHandler(std::function<void()> handler);

protected:
    Form() = default;

    // Builds the window and its controls, hidden, in their initial state.
    virtual FormWindow *createWindow() = 0;
    // The window's load step; runs once per load, after createWindow.
    virtual void Form_Load() {}
    // The controls are about to go: forget every pointer to them.
    virtual void Form_Unload() {}

private:
    friend class FormWindow;
    void windowClosed();
    void load();
    static void remember(Form *form, void (*forget)());

    QPointer<FormWindow> m_window;
    void (*m_forget)() = nullptr;
};

// A window object whose controls live in a struct of their own, made afresh
// at every load and dropped at every unload.
template<class Controls>
class FormWith : public Form
{
public:
    // The controls; reading them loads the window, hidden, when it is not loaded.
    Controls &ui()
    {
        window();
        return *m_ui;
    }

protected:
    // A new top-level window, hidden, with a fresh set of controls to fill in.
    FormWindow *newWindow(const QString &name, const QString &caption, Qt::WindowFlags flags = Qt::Window)
    {
        auto *w = new FormWindow(this, flags);
        w->setObjectName(name);
        w->setWindowTitle(caption);
        m_ui = std::make_unique<Controls>();
        return w;
    }
    void Form_Unload() override { m_ui.reset(); }

    std::unique_ptr<Controls> m_ui;
};

template<class T>
T &Form::instance()
{
    if (!FormSlot<T>::object) {
        FormSlot<T>::object = new T;
        remember(FormSlot<T>::object, [] { FormSlot<T>::object = nullptr; });
    }
    return *FormSlot<T>::object;
}
