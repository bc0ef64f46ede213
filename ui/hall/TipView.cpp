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
QFont fitted(QFont font, const QString &text, int width, int size, QPaintDevice *device)
{
    for (; size > 6; size = size * 9 / 10) {
        font.setPixelSize(size);
        if (QFontMetrics(font, device).horizontalAdvance(text) <= width)
            break;
    }
    font.setPixelSize(std::max(size, 6));
    return font;
}

// The largest font, up to size, in which text fits box, wrapped at its spaces.
QFont wrapped(QFont font, const QString &text, const QSize &box, int size, QPaintDevice *device)
{
    for (; size > 6; size = size * 9 / 10) {
        font.setPixelSize(size);
        const QRect needed = QFontMetrics(font, device).boundingRect(QRect(QPoint(0, 0), box), Qt::TextWordWrap, text);
        if (needed.width() <= box.width() && needed.height() <= box.height())
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

TipView::Picture TipView::picture(const Rotation::Evening *evening, int number)
{
    Picture p;
    if (!evening || number < 1 || number > evening->tips().size()) {
        p.title = QStringLiteral("No tip yet: add the dancers, then Next Tip");
        return p;
    }
    const Rotation::Tip &tip = evening->tips()[number - 1];
    const auto &dancers = evening->dancers();
    p.title = QStringLiteral("Tip %1").arg(number);
    if (tip.squares == 0)
        p.title += QStringLiteral(": too few dancers for a square");
    p.squares.resize(tip.squares);
    for (QStringList &square : p.squares)
        square = QStringList(4, QString());
    for (int d = 0; d < tip.spots.size(); ++d) {
        const Rotation::Spot &s = tip.spots[d];
        if (s.square == 0 && Rotation::inHall(tip.statuses[d]))
            p.sittingOut << dancers[d].name;
        if (s.square == 0 || (s.partner >= 0 && s.partner < d))
            continue;
        QString name = dancers[d].name;
        if (s.partner >= 0)
            name += QStringLiteral(" & ") + dancers[s.partner].name;
        p.squares[s.square - 1][s.place - 1] = name;
    }
    return p;
}

void TipView::showTip(const Rotation::Evening *evening)
{
    m_picture = picture(evening, evening ? static_cast<int>(evening->tips().size()) : 0);
    m_text = m_picture.title + QLatin1Char('\n');
    for (int sq = 0; sq < m_picture.squares.size(); ++sq) {
        for (int p = 0; p < 4; ++p)
            m_text += QStringLiteral("Square %1 place %2: %3\n").arg(sq + 1).arg(p + 1).arg(m_picture.squares[sq][p]);
    }
    setAccessibleDescription(m_text);
    update();
}

void TipView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    draw(painter, rect(), m_picture, false);
}

void TipView::draw(QPainter &painter, const QRect &whole, const Picture &picture, bool paper)
{
    const QColor headInk = paper ? QColor(0, 0, 0) : HeadInk;
    const QColor sideInk = paper ? QColor(0, 0, 0) : SideInk;
    const QColor lineInk = paper ? QColor(120, 120, 120) : LineInk;
    painter.setRenderHint(QPainter::Antialiasing);
    const int titleHeight = std::max(24, whole.height() / 12);
    QFont font = painter.font();
    font.setBold(true);
    painter.setPen(sideInk);
    painter.setFont(fitted(font, picture.title, whole.width() - 20, titleHeight * 3 / 4, painter.device()));
    painter.drawText(QRect(whole.left() + 10, whole.top(), whole.width() - 20, titleHeight), Qt::AlignCenter,
                     picture.title);
    int bottom = whole.height();
    if (paper) {
        const QString out = QStringLiteral("Sitting out: ")
            + (picture.sittingOut.isEmpty() ? QStringLiteral("nobody") : picture.sittingOut.join(QStringLiteral(", ")));
        QFont small = font;
        small.setBold(false);
        const QRect band(whole.left() + 10, whole.bottom() - titleHeight, whole.width() - 20, titleHeight);
        painter.setFont(wrapped(small, out, band.size(), titleHeight / 3, painter.device()));
        painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, out);
        bottom -= titleHeight;
    }
    const int count = static_cast<int>(picture.squares.size());
    if (count == 0)
        return;
    const QRect area(whole.left(), whole.top() + titleHeight, whole.width(), bottom - titleHeight);
    // As many columns as make the cells largest.
    int columns = 1;
    auto side = [&](int c) { return std::min(area.width() / c, area.height() / ((count + c - 1) / c)); };
    for (int c = 1; c <= count; ++c) {
        if (side(c) >= side(columns))
            columns = c;
    }
    const int rows = (count + columns - 1) / columns;
    const int cellW = area.width() / columns;
    const int cellH = area.height() / rows;
    for (int sq = 0; sq < count; ++sq) {
        const QRect cell(area.left() + (sq % columns) * cellW, area.top() + (sq / columns) * cellH, cellW, cellH);
        const QRect inner = cell.adjusted(cellW / 20, cellH / 20, -cellW / 20, -cellH / 20);
        painter.setPen(QPen(lineInk, 2));
        painter.drawRect(inner);
        painter.setPen(lineInk);
        painter.setFont(fitted(font, QString::number(sq + 1), inner.width() / 6, inner.height() / 8, painter.device()));
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
            texts[p] = QStringLiteral("%1  %2").arg(p + 1).arg(picture.squares[sq][p]);
            size = std::min(size, wrapped(font, texts[p], places[p].size() - QSize(8, 0), size, painter.device()).pixelSize());
        }
        font.setPixelSize(size);
        painter.setFont(font);
        for (int p = 0; p < 4; ++p) {
            painter.setPen(Rotation::isHead(p + 1) ? headInk : sideInk);
            painter.drawText(places[p].adjusted(4, 0, -4, 0), Qt::AlignCenter | Qt::TextWordWrap, texts[p]);
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
