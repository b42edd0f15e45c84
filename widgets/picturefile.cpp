#include "widgets/picturefile.h"

#include "data/syserror.h"
#include "data/types.h"

#include <QBuffer>
#include <QCursor>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QScopeGuard>
#include <QThread>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using mz::data::EngineError;

namespace mz::widgets {

namespace {

// --- format bytes ----------------------------------------------------------------------------

// Windows bitmap: "BM", then BITMAPFILEHEADER (14 bytes) and BITMAPINFOHEADER (40 bytes).
constexpr std::array<char, 2> kBitmapMagic{'B', 'M'};
constexpr quint32 kBitmapFileHeaderSize = 14;
constexpr quint32 kBitmapInfoHeaderSize = 40;
constexpr quint16 kBitmapPlanes = 1;
constexpr quint16 kBitmapBitsPerPixel = 24;
constexpr quint32 kBitmapNoCompression = 0;  // BI_RGB
constexpr qint32 kBitmapPixelsPerMetre = 3780;  // 96 dots per inch

// JPEG markers: every marker is 0xFF followed by its code.
constexpr quint8 kJpegMarker = 0xFF;
constexpr quint8 kJpegStartOfImage = 0xD8;
constexpr quint8 kJpegEndOfImage = 0xD9;
constexpr quint8 kJpegStartOfScan = 0xDA;
constexpr quint8 kJpegRestartFirst = 0xD0;  // RST0 .. RST7 stand alone, also inside a scan
constexpr quint8 kJpegRestartLast = 0xD7;
constexpr quint8 kJpegTemporary = 0x01;  // TEM stands alone
constexpr quint8 kJpegStuffedZero = 0x00;  // 0xFF 0x00 is a data byte 0xFF inside a scan

// PNG: the eight-byte signature, then chunks of length (4), type (4), data, CRC (4).
constexpr std::array<quint8, 8> kPngSignature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr qsizetype kPngChunkFrame = 12;
constexpr std::array<char, 4> kPngEndChunk{'I', 'E', 'N', 'D'};

enum class Kind { Bitmap, Jpeg, Png, Unknown };

quint8 byteAt(QByteArrayView d, qsizetype i) {
    return static_cast<quint8>(d[i]);
}

bool startsWith(QByteArrayView d, const auto& magic) {
    if (d.size() < static_cast<qsizetype>(magic.size())) return false;
    for (size_t i = 0; i < magic.size(); ++i)
        if (byteAt(d, static_cast<qsizetype>(i)) != static_cast<quint8>(magic[i])) return false;
    return true;
}

Kind kindOfContents(QByteArrayView d) {
    if (startsWith(d, kBitmapMagic)) return Kind::Bitmap;
    if (d.size() >= 3 && byteAt(d, 0) == kJpegMarker && byteAt(d, 1) == kJpegStartOfImage &&
        byteAt(d, 2) == kJpegMarker)
        return Kind::Jpeg;
    if (startsWith(d, kPngSignature)) return Kind::Png;
    return Kind::Unknown;
}

// What the file's name says it is, for the message about a file that is none of the three.
Kind kindOfName(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"bmp"_s) return Kind::Bitmap;
    if (suffix == u"jpg"_s || suffix == u"jpeg"_s) return Kind::Jpeg;
    if (suffix == u"png"_s) return Kind::Png;
    return Kind::Unknown;
}

bool isRestart(quint8 code) {
    return code >= kJpegRestartFirst && code <= kJpegRestartLast;
}

// Whether JPEG data runs on to its end-of-image marker. The segments before a scan are skipped
// by their lengths (so the end marker of a thumbnail inside the EXIF segment does not count);
// a scan's data runs to the next marker that is neither a stuffed zero nor a restart. Bytes
// after the end marker (some phones append data there) do not matter.
bool jpegIsComplete(QByteArrayView d) {
    const qsizetype n = d.size();
    qsizetype i = 2;  // after the start-of-image marker
    while (i < n) {
        // Stray bytes before a marker are passed over, as the decoder does with a warning.
        while (i < n && byteAt(d, i) != kJpegMarker) ++i;
        while (i < n && byteAt(d, i) == kJpegMarker) ++i;  // fill bytes
        if (i >= n) return false;
        const quint8 code = byteAt(d, i++);
        if (code == kJpegEndOfImage) return true;
        if (code == kJpegStartOfImage || code == kJpegTemporary || isRestart(code)) continue;
        if (i + 2 > n) return false;
        const qsizetype length = (qsizetype{byteAt(d, i)} << 8) | byteAt(d, i + 1);
        if (length < 2) return false;
        i += length;
        if (i > n) return false;
        if (code != kJpegStartOfScan) continue;
        for (;; ++i) {
            if (i + 1 >= n) return false;
            if (byteAt(d, i) != kJpegMarker) continue;
            const quint8 next = byteAt(d, i + 1);
            if (next != kJpegStuffedZero && !isRestart(next)) break;
        }
    }
    return false;
}

quint32 bigEndian32(QByteArrayView d, qsizetype i) {
    return (quint32{byteAt(d, i)} << 24) | (quint32{byteAt(d, i + 1)} << 16) |
           (quint32{byteAt(d, i + 2)} << 8) | quint32{byteAt(d, i + 3)};
}

// Whether PNG data runs on to its end chunk.
bool pngIsComplete(QByteArrayView d) {
    const qsizetype n = d.size();
    qsizetype i = static_cast<qsizetype>(kPngSignature.size());
    while (i + kPngChunkFrame <= n) {
        const qsizetype length = bigEndian32(d, i);
        if (std::memcmp(d.data() + i + 4, kPngEndChunk.data(), kPngEndChunk.size()) == 0)
            return true;
        if (length > n - i - kPngChunkFrame) return false;
        i += kPngChunkFrame + length;
    }
    return false;
}

QString notAPictureMessage(Kind kind, const QString& name) {
    switch (kind) {
        case Kind::Bitmap:
            return u"'%1' は正しいビットマップではありません"_s.arg(name);
        case Kind::Jpeg:
            return u"'%1' は正しい JPEG 画像ではありません"_s.arg(name);
        case Kind::Png:
            return u"'%1' は正しい PNG 画像ではありません"_s.arg(name);
        case Kind::Unknown:
            break;
    }
    return u"'%1' はビットマップ、JPEG、PNG のどの画像でもありません"_s.arg(name);
}

QString megabytes(qint64 bytes) {
    return QString::number(bytes / (1024 * 1024));
}

// A JPEG or PNG picture decoded upright, at most kPictureLongSide pixels on its longer side, on
// white, as the bitmap the field stores.
QByteArray convertPicture(const QByteArray& bytes, Kind kind, const QString& name) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, kind == Kind::Jpeg ? "jpeg" : "png");
    reader.setAutoTransform(true);
    // The size from the header, before a single pixel is decoded.
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) throw EngineError(notAPictureMessage(kind, name));
    if (qint64{size.width()} * size.height() > kPicturePixelLimit)
        throw EngineError(
            u"'%1' は画素数が多すぎます（%2 × %3 ピクセル。%4 万画素までの画像を設定できます）"_s
                .arg(name)
                .arg(size.width())
                .arg(size.height())
                .arg(kPicturePixelLimit / 10'000));
    const bool complete = kind == Kind::Jpeg ? jpegIsComplete(bytes) : pngIsComplete(bytes);
    if (!complete)
        throw EngineError(u"'%1' は途中で切れています（画像の終わりがありません）"_s.arg(name));

    // The scale is set on the picture as the file holds it, before it is turned upright: the
    // longer side is the same either way. A JPEG is then decoded at that size directly.
    const int longSide = std::max(size.width(), size.height());
    QSize target = size;
    if (longSide > kPictureLongSide) {
        const double scale = double(kPictureLongSide) / longSide;
        target = QSize(std::max(1, int(std::lround(size.width() * scale))),
                       std::max(1, int(std::lround(size.height() * scale))));
        reader.setScaledSize(target);
    }
    QImage image = reader.read();
    if (image.isNull()) throw EngineError(notAPictureMessage(kind, name));
    // Whatever the reader did with the scale, the stored picture keeps to the limit.
    if (std::max(image.width(), image.height()) > kPictureLongSide)
        image = image.scaled(kPictureLongSide, kPictureLongSide, Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);

    if (image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
        painter.end();
        image = flat;
    }
    return encodeBitmap24(image);
}

void putLittle16(char* p, quint16 v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}

void putLittle32(char* p, quint32 v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A regular file's descriptor, closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

QByteArray encodeBitmap24(const QImage& image) {
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    const quint32 width = static_cast<quint32>(bgr.width());
    const quint32 height = static_cast<quint32>(bgr.height());
    const quint32 rowBytes = (width * 3 + 3) & ~quint32{3};  // rows are padded to four bytes
    const quint32 offset = kBitmapFileHeaderSize + kBitmapInfoHeaderSize;
    const quint32 fileSize = offset + rowBytes * height;

    QByteArray out(static_cast<qsizetype>(fileSize), '\0');
    char* p = out.data();
    p[0] = kBitmapMagic[0];
    p[1] = kBitmapMagic[1];
    putLittle32(p + 2, fileSize);
    putLittle32(p + 10, offset);
    char* info = p + kBitmapFileHeaderSize;
    putLittle32(info, kBitmapInfoHeaderSize);
    putLittle32(info + 4, width);
    putLittle32(info + 8, height);  // positive: the bottom row comes first
    putLittle16(info + 12, kBitmapPlanes);
    putLittle16(info + 14, kBitmapBitsPerPixel);
    putLittle32(info + 16, kBitmapNoCompression);
    putLittle32(info + 20, rowBytes * height);
    putLittle32(info + 24, static_cast<quint32>(kBitmapPixelsPerMetre));
    putLittle32(info + 28, static_cast<quint32>(kBitmapPixelsPerMetre));
    for (quint32 y = 0; y < height; ++y)
        std::memcpy(p + offset + qsizetype{rowBytes} * y,
                    bgr.constScanLine(static_cast<int>(height - 1 - y)), width * 3);
    return out;
}

QByteArray pictureBitmap(const QByteArray& bytes, const QString& fileName) {
    const Kind kind = kindOfContents(bytes);
    switch (kind) {
        case Kind::Bitmap:
            if (QImage::fromData(bytes, "BMP").isNull())
                throw EngineError(notAPictureMessage(Kind::Bitmap, fileName));
            return bytes;
        case Kind::Jpeg:
        case Kind::Png:
            return convertPicture(bytes, kind, fileName);
        case Kind::Unknown:
            break;
    }
    throw EngineError(notAPictureMessage(kindOfName(fileName), fileName));
}

QByteArray readPictureFile(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const QByteArray native = QFile::encodeName(path);
    const auto failed = [&](const QString& what, int code) {
        return EngineError(mz::data::systemErrorMessage(what.arg(name), code));
    };
    const QString notAFile = u"'%1' は画像ファイルではありません（通常のファイルだけを設定できます）"_s;

    // Refused by its kind before it is opened, so that no device is ever opened; then checked
    // again on what was opened, in case the name was changed in between.
    struct stat st;
    if (::stat(native.constData(), &st) != 0) throw failed(u"ファイル '%1' を開けません"_s, errno);
    if (!S_ISREG(st.st_mode)) throw EngineError(notAFile.arg(name));
    int raw;
    do raw = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    while (raw < 0 && errno == EINTR);
    if (raw < 0) throw failed(u"ファイル '%1' を開けません"_s, errno);
    Fd fd(raw);
    if (::fstat(fd.get(), &st) != 0) throw failed(u"ファイル '%1' を開けません"_s, errno);
    if (!S_ISREG(st.st_mode)) throw EngineError(notAFile.arg(name));
    const QString tooLarge =
        u"'%1' は大きすぎます（%2 MB までの画像ファイルを設定できます）"_s.arg(name,
                                                                             megabytes(kPictureFileLimit));
    if (st.st_size > kPictureFileLimit) throw EngineError(tooLarge);

    // Read to the end, but never more than the limit: the file may be growing.
    QByteArray bytes(static_cast<qsizetype>(st.st_size) + 1, Qt::Uninitialized);
    qsizetype done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done > kPictureFileLimit) throw EngineError(tooLarge);
            bytes.resize(std::min<qsizetype>(kPictureFileLimit + 1, done * 2 + 4096));
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw failed(u"ファイル '%1' を読み込めません"_s, errno);
        }
        if (n == 0) break;
        done += n;
    }
    if (done > kPictureFileLimit) throw EngineError(tooLarge);
    bytes.truncate(done);
    if (bytes.isEmpty()) throw EngineError(notAPictureMessage(kindOfName(name), name));
    return pictureBitmap(bytes, name);
}

QByteArray loadPictureFile(const QString& path) {
    if (!QCoreApplication::instance()) return readPictureFile(path);
    QImageReader::setAllocationLimit(kPictureAllocationLimitMB);

    QByteArray result;
    std::exception_ptr error;
    QEventLoop loop;
    QThread* worker = QThread::create([&] {
        try {
            result = readPictureFile(path);
        } catch (...) {
            error = std::current_exception();
        }
    });
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (gui) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const auto cleanUp = qScopeGuard([&] {
        worker->wait();
        delete worker;
        if (gui) QGuiApplication::restoreOverrideCursor();
    });
    worker->start();
    // Paint events and timers go on; user input waits until the picture is there.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    if (error) std::rethrow_exception(error);
    return result;
}

}  // namespace mz::widgets
