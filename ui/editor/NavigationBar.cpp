#include "ui/editor/NavigationBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

NavigationBar::NavigationBar(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto button = [this, layout](const char *name, const QString &text, const QString &tip) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        // Reached by Tab after the window's buttons; a click leaves the focus in the field being edited.
        b->setFocusPolicy(Qt::TabFocus);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        layout->addWidget(b);
        return b;
    };
    auto *first = button("btnFirst", QStringLiteral("|\u25C0"), QStringLiteral("First"));
    auto *previous = button("btnPrevious", QStringLiteral("\u25C0"), QStringLiteral("Previous"));
    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("lblCaption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    layout->addWidget(m_caption, 1);
    auto *next = button("btnNext", QStringLiteral("\u25B6"), QStringLiteral("Next"));
    auto *last = button("btnLast", QStringLiteral("\u25B6|"), QStringLiteral("Last"));

    connect(first, &QToolButton::clicked, this, &NavigationBar::moveFirst);
    connect(previous, &QToolButton::clicked, this, &NavigationBar::movePrevious);
    connect(next, &QToolButton::clicked, this, &NavigationBar::moveNext);
    connect(last, &QToolButton::clicked, this, &NavigationBar::moveLast);
}

QString NavigationBar::caption() const
{
    return m_caption->text();
}

void NavigationBar::setCaption(const QString &caption)
{
    m_caption->setText(caption);
}
