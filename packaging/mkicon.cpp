// Renders an SVG picture into a square PNG icon, for the desktop's icon theme.
//
//   mkicon SOURCE.svg SIZE OUTPUT.png
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv)
{
    bool isNumber = false;
    const int size = argc == 4 ? QString::fromLocal8Bit(argv[2]).toInt(&isNumber) : 0;
    if (!isNumber || size < 1 || size > 1024) {
        std::fputs("usage: mkicon SOURCE.svg SIZE OUTPUT.png\n", stderr);
        return 2;
    }
    QSvgRenderer picture(QString::fromLocal8Bit(argv[1]));
    if (!picture.isValid()) {
        std::fprintf(stderr, "mkicon: cannot read %s\n", argv[1]);
        return 1;
    }
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    picture.render(&painter);
    painter.end();
    if (!icon.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "mkicon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
