#include "app/ui/symbol.hpp"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <map>
#include <utility>

namespace kestro {
namespace {

// Every symbol is designed on a 24 x 24 grid; `fill` symbols are filled, the rest stroked.
struct Drawing {
    QPainterPath path;
    bool filled = true;
    qreal stroke = 2.0;
};

QPainterPath circle(qreal cx, qreal cy, qreal r) {
    QPainterPath p;
    p.addEllipse(QPointF(cx, cy), r, r);
    return p;
}

QPainterPath polygon(std::initializer_list<QPointF> pts) {
    QPainterPath p;
    bool first = true;
    for (const QPointF& pt : pts) {
        if (first) p.moveTo(pt);
        else p.lineTo(pt);
        first = false;
    }
    p.closeSubpath();
    return p;
}

QPainterPath roundRect(qreal x, qreal y, qreal w, qreal h, qreal r) {
    QPainterPath p;
    p.addRoundedRect(QRectF(x, y, w, h), r, r);
    return p;
}

// The drawings are made once, on first use: their path operations (subtractions, strokes)
// are too slow to repeat on every paint.
std::map<QString, Drawing> makeTable() {
    using Maker = Drawing (*)();
    const std::pair<const char*, Maker> makers[] = {
        {"play.fill", [] { return Drawing{polygon({{7, 4.5}, {20, 12}, {7, 19.5}})}; }},
        {"pause.fill",
         [] { return Drawing{roundRect(5.5, 4.5, 4.5, 15, 1.2) + roundRect(14, 4.5, 4.5, 15, 1.2)}; }},
        {"stop.fill", [] { return Drawing{roundRect(5, 5, 14, 14, 2.5)}; }},
        {"moon.fill",
         [] {
             QPainterPath moon = circle(12, 12, 8.5);
             return Drawing{moon.subtracted(circle(17, 8, 7.2))};
         }},
        {"sun.max.fill",
         [] {
             QPainterPath p = circle(12, 12, 4.6);
             for (int i = 0; i < 8; ++i) {
                 QPainterPath ray = roundRect(11, 1.5, 2, 4.2, 1);
                 QTransform t;
                 t.translate(12, 12);
                 t.rotate(45.0 * i);
                 t.translate(-12, -12);
                 p += t.map(ray);
             }
             return Drawing{p};
         }},
        {"iphone.gen3",
         [] {
             QPainterPath body = roundRect(6, 1.5, 12, 21, 3);
             QPainterPath screen = roundRect(7.6, 3.1, 8.8, 17.8, 1.8);
             QPainterPath island = roundRect(10, 4.2, 4, 1.4, 0.7);
             return Drawing{body.subtracted(screen) + island};
         }},
        {"arrow.right.circle.fill",
         [] {
             QPainterPath c = circle(12, 12, 10);
             QPainterPath arrow = polygon({{7, 10.8}, {12.5, 10.8}, {12.5, 7.5}, {17.5, 12},
                                           {12.5, 16.5}, {12.5, 13.2}, {7, 13.2}});
             return Drawing{c.subtracted(arrow)};
         }},
        {"canvas.device",
         [] {
             // A phone standing on a wider canvas.
             QPainterPath canvas = roundRect(2, 4, 20, 16, 3);
             canvas = canvas.subtracted(roundRect(4, 6, 16, 12, 1.5));
             return Drawing{canvas + roundRect(9, 7.5, 6, 9, 1.5)};
         }},
        {"timeline.selection",
         [] {
             QPainterPath p = roundRect(2, 10.5, 20, 3, 1.5);
             p += roundRect(6, 5, 2.6, 14, 1.3);
             p += roundRect(15.4, 5, 2.6, 14, 1.3);
             return Drawing{p};
         }},
        {"square.and.arrow.down",
         [] {
             QPainterPath p;
             p.moveTo(8, 9);
             p.lineTo(5, 9);
             p.lineTo(5, 21);
             p.lineTo(19, 21);
             p.lineTo(19, 9);
             p.lineTo(16, 9);
             p.moveTo(12, 2.5);
             p.lineTo(12, 15);
             p.moveTo(8, 11.5);
             p.lineTo(12, 15.5);
             p.lineTo(16, 11.5);
             return Drawing{p, false, 1.9};
         }},
        {"xmark.circle",
         [] {
             QPainterPath p = circle(12, 12, 9);
             p.moveTo(8.8, 8.8);
             p.lineTo(15.2, 15.2);
             p.moveTo(15.2, 8.8);
             p.lineTo(8.8, 15.2);
             return Drawing{p, false, 1.8};
         }},
        {"checkmark.circle.fill",
         [] {
             QPainterPath tick;
             tick.moveTo(7.5, 12.5);
             tick.lineTo(10.7, 15.5);
             tick.lineTo(16.5, 8.8);
             QPainterPathStroker s;
             s.setWidth(2.2);
             s.setCapStyle(Qt::RoundCap);
             s.setJoinStyle(Qt::RoundJoin);
             return Drawing{circle(12, 12, 10).subtracted(s.createStroke(tick))};
         }},
        {"hand.tap",
         [] {
             // A touch: a solid dot inside the thin ripple it leaves on release.
             return Drawing{circle(12, 12, 10).subtracted(circle(12, 12, 8.6)) +
                            circle(12, 12, 4.8)};
         }},
        {"record.circle.fill",
         [] { return Drawing{circle(12, 12, 10).subtracted(circle(12, 12, 7.5)) + circle(12, 12, 5)}; }},
        {"photo.on.rectangle.angled",
         [] {
             QPainterPath back = roundRect(2.5, 6.5, 15, 12, 2);
             QTransform t;
             t.translate(12, 12);
             t.rotate(-10);
             t.translate(-12, -12);
             QPainterPath front = roundRect(7, 4, 15, 12, 2);
             QPainterPath p = t.map(back);
             p += front;
             p.moveTo(8.5, 14.5);
             p.lineTo(12.5, 10);
             p.lineTo(15, 12.5);
             p.lineTo(17, 10.5);
             p.lineTo(21, 14.5);
             p.addEllipse(QPointF(11, 7.8), 1.3, 1.3);
             return Drawing{p, false, 1.6};
         }},
        {"arrow.down.doc.fill",
         [] {
             QPainterPath doc = polygon({{5, 2}, {14, 2}, {19.5, 7.5}, {19.5, 22}, {5, 22}});
             QPainterPath arrow = polygon({{11, 8.5}, {13.5, 8.5}, {13.5, 13.5}, {16.2, 13.5},
                                           {12.25, 18}, {8.3, 13.5}, {11, 13.5}});
             return Drawing{doc.subtracted(arrow)};
         }},
        {"folder",
         [] {
             QPainterPath p;
             p.moveTo(3, 6.5);
             p.lineTo(9, 6.5);
             p.lineTo(11, 8.5);
             p.lineTo(21, 8.5);
             p.lineTo(21, 19);
             p.lineTo(3, 19);
             p.closeSubpath();
             return Drawing{p, false, 1.8};
         }},
        {"folder.fill",
         [] {
             return Drawing{polygon({{2.5, 5.5}, {9.5, 5.5}, {11.5, 7.5}, {21.5, 7.5}, {21.5, 19.5},
                                     {2.5, 19.5}})};
         }},
        {"arrow.clockwise",
         [] {
             QPainterPath p;
             p.arcMoveTo(QRectF(4, 4, 16, 16), 80);
             p.arcTo(QRectF(4, 4, 16, 16), 80, 290);
             p.moveTo(12.5, 1.5);
             p.lineTo(15.5, 4.2);
             p.lineTo(12.5, 7);
             return Drawing{p, false, 1.9};
         }},
        {"exclamationmark.triangle.fill",
         [] {
             QPainterPath tri = polygon({{12, 2.5}, {22.5, 20.5}, {1.5, 20.5}});
             QPainterPath mark = roundRect(11, 8, 2, 7, 1) + circle(12, 17.6, 1.2);
             return Drawing{tri.subtracted(mark)};
         }},
    };
    std::map<QString, Drawing> t;
    for (const auto& [name, make] : makers) t.emplace(QString::fromLatin1(name), make());
    return t;
}

const std::map<QString, Drawing>& table() {
    static const std::map<QString, Drawing> t = makeTable();
    return t;
}

}  // namespace

void paintSymbol(QPainter& painter, const QString& name, const QRectF& box, const QColor& color) {
    const auto it = table().find(name);
    if (it == table().end() || box.isEmpty()) return;
    const Drawing& d = it->second;
    const qreal side = std::min(box.width(), box.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    painter.scale(side / 24.0, side / 24.0);
    if (d.filled) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawPath(d.path);
    } else {
        QPen pen(color, d.stroke);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(d.path);
    }
    painter.restore();
}

}  // namespace kestro
