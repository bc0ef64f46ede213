#pragma once

#include <QWidget>

class QLabel;

// A data source's navigation bar: first, previous, next and last, around a
// caption that the window sets after each move.
class NavigationBar : public QWidget
{
    Q_OBJECT
public:
    explicit NavigationBar(QWidget *parent = nullptr);

    QString caption() const;
    void setCaption(const QString &caption);

signals:
    void moveFirst();
    void movePrevious();
    void moveNext();
    void moveLast();

private:
    QLabel *m_caption;
};
