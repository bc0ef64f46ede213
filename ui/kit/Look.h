#pragma once

#include <QFont>
#include <QList>
#include <QString>

class QWidget;

// Window layouts are given in twips (1/1440 inch): 15 twips to a pixel at 96 dpi.
// Qt's own high-DPI scaling takes it from there.
namespace Look {

constexpr int twips(int value) { return (value >= 0 ? value + 7 : value - 7) / 15; }

void place(QWidget *widget, int left, int top, int width, int height);

// A control created, named and placed in one go: buttons, labels, check boxes,
// option buttons and text boxes take their text first.
template<class T>
T *make(QWidget *parent, const char *name, const QString &text, int left, int top, int width, int height)
{
    auto *control = new T(text, parent);
    control->setObjectName(QString::fromLatin1(name));
    place(control, left, top, width, height);
    return control;
}

template<class T>
T *make(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *control = new T(parent);
    control->setObjectName(QString::fromLatin1(name));
    place(control, left, top, width, height);
    return control;
}

// A control of a window laid out by a layout: parented, named and given the
// name a screen reader says.
template<class T>
T *adopt(QWidget *parent, T *control, const char *name, const QString &accessible)
{
    control->setParent(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setAccessibleName(accessible);
    return control;
}

// Tab visits the widgets in the order given.
void tabOrder(const QList<QWidget *> &order);
void setClientSize(QWidget *window, int width, int height);

// The screen fonts the layouts were drawn for, mapped to metric-compatible
// free fonts where the originals are absent.
QFont sansSerif(qreal pointSize, bool bold = false); // "MS Sans Serif"
QFont arial(qreal pointSize, bool bold = false);

// The program-wide default font for controls with no font of their own.
void applyDefaultFont();

} // namespace Look
