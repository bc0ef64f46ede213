#include "ui/kit/FitLabel.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

#include <functional>

namespace {
qreal blockHeight(const QFontMetricsF &fm, qsizetype lines)
{
    return lines > 0 ? qreal(lines - 1) * fm.lineSpacing() + fm.height() : 0;
}

// Greedy wrapping at spaces; empty when a single word is wider than the box.
QStringList wrap(const QStringList &words, const QFontMetricsF &fm, qreal width)
{
    QStringList lines;
    QString line;
    for (const QString &word : words) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (fm.horizontalAdvance(longer) <= width) {
            line = longer;
            continue;
        }
        if (line.isEmpty() || fm.horizontalAdvance(word) > width)
            return {};
        lines.append(line);
        line = word;
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

// The largest size in [low, high] that passes, 0 when none does: from a guess,
// stepping out in doubling steps, then halving. Sizes are steps of one pixel.
int largestPassing(int low, int high, int guess, const std::function<bool(int)> &passes)
{
    guess = qBound(low, guess, high);
    int pass = 0;     // passes
    int fail = high + 1; // fails, or past the range
    if (passes(guess)) {
        pass = guess;
        for (int step = 1; pass + step <= high; step *= 2) {
            if (!passes(pass + step)) {
                fail = pass + step;
                break;
            }
            pass += step;
        }
    } else {
        fail = guess;
        for (int step = 1;; step *= 2) {
            const int below = qMax(low, fail - step);
            if (passes(below)) {
                pass = below;
                break;
            }
            fail = below;
            if (below == low)
                return 0;
        }
    }
    while (fail - pass > 1) {
        const int middle = pass + (fail - pass) / 2;
        (passes(middle) ? pass : fail) = middle;
    }
    return pass;
}

QFont sized(QFont font, int pixels)
{
    font.setPixelSize(qMax(1, pixels));
    return font;
}
} // namespace

FitLabel::FitLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    refit();
}

void FitLabel::setScaleRange(qreal smallest, qreal largest)
{
    m_smallest = smallest;
    m_largest = largest;
    refit();
}

void FitLabel::setText(const QString &text)
{
    if (text != QLabel::text()) {
        QLabel::setText(text);
        refit();
    }
}

qreal FitLabel::basePixelSize() const
{
    const QFont f = font();
    return f.pixelSize() > 0 ? f.pixelSize() : f.pointSizeF() * logicalDpiY() / 72.0;
}

FitLabel::Fit FitLabel::layout(const QString &text, const QFont &font, const QSizeF &box, int smallest, int largest)
{
    const QStringList words = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    smallest = qMax(1, smallest);
    largest = qMax(smallest, largest);

    auto fits = [&](int pixels, QStringList *lines) {
        const QFontMetricsF fm(sized(font, pixels));
        *lines = wrap(words, fm, box.width());
        return !lines->isEmpty() && blockHeight(fm, lines->size()) <= box.height();
    };

    // cppcheck-suppress shadowFunction ; the result being built, named as the member that keeps it
    Fit fit;
    if (words.isEmpty()) {
        fit.font = sized(font, largest);
        return fit;
    }
    const QString whole = words.join(QLatin1Char(' '));
    auto oneLineFits = [&](int pixels) {
        const QFontMetricsF fm(sized(font, pixels));
        return fm.horizontalAdvance(whole) <= box.width() && fm.height() <= box.height();
    };
    // Text grows about in proportion to its size: one measure guesses the one-line size.
    const QFontMetricsF reference(font);
    const qreal scale = qMin(box.width() / qMax<qreal>(1, reference.horizontalAdvance(whole)),
                             box.height() / qMax<qreal>(1, reference.height()));
    const int oneLine = largestPassing(smallest, largest, qFloor(QFontInfo(font).pixelSize() * scale), oneLineFits);
    QStringList lines;
    auto wrapFits = [&](int pixels) { return fits(pixels, &lines); };
    int wrapped = 0;
    if (oneLine > 0) {
        // A call that reads on one line is not broken for a little more size:
        // one line wins unless wrapping makes the letters a third larger.
        const int larger = oneLine * 4 / 3 + 1;
        if (larger > largest || !wrapFits(larger))
            return {sized(font, oneLine), {whole}, false};
        wrapped = largestPassing(larger, largest, larger, wrapFits);
    } else {
        wrapped = largestPassing(smallest, largest, smallest, wrapFits);
    }
    if (wrapped > 0) {
        fits(wrapped, &lines);
        return {sized(font, wrapped), lines, false};
    }
    // Past the smallest size: as many lines as the box holds, the last one cut short.
    fit.font = sized(font, smallest);
    fit.elided = true;
    const QFontMetricsF fm(fit.font);
    const qsizetype room = qMax<qsizetype>(1, qFloor((box.height() - fm.height()) / fm.lineSpacing()) + 1);
    QStringList all;
    QString line;
    for (const QString &word : words) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (line.isEmpty() || fm.horizontalAdvance(longer) <= box.width()) {
            line = longer;
        } else {
            all.append(line);
            line = word;
        }
    }
    all.append(line);
    if (all.size() > room) {
        const QStringList rest = all.mid(room - 1);
        all = all.mid(0, room - 1);
        all.append(rest.join(QLatin1Char(' ')));
    }
    for (QString &l : all)
        l = fm.elidedText(l, Qt::ElideRight, box.width());
    fit.lines = all;
    return fit;
}

void FitLabel::refit()
{
    const QSizeF box = contentsRect().size();
    const int smallest = qMax(1, qCeil(basePixelSize() * m_smallest));
    const int largest = qMax(smallest, qFloor(basePixelSize() * m_largest));
    // Nothing that decides the fit changed: no measuring, no repaint.
    const Inputs inputs{text(), font(), box, smallest, largest};
    if (m_fitted && inputs == m_inputs)
        return;
    m_inputs = inputs;
    m_fitted = true;
    m_fit = layout(text(), font(), box, smallest, largest);
    const QString whole = m_fit.elided ? text() : QString();
    setToolTip(whole);
    setAccessibleDescription(whole);
    update();
}

void FitLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setFont(m_fit.font);
    painter.setPen(palette().color(foregroundRole()));
    const QFontMetricsF fm(m_fit.font);
    const QRectF box = contentsRect();
    const Qt::Alignment align = alignment();
    const qreal height = blockHeight(fm, m_fit.lines.size());
    qreal y = box.top();
    if (align & Qt::AlignBottom)
        y = box.bottom() + 1 - height;
    else if (align & Qt::AlignVCenter)
        y = box.top() + (box.height() - height) / 2;
    for (const QString &line : m_fit.lines) {
        const qreal width = fm.horizontalAdvance(line);
        qreal x = box.left();
        if (align & Qt::AlignRight)
            x = box.right() + 1 - width;
        else if (align & Qt::AlignHCenter)
            x = box.left() + (box.width() - width) / 2;
        painter.drawText(QPointF(x, y + fm.ascent()), line);
        y += fm.lineSpacing();
    }
}

void FitLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    refit();
}

void FitLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        refit();
}

