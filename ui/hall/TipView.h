#pragma once

#include "core/rotation/Rotation.h"

#include <QWidget>

class QPainter;

// One tip drawn as its squares, each couple or pair in its place (1 facing the
// caller, 2 to its right, 3 opposite, 4 to its left), light on black like the
// Floor view so that it reads across the hall. Heads in yellow, sides in white.
class TipView : public QWidget
{
public:
    // What one tip shows: its title and four names a square, place 1 first.
    struct Picture
    {
        QString title;
        QVector<QStringList> squares;
        QStringList sittingOut; // printed under the squares; the window says it beside

    };
    // Tip number (1...) of the evening; 0 or nullptr: a hint that there is none.
    static Picture picture(const Rotation::Evening *evening, int number);
    // Draws it in area: light on black for the hall, or black on white for paper.
    static void draw(QPainter &painter, const QRect &whole, const Picture &picture, bool paper);

    explicit TipView(QWidget *parent = nullptr);

    // Shows the evening's last tip; nullptr or no tip shows a hint.
    void showTip(const Rotation::Evening *evening);
    // What is drawn, one line per square and place, for tests and screen readers.
    QString text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void toggleFullScreen();

    Picture m_picture;
    QString m_text;
};
