#include "ui/boards/Corners.h"

#include "ui/kit/Look.h"
#include "ui/kit/Message.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {
// Field indices row by row, left before right; this is also the tab order.
constexpr std::array<int, Corners::Fields> GridOrder = {4, 0, 1, 2, 3, 5, 6, 7};
} // namespace

FormWindow *Corners::createWindow()
{
    auto *w = newWindow(QStringLiteral("Corners"), QStringLiteral("Corners"));
    Look::setClientSize(w, 6600, 3060);
    Controls &c = *m_ui;

    c.cmdClear = Look::make<QPushButton>(w, "cmdClear", "Clear", 0, 0, 1575, 375);

    addClockControls(c, w, QStringLiteral("Time Since Last Clear"), 3360, 120, 4800, 120);

    QWidget *previous = c.cmdClear;
    for (int slot = 0; slot < Fields; ++slot) {
        const int i = GridOrder[slot];
        auto *field = new QLineEdit(w);
        field->setObjectName(QStringLiteral("txtM_%1").arg(i));
        field->setAccessibleName(QStringLiteral("Name %1").arg(slot + 1));
        field->setFont(Look::sansSerif(18, true));
        Look::place(field, slot % 2 == 0 ? 120 : 3360, 600 + 600 * (slot / 2), 3135, 555);
        QWidget::setTabOrder(previous, field);
        previous = field;
        c.txtM[i] = field;
    }

    connect(c.cmdClear, &QPushButton::clicked, this, &Corners::cmdClear_Click);
    connect(c.Timer1, &QTimer::timeout, this, &Corners::Timer1_Timer);
    return w;
}

void Corners::Form_Load()
{
    m_ui->cmdClear->setFocus();
    restartClock(*this, *m_ui);
}

void Corners::Timer1_Timer()
{
    showClock(*this, *m_ui);
}

void Corners::cmdClear_Click()
{
    // The names are typed in during the dance: a stray press must not lose them.
    if (!Message::ask(QStringLiteral("Clear every name on the board?"), window()))
        return;
    for (QLineEdit *field : m_ui->txtM)
        field->clear();
    restartClock(*this, *m_ui);
}
