#include "ui/boards/HomePositions.h"

#include "ui/kit/Fit.h"
#include "ui/kit/Look.h"
#include "ui/calls/CallForm.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {
// Place number of each index: the order in which "1423" passes couples on.
constexpr std::array<int, HomePositions::Places> PlaceOf = {1, 4, 2, 3, 5, 6, 7};

struct BoxSpot
{
    int manLeft, manTop, womanLeft, womanTop;
};
// By index. The square's couples face the centre, the woman on the man's right.
constexpr std::array<BoxSpot, HomePositions::Places> Spots = {{
    {1200, 2880, 3360, 2880}, // #1, bottom edge
    {120, 1320, 120, 1920},   // #4, left edge
    {4440, 1920, 4440, 1320}, // #2, right edge
    {3360, 360, 1200, 360},   // #3, top edge
    {120, 3600, 120, 4200},   // #5
    {2280, 3600, 2280, 4200}, // #6
    {120, 2520, 120, 3120},   // #7, never shown
}};

// A couple's two names, taken before a move overwrites them.
struct Couple
{
    QString man, woman;
};
} // namespace

FormWindow *HomePositions::createWindow()
{
    auto *w = newWindow(QStringLiteral("HomePositions"), QStringLiteral("Home Positions"));
    Look::setClientSize(w, 6555, 4860);
    Controls &c = *m_ui;

    auto nameBox = [w](const QString &name, const QString &text, int l, int t) {
        auto *box = new QLineEdit(text, w);
        box->setObjectName(name);
        box->setFont(Look::sansSerif(18, true));
        Look::place(box, l, t, 2055, 555);
        return box;
    };
    for (int i = 0; i < Places; ++i) {
        const QString place = QStringLiteral("#%1 ").arg(PlaceOf[i]);
        c.txtM[i] = nameBox(QStringLiteral("txtM_%1").arg(i), place + QStringLiteral("Man"), Spots[i].manLeft,
                            Spots[i].manTop);
        c.txtW[i] = nameBox(QStringLiteral("txtW_%1").arg(i), place + QStringLiteral("Woman"),
                            Spots[i].womanLeft, Spots[i].womanTop);
        c.txtM[i]->setAccessibleName(QStringLiteral("Place #%1, man").arg(PlaceOf[i]));
        c.txtW[i]->setAccessibleName(QStringLiteral("Place #%1, woman").arg(PlaceOf[i]));
    }
    c.txtM[6]->hide();
    c.txtW[6]->hide();

    auto button = [w](const char *name, const char *caption, int top) {
        return Look::make<QPushButton>(w, name, caption, 2520, top, 1575, 375);
    };
    c.cmdRotate = button("cmdRotate", "R&otate", 1080);
    c.cmdSH = button("cmdSH", "Switch Heads", 1680);
    c.cmdSS = button("cmdSS", "Switch Sides", 2280);

    c.Frame1 = Look::make<QGroupBox>(w, "Frame1", 0, 0, 1215, 975);
    c.optR = Look::make<QRadioButton>(c.Frame1, "optR", "1423", 120, 120, 975, 375);
    c.optHS = Look::make<QRadioButton>(c.Frame1, "optHS", "H to S", 120, 480, 975, 375);
    c.optHS->setChecked(true);
    // Reaches 180 twips past the client width the layout gives; the window grows to take it in.
    c.Frame2 = Look::make<QGroupBox>(w, "Frame2", 5160, 120, 1575, 1095);
    c.opt5Couple = Look::make<QRadioButton>(c.Frame2, "opt5Couple", "5 Couples", 360, 0, 1095, 255);
    c.opt6Couple = Look::make<QRadioButton>(c.Frame2, "opt6Couple", "6 Couples", 360, 360, 1095, 255);
    c.opt7Couple = Look::make<QRadioButton>(c.Frame2, "opt7Couple", "7 Couples", 360, 720, 1095, 255);
    c.opt6Couple->setChecked(true);
    c.opt5Couple->hide();
    c.opt7Couple->hide();

    addClockControls(c, w, QStringLiteral("Time Since Last Rotate"), 5040, 3600, 4920, 4320);
    Fit::clientToChildren(w);

    QList<QWidget *> order = {c.txtM[0], c.txtW[0], c.cmdRotate, c.cmdSH, c.cmdSS};
    for (int i = 1; i < Places; ++i)
        order.append(c.txtM[i]);
    for (int i = 1; i < Places; ++i)
        order.append(c.txtW[i]);
    Look::tabOrder(order << c.optHS << c.optR << c.opt7Couple << c.opt6Couple << c.opt5Couple);

    connect(c.cmdRotate, &QPushButton::clicked, this, &HomePositions::cmdRotate_Click);
    connect(c.cmdSH, &QPushButton::clicked, this, &HomePositions::cmdSH_Click);
    connect(c.cmdSS, &QPushButton::clicked, this, &HomePositions::cmdSS_Click);
    // An option takes effect however it was selected: mouse, Space, arrow keys or
    // an accessibility action, which toggle without a click.
    auto selected = [this](QRadioButton *option, void (HomePositions::*handler)()) {
        connect(option, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on)
                (this->*handler)();
        });
    };
    selected(c.optHS, &HomePositions::optHS_Click);
    selected(c.optR, &HomePositions::optR_Click);
    selected(c.opt5Couple, &HomePositions::opt5Couple_Click);
    selected(c.opt7Couple, &HomePositions::opt7Couple_Click);
    connect(c.Timer1, &QTimer::timeout, this, &HomePositions::Timer1_Timer);
    return w;
}

void HomePositions::Form_Load()
{
    m_ui->txtM[0]->setFocus();
    restartClock(*this, *m_ui);
}

void HomePositions::Timer1_Timer()
{
    showClock(*this, *m_ui);
}

void HomePositions::optHS_Click()
{
    Controls &c = *m_ui;
    c.cmdSS->show();
    c.cmdSH->show();
    c.opt6Couple->setChecked(true);
    c.opt5Couple->hide();
    c.opt7Couple->hide();
    // Place #7 stays hidden: "H to S" never uses it.
    for (int i = 4; i <= 5; ++i) {
        c.txtM[i]->show();
        c.txtW[i]->show();
    }
}

void HomePositions::optR_Click()
{
    Controls &c = *m_ui;
    c.cmdSS->hide();
    c.cmdSH->hide();
    c.opt5Couple->show();
    c.opt7Couple->show();
    // The waiting couples keep their names in the hidden boxes.
    for (int i = 4; i <= 6; ++i) {
        c.txtM[i]->hide();
        c.txtW[i]->hide();
    }
}

void HomePositions::opt5Couple_Click()
{
    // Selecting "1423" runs its own handler.
    m_ui->optR->setChecked(true);
}

void HomePositions::opt7Couple_Click()
{
    opt5Couple_Click();
}

int HomePositions::coupleCount() const
{
    if (m_ui->opt5Couple->isChecked())
        return 5;
    if (m_ui->opt7Couple->isChecked())
        return 7;
    return 6;
}

void HomePositions::cmdRotate_Click()
{
    restartClock(*this, *m_ui);
    Controls &c = *m_ui;
    auto couple = [&c](int i) { return Couple{c.txtM[i]->text(), c.txtW[i]->text()}; };
    auto put = [&c](int i, const Couple &names) {
        c.txtM[i]->setText(names.man);
        c.txtW[i]->setText(names.woman);
    };

    if (c.optR->isChecked()) {
        const int n = coupleCount();
        const Couple last = couple(n - 1);
        for (int i = n - 1; i >= 1; --i)
            put(i, couple(i - 1));
        put(0, last);
    } else {
        // Two cycles of places: #1 -> #4 -> #5 -> #1 and #3 -> #2 -> #6 -> #3.
        const Couple from4 = couple(1);
        const Couple from2 = couple(2);
        put(1, couple(0));
        put(2, couple(3));
        put(0, couple(4));
        put(3, couple(5));
        put(4, from4);
        put(5, from2);
    }

    // Asking must not load the "Calls" window.
    if (CallForm *calls = Form::existing<CallForm>(); calls && calls->isShown()) {
        calls->window()->raise();
        calls->window()->activateWindow();
    }
}

void HomePositions::swapCouples(int a, int b)
{
    Controls &c = *m_ui;
    const Couple saved{c.txtM[a]->text(), c.txtW[a]->text()};
    c.txtM[a]->setText(c.txtM[b]->text());
    c.txtW[a]->setText(c.txtW[b]->text());
    c.txtM[b]->setText(saved.man);
    c.txtW[b]->setText(saved.woman);
}

void HomePositions::cmdSH_Click()
{
    swapCouples(0, 3);
}

void HomePositions::cmdSS_Click()
{
    swapCouples(1, 2);
}
