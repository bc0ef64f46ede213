#pragma once

#include <QFont>
#include <QLabel>
#include <QSizeF>
#include <QStringList>

// A label that shows its whole text inside its box, as large as it fits: on one
// line unless wrapping at word boundaries makes it a third larger, and only past
// the smallest size cut short, the whole text then in the tooltip and the
// accessible description.
// text() and the accessible name always hold the whole text.
class FitLabel : public QLabel
{
    Q_OBJECT
public:
    explicit FitLabel(const QString &text = QString(), QWidget *parent = nullptr);

    // The sizes the text may take, as shares of the label's font size: by default
    // it shrinks to 60 % and never grows; a view that fills its space lets it grow.
    void setScaleRange(qreal smallest, qreal largest);

    // QLabel::setText is not virtual: the label is always set through this type.
    void setText(const QString &text);

    struct Fit
    {
        QFont font;
        QStringList lines;
        bool elided = false;
    };
    // The rule itself, apart from any widget: text in font sized between smallest
    // and largest pixels, inside box.
    static Fit layout(const QString &text, const QFont &font, const QSizeF &box, int smallest, int largest);
    // The text as it is drawn now.
    const Fit &fit() const { return m_fit; }
    // The label's font size in pixels, the size a share of 1 stands for.
    qreal basePixelSize() const;

    QSize minimumSizeHint() const override { return QSize(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void refit();

    struct Inputs
    {
        QString text;
        QFont font;
        QSizeF box;
        int smallest = 0;
        int largest = 0;
        bool operator==(const Inputs &o) const
        {
            return text == o.text && font == o.font && box == o.box && smallest == o.smallest && largest == o.largest;
        }
    };
    Inputs m_inputs;
    bool m_fitted = false;
    Fit m_fit;
    qreal m_smallest = 0.6;
    qreal m_largest = 1.0;
};
