// Build step: a PNG to its bare pixels (RGBA, 8 bits each, premultiplied, row by row), which
// the program turns into a window icon without an image reader.
//   kv_icon_pixels IN.png OUT.rgba

#include <QFile>
#include <QImage>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s IN.png OUT.rgba\n", argv[0]);
        return 2;
    }
    const QImage image = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    if (image.isNull()) {
        std::fprintf(stderr, "%s: can't read %s\n", argv[0], argv[1]);
        return 1;
    }
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const char*>(image.constScanLine(y));
        if (out.write(line, qint64(image.width()) * 4) != qint64(image.width()) * 4)
            return 1;
    }
    return out.flush() ? 0 : 1;
}
