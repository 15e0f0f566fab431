#include "app/widgets/Icons.h"

#include <QPainter>
#include <QPainterPath>

namespace picura {
namespace {

QPixmap Canvas(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
}

void DrawFolder(QPainter& p) {
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(2, 7, 20, 14);
    p.setBrush(QColor(250, 220, 120));
    QPainterPath tab;
    tab.moveTo(2, 7);
    tab.lineTo(4, 4);
    tab.lineTo(10, 4);
    tab.lineTo(12, 7);
    p.drawPath(tab);
    p.setBrush(QColor(255, 232, 150));
    QPolygonF front{{5, 11}, {23, 11}, {20, 21}, {2, 21}};
    p.drawPolygon(front);
}

void DrawMagnifier(QPainter& p) {
    p.setPen(QPen(QColor(40, 70, 140), 2));
    p.setBrush(QColor(200, 225, 255));
    p.drawEllipse(QRectF(3, 3, 13, 13));
    p.setPen(QPen(QColor(90, 60, 30), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15, 15), QPointF(21, 21));
}

void DrawPencil(QPainter& p) {
    p.translate(12, 12);
    p.rotate(45);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(250, 190, 40));
    p.drawRect(QRectF(-3, -10, 6, 14));
    p.setBrush(QColor(240, 120, 140));
    p.drawRect(QRectF(-3, -12, 6, 2));
    p.setBrush(QColor(240, 220, 180));
    p.drawPolygon(QPolygonF{{-3, 4}, {3, 4}, {0, 10}});
    p.resetTransform();
}

void DrawHelp(QPainter& p) {
    p.setPen(QPen(QColor(30, 90, 170), 1));
    p.setBrush(QColor(60, 130, 220));
    p.drawEllipse(QRectF(2, 2, 20, 20));
    QFont f = p.font();
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
}

void DrawSave(QPainter& p) {
    p.setPen(QPen(QColor(30, 50, 100), 1));
    p.setBrush(QColor(60, 100, 180));
    p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6, 3, 12, 7));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(7, 14, 10, 7));
}

void DrawRotate(QPainter& p, bool clockwise) {
    if (!clockwise) {
        p.translate(24, 0);
        p.scale(-1, 1);
    }
    p.setPen(QPen(QColor(30, 130, 60), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4, 5, 15, 15), 100 * 16, -280 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 130, 60));
    p.drawPolygon(QPolygonF{{13, 1}, {19, 6}, {12, 10}});
    p.resetTransform();
}

void DrawCamera(QPainter& p) {
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(90, 90, 100));
    p.drawRoundedRect(QRectF(2, 7, 20, 14), 2, 2);
    p.drawRect(QRectF(8, 4, 8, 4));
    p.setBrush(QColor(170, 200, 240));
    p.drawEllipse(QRectF(7, 9, 10, 10));
    p.setBrush(QColor(40, 60, 110));
    p.drawEllipse(QRectF(9.5, 11.5, 5, 5));
}

void DrawHome(QPainter& p) {
    p.setPen(QPen(QColor(120, 40, 30), 1));
    p.setBrush(QColor(210, 70, 50));
    p.drawPolygon(QPolygonF{{12, 2}, {23, 12}, {1, 12}});
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(245, 235, 210));
    p.drawRect(QRectF(4, 12, 16, 10));
    p.setBrush(QColor(130, 80, 40));
    p.drawRect(QRectF(10, 15, 5, 7));
}

}  // namespace

QIcon MakeToolbarIcon(ToolbarIcon which) {
    QPixmap pm = Canvas(24);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (which) {
        case ToolbarIcon::Open: DrawFolder(p); break;
        case ToolbarIcon::Zoom: DrawMagnifier(p); break;
        case ToolbarIcon::Edit: DrawPencil(p); break;
        case ToolbarIcon::Help: DrawHelp(p); break;
        case ToolbarIcon::Save: DrawSave(p); break;
        case ToolbarIcon::RotateLeft: DrawRotate(p, false); break;
        case ToolbarIcon::RotateRight: DrawRotate(p, true); break;
        case ToolbarIcon::Camera: DrawCamera(p); break;
        case ToolbarIcon::Home: DrawHome(p); break;
    }
    p.end();
    return QIcon(pm);
}

QPixmap MakeCheckIcon(bool checked) {
    QPixmap pm(13, 13);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setPen(QColor(80, 80, 80));
    p.drawRect(0, 0, 12, 12);
    if (checked) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0, 0, 0), 2));
        p.drawPolyline(QPolygonF{{3, 6.5}, {5.5, 9}, {10, 3.5}});
    }
    return pm;
}

QCursor MakePenCursor() {
    QPixmap pm = Canvas(32);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // A pen leaning right, its tip at the hot spot (8, 23).
    p.translate(8, 23);
    p.rotate(45);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(-2.5, -20, 5, 14));
    p.setBrush(QColor(60, 60, 60));
    p.drawPolygon(QPolygonF{{-2.5, -6}, {2.5, -6}, {0, 0}});
    p.end();
    return QCursor(pm, 8, 23);
}

QCursor MakeEyedropperCursor() {
    QPixmap pm = Canvas(32);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // A pipette, its tip at the hot spot (9, 24).
    p.translate(9, 24);
    p.rotate(45);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(230, 240, 255));
    p.drawRect(QRectF(-1.5, -14, 3, 12));
    p.setBrush(QColor(40, 40, 40));
    p.drawRoundedRect(QRectF(-3.5, -21, 7, 7), 2, 2);
    p.drawRect(QRectF(-4.5, -15, 9, 2));
    p.drawPolygon(QPolygonF{{-1.5, -2}, {1.5, -2}, {0, 0}});
    p.end();
    return QCursor(pm, 9, 24);
}

QIcon MakeAppIcon() {
    QPixmap pm = Canvas(32);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 60, 120), 2));
    p.setBrush(QColor(220, 235, 255));
    p.drawRoundedRect(QRectF(3, 2, 26, 28), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 90, 150));
    p.drawEllipse(QRectF(11, 7, 10, 11));
    p.drawChord(QRectF(6, 18, 20, 18), 0, 180 * 16);
    return QIcon(pm);
}

}  // namespace picura
