#include "ui/hall/TipView.h"

#include <QKeyEvent>
#include <QPainter>
#include <cmath>

namespace {
// The Floor view's colours: light on black, readable under stage lights.
const QColor Ground(0, 0, 0);
const QColor SideInk(255, 255, 255);
const QColor HeadInk(255, 225, 77);
const QColor LineInk(90, 90, 90);

// The largest font, up to size, in which text fits width.
QFont fitted(QFont font, const QString &text, int width, int size)
{
    for (; size > 6; size = size * 9 / 10) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(text) <= width)
            break;
    }
    font.setPixelSize(std::max(size, 6));
    return font;
}
} // namespace

TipView::TipView(QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Ground);
    setPalette(p);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(240, 160);
    showTip(nullptr);
}

void TipView::showTip(const Rotation::Evening *evening)
{
    m_squares.clear();
    if (!evening || evening->tips().isEmpty()) {
        m_title = QStringLiteral("No tip yet: add the dancers, then Next Tip");
    } else {
        const Rotation::Tip &tip = evening->tips().last();
        const auto &dancers = evening->dancers();
        m_title = QStringLiteral("Tip %1").arg(evening->tips().size());
        if (tip.squares == 0)
            m_title += QStringLiteral(": too few dancers for a square");
        m_squares.resize(tip.squares);
        for (QStringList &square : m_squares)
            square = QStringList(4, QString());
        for (int d = 0; d < tip.spots.size(); ++d) {
            const Rotation::Spot &s = tip.spots[d];
            if (s.square == 0 || (s.partner >= 0 && s.partner < d))
                continue;
            QString name = dancers[d].name;
            if (s.partner >= 0)
                name += QStringLiteral(" & ") + dancers[s.partner].name;
            m_squares[s.square - 1][s.place - 1] = name;
        }
    }
    m_text = m_title + QLatin1Char('\n');
    for (int sq = 0; sq < m_squares.size(); ++sq) {
        for (int p = 0; p < 4; ++p)
            m_text += QStringLiteral("Square %1 place %2: %3\n").arg(sq + 1).arg(p + 1).arg(m_squares[sq][p]);
    }
    setAccessibleDescription(m_text);
    update();
}

void TipView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int titleHeight = std::max(24, height() / 12);
    QFont font = this->font();
    font.setBold(true);
    painter.setPen(SideInk);
    painter.setFont(fitted(font, m_title, width() - 20, titleHeight * 3 / 4));
    painter.drawText(QRect(10, 0, width() - 20, titleHeight), Qt::AlignCenter, m_title);
    const int count = static_cast<int>(m_squares.size());
    if (count == 0)
        return;
    const QRect area(0, titleHeight, width(), height() - titleHeight);
    // As many columns as make the cells closest to square.
    int columns = 1;
    for (int c = 1; c <= count; ++c) {
        const int rows = (count + c - 1) / c;
        if (std::min(area.width() / c, area.height() / rows) >= std::min(area.width() / columns,
                                                                         area.height() / ((count + columns - 1) / columns)))
            columns = c;
    }
    const int rows = (count + columns - 1) / columns;
    const int cellW = area.width() / columns;
    const int cellH = area.height() / rows;
    for (int sq = 0; sq < count; ++sq) {
        const QRect cell(area.left() + (sq % columns) * cellW, area.top() + (sq / columns) * cellH, cellW, cellH);
        const QRect inner = cell.adjusted(cellW / 20, cellH / 20, -cellW / 20, -cellH / 20);
        painter.setPen(QPen(LineInk, 2));
        painter.drawRect(inner);
        painter.setPen(LineInk);
        painter.setFont(fitted(font, QString::number(sq + 1), inner.width() / 6, inner.height() / 8));
        painter.drawText(inner, Qt::AlignCenter, QString::number(sq + 1));
        const int bandH = inner.height() / 4;
        const int sideW = inner.width() * 2 / 5;
        // 1 at the bottom (facing the caller), 2 right, 3 top, 4 left.
        const QRect places[4] = {
            QRect(inner.left(), inner.bottom() - bandH, inner.width(), bandH),
            QRect(inner.right() - sideW, inner.top() + bandH, sideW, inner.height() - 2 * bandH),
            QRect(inner.left(), inner.top(), inner.width(), bandH),
            QRect(inner.left(), inner.top() + bandH, sideW, inner.height() - 2 * bandH),
        };
        // One size for all four: a long name at a side does not make it look less.
        QString texts[4];
        int size = bandH * 2 / 3;
        for (int p = 0; p < 4; ++p) {
            texts[p] = QStringLiteral("%1  %2").arg(p + 1).arg(m_squares[sq][p]);
            size = std::min(size, fitted(font, texts[p], places[p].width() - 8, size).pixelSize());
        }
        font.setPixelSize(size);
        painter.setFont(font);
        for (int p = 0; p < 4; ++p) {
            painter.setPen(Rotation::isHead(p + 1) ? HeadInk : SideInk);
            painter.drawText(places[p], Qt::AlignCenter, texts[p]);
        }
    }
}

void TipView::toggleFullScreen()
{
    if (isFullScreen())
        showNormal();
    else
        showFullScreen();
}

// As the Floor view: F11 or a double click switches full screen, Esc leaves it,
// then closes a view of its own.
void TipView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F11 && isWindow() && !event->isAutoRepeat()) {
        toggleFullScreen();
        return;
    }
    if (event->key() == Qt::Key_Escape && isWindow()) {
        if (isFullScreen())
            showNormal();
        else
            close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TipView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (isWindow())
        toggleFullScreen();
    else
        QWidget::mouseDoubleClickEvent(event);
}
