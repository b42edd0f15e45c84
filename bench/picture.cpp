// bench_picture [FILE]: what a phone photo costs when it is set as an entry's picture. Without
// a file, a 4032 × 3024 JPEG (quality 90, a photo-like mix of gradients and noise) is made
// first. Prints the file's size, the stored bitmap's size and dimensions, the time to read and
// convert it and the peak resident memory.
#include "widgets/picturefile.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

namespace {

long peakRssKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

QImage photoLike(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator noise(42);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = int(noise.bounded(24));
            line[x] = qRgb((x * 255 / width + n) % 256, (y * 255 / height + n) % 256, (x + y + n) % 256);
        }
    }
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir tmp;
    QString path = app.arguments().value(1);
    if (path.isEmpty()) {
        path = tmp.filePath(QStringLiteral("photo.jpg"));
        if (!photoLike(4032, 3024).save(path, "JPEG", 90)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    QElapsedTimer timer;
    timer.start();
    QByteArray stored;
    try {
        stored = mz::widgets::loadPictureFile(path);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "refused: %s\n", e.what());
        return 1;
    }
    const qint64 ms = timer.elapsed();
    const QImage bitmap = QImage::fromData(stored, "BMP");
    std::printf("picture file      %s, %lld bytes\n", qPrintable(QFileInfo(path).fileName()),
                static_cast<long long>(QFileInfo(path).size()));
    std::printf("stored bitmap     %d x %d, %lld bytes (%.2f MB)\n", bitmap.width(), bitmap.height(),
                static_cast<long long>(stored.size()), double(stored.size()) / 1e6);
    std::printf("read and convert  %lld ms\n", static_cast<long long>(ms));
    std::printf("peak memory       %ld kB\n", peakRssKb());
    return 0;
}
