#include "ui/kit/Look.h"

#include <QApplication>
#include <QWidget>

namespace Look {

void place(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

void tabOrder(const QList<QWidget *> &order)
{
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void setClientSize(QWidget *window, int width, int height)
{
    window->resize(twips(width), twips(height));
}

static QFont font(const QStringList &families, qreal pointSize, bool bold)
{
    QFont f;
    f.setFamilies(families);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

QFont sansSerif(qreal pointSize, bool bold)
{
    return font({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                 QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
                pointSize, bold);
}

QFont arial(qreal pointSize, bool bold)
{
    return font({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                 QStringLiteral("DejaVu Sans")},
                pointSize, bold);
}

void applyDefaultFont()
{
    QApplication::setFont(sansSerif(8.25));
}

} // namespace Look
