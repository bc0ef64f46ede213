#include "ui/kit/ImmediateButtons.h"
#include "ui/kit/Presses.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QShortcutEvent>
#include <QToolButton>

namespace {

class Accelerators : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Shortcut)
            return false;
        auto *button = qobject_cast<QAbstractButton *>(watched);
        // Two buttons sharing a letter: Qt's own handling moves the focus between them.
        if (!button || static_cast<QShortcutEvent *>(event)->isAmbiguous() || !button->isEnabled())
            return false;
        if (button->isCheckable() && (button->focusPolicy() & Qt::ClickFocus))
            button->setFocus(Qt::ShortcutFocusReason);
        button->click();
        return true;
    }
};

// What assistive technology sees of a button: its caption, its state, and a
// press (or toggle) that clicks it as soon as the press has returned.
class AccessibleButton : public QAccessibleWidget
{
public:
    AccessibleButton(QAbstractButton *button, QAccessible::Role role)
        : QAccessibleWidget(button, role)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? caption() : name;
        }
        if (t == QAccessible::Accelerator)
            return QKeySequence::mnemonic(button()->text()).toString(QKeySequence::NativeText);
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = button()->isCheckable();
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        if (const auto *box = qobject_cast<const QCheckBox *>(button()))
            s.checkStateMixed = box->checkState() == Qt::PartiallyChecked;
        if (const auto *push = qobject_cast<const QPushButton *>(button()))
            s.defaultButton = push->isDefault();
        return s;
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (widget()->isEnabled())
            names << (role() == QAccessible::Button ? pressAction() : toggleAction());
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action == pressAction() || action == toggleAction()) {
            if (widget()->isEnabled())
                post(button());
            return;
        }
        QAccessibleWidget::doAction(action);
    }

    QStringList keyBindingsForAction(const QString &action) const override
    {
        const QString key = text(QAccessible::Accelerator);
        if ((action == pressAction() || action == toggleAction()) && !key.isEmpty())
            return {key};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

private:
    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }

    // A box the click opens must not hold the assistive technology until it is
    // closed; a window under another's box takes its press once the box is gone.
    static void post(QAbstractButton *target)
    {
        const QPointer<QAbstractButton> b(target);
        Presses::post(
            target->window(),
            [b] {
                const QWidget *modal = QApplication::activeModalWidget();
                return b && modal && modal != b->window();
            },
            [b] {
                if (b && b->isEnabled())
                    b->click();
            });
    }

    // The caption as read aloud: "&Use" is "Use", "&&" one "&".
    QString caption() const
    {
        const QString raw = button()->text();
        QString plain;
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] == u'&' && i + 1 < raw.size())
                ++i;
            plain += raw[i];
        }
        return plain;
    }
};

QAccessibleInterface *accessibleButton(const QString &className, QObject *object)
{
    auto *button = qobject_cast<QAbstractButton *>(object);
    if (!button)
        return nullptr;
    // Buttons with a menu keep Qt's own interface, which opens the menu.
    if (const auto *push = qobject_cast<QPushButton *>(button); push && push->menu())
        return nullptr;
    if (const auto *tool = qobject_cast<QToolButton *>(button); tool && tool->menu())
        return nullptr;
    if (className == QLatin1String("QPushButton") || className == QLatin1String("QToolButton"))
        return new AccessibleButton(button, QAccessible::Button);
    if (className == QLatin1String("QCheckBox"))
        return new AccessibleButton(button, QAccessible::CheckBox);
    if (className == QLatin1String("QRadioButton"))
        return new AccessibleButton(button, QAccessible::RadioButton);
    return nullptr;
}

} // namespace

namespace ImmediateButtons {

void install()
{
    static QPointer<Accelerators> installed;
    if (installed || !qApp)
        return;
    installed = new Accelerators(qApp);
    qApp->installEventFilter(installed);
    QAccessible::installFactory(accessibleButton);
}

} // namespace ImmediateButtons
