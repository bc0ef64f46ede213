#pragma once

#include "core/rotation/Rotation.h"

#include <QWidget>

// One tip drawn as its squares, each couple or pair in its place (1 facing the
// caller, 2 to its right, 3 opposite, 4 to its left), light on black like the
// Floor view so that it reads across the hall. Heads in yellow, sides in white.
class TipView : public QWidget
{
public:
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

    QString m_title;
    QVector<QStringList> m_squares; // four names each, place 1 first
    QString m_text;
};
