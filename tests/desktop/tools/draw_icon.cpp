// SPDX-License-Identifier: MIT
// qs_draw_icon DIR: draws the program's icon (the shapes of desktop/share/quillstow.svg: a quill
// over a stack of kept letters) as DIR/NxN/quillstow.png at 48, 128 and 256 pixels, for desktops
// that show no scalable icons. The pictures are kept in desktop/share/icons/.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

void letter(QPainter& p, qreal x, qreal y, const char* fill) {
    p.setBrush(QColor(fill));
    p.drawRoundedRect(QRectF(x, y, 44, 8), 2, 2);
}

QImage draw(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);  // the drawing's own grid is 64 by 64
    p.setPen(QPen(QColor("#6b4f25"), 1.5));
    letter(p, 6, 34, "#c9a66b");
    letter(p, 8, 42, "#d8b984");
    letter(p, 10, 50, "#e6cc9c");
    QPainterPath quill;
    quill.moveTo(54, 4);
    quill.cubicTo(40, 10, 28, 22, 22, 36);
    quill.lineTo(26, 37);
    quill.cubicTo(32, 24, 44, 13, 56, 7);
    quill.closeSubpath();
    p.setPen(QPen(QColor("#1b3550"), 1.2));
    p.setBrush(QColor("#2f5d8a"));
    p.drawPath(quill);
    QPainterPath nib;
    nib.moveTo(22, 36);
    nib.lineTo(19, 44);
    nib.lineTo(25, 38);
    nib.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#1b3550"));
    p.drawPath(nib);
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qs_draw_icon DIR\n");
        return 2;
    }
    for (int size : {48, 128, 256}) {
        const QString dir =
            QStringLiteral("%1/%2x%2").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(dir) || !draw(size).save(dir + QStringLiteral("/quillstow.png"))) {
            std::fprintf(stderr, "qs_draw_icon: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
