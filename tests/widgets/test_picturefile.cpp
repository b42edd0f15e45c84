// Picture files as users have them: phone photos (JPEG with an orientation tag, PNG with
// transparency) become upright 24-bit bitmaps no larger than the stored size; bitmaps are kept
// as they are; broken, huge, truncated or special files are refused with a Japanese message and
// never block.
#include "data/syserror.h"
#include "data/types.h"
#include "widgets/picturefile.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using mz::data::EngineError;

// Messages show as text when a comparison fails.
void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
using mz::widgets::loadPictureFile;

namespace {

// Left half red, right half blue: which way a picture was turned shows in where red ends up.
QImage halves(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter p(&image);
    p.fillRect(0, 0, width / 2, height, Qt::red);
    return image;
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(95);
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return bytes;
}

// An EXIF segment holding one tag, the orientation, put right after the JPEG's start marker.
// `extra` goes into the segment too (a thumbnail's end marker, say).
QByteArray withOrientation(const QByteArray& jpeg, int orientation, const QByteArray& extra = {}) {
    QByteArray tiff("MM\x00\x2A\x00\x00\x00\x08", 8);  // big-endian, first directory at 8
    tiff.append("\x00\x01", 2);                          // one entry
    tiff.append("\x01\x12\x00\x03\x00\x00\x00\x01", 8);  // orientation, SHORT, count 1
    tiff.append(char(0)).append(char(orientation)).append("\x00\x00", 2);
    tiff.append("\x00\x00\x00\x00", 4);  // no next directory
    tiff.append(extra);
    const QByteArray payload = QByteArray("Exif\x00\x00", 6) + tiff;
    const int length = int(payload.size()) + 2;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char(length >> 8)).append(char(length & 0xFF)).append(payload);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

// The JPEG with other dimensions written into its frame header; the data stays small.
QByteArray withFrameSize(QByteArray jpeg, int width, int height) {
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    EXPECT_GT(sof, 0);
    jpeg[sof + 5] = char(height >> 8);
    jpeg[sof + 6] = char(height & 0xFF);
    jpeg[sof + 7] = char(width >> 8);
    jpeg[sof + 8] = char(width & 0xFF);
    return jpeg;
}

bool isRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; }
bool isBlue(QRgb c) { return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) > 200; }
bool isWhite(QRgb c) { return qRed(c) > 245 && qGreen(c) > 245 && qBlue(c) > 245; }

quint32 little32(const QByteArray& b, int at) {
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 |
           quint32(quint8(b[at + 2])) << 16 | quint32(quint8(b[at + 3])) << 24;
}

// What the field stores must be a 24-bit uncompressed Windows bitmap of the expected size.
QImage storedBitmap(const QByteArray& bytes, QSize size) {
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(little32(bytes, 2), quint32(bytes.size()));
    EXPECT_EQ(little32(bytes, 14), 40u);                          // BITMAPINFOHEADER
    EXPECT_EQ(little32(bytes, 18), quint32(size.width()));
    EXPECT_EQ(little32(bytes, 22), quint32(size.height()));       // bottom-up
    EXPECT_EQ(quint8(bytes[28]) | quint8(bytes[29]) << 8, 24);    // bits per pixel
    EXPECT_EQ(little32(bytes, 30), 0u);                           // no compression
    const int row = (size.width() * 3 + 3) & ~3;
    EXPECT_EQ(bytes.size(), 54 + row * size.height());
    const QImage image = QImage::fromData(bytes, "BMP");
    EXPECT_EQ(image.size(), size);
    return image;
}

struct PictureFileTest : ::testing::Test {
    QTemporaryDir dir;
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QString messageFor(const QString& path) {
        try {
            loadPictureFile(path);
        } catch (const EngineError& e) {
            return e.message();
        }
        return u"<accepted>"_s;
    }
};

}  // namespace

TEST_F(PictureFileTest, PhotosAreTurnedUprightByTheirOrientationTag) {
    const QByteArray jpeg = encoded(halves(40, 20), "jpeg");
    struct Case {
        int orientation;
        QSize size;
        QPoint red, blue;  // where each half ends up
    };
    const Case cases[] = {
        {1, {40, 20}, {5, 10}, {35, 10}},   // as stored
        {3, {40, 20}, {35, 10}, {5, 10}},   // upside down
        {6, {20, 40}, {10, 5}, {10, 35}},   // turned right: the left edge goes to the top
        {8, {20, 40}, {10, 35}, {10, 5}},   // turned left: the left edge goes to the bottom
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        const QString path = write(u"photo.jpg"_s, withOrientation(jpeg, c.orientation));
        const QImage stored = storedBitmap(loadPictureFile(path), c.size);
        EXPECT_TRUE(isRed(stored.pixel(c.red)));
        EXPECT_TRUE(isBlue(stored.pixel(c.blue)));
    }
}

TEST_F(PictureFileTest, LargePhotosAreScaledToTheLongSideAfterBeingTurned) {
    // 2600 × 1300 as the camera wrote it, to be turned right: 640 × 1280 upright.
    const QString turned = write(u"IMG_0001.JPG"_s,
                                 withOrientation(encoded(halves(2600, 1300), "jpeg"), 6));
    const QImage upright = storedBitmap(loadPictureFile(turned), {640, 1280});
    EXPECT_TRUE(isRed(upright.pixel(320, 100)));
    EXPECT_TRUE(isBlue(upright.pixel(320, 1180)));

    // A PNG is scaled the same way; a picture within the size keeps its size.
    const QString png = write(u"scan.png"_s, encoded(halves(1300, 2600), "png"));
    storedBitmap(loadPictureFile(png), {640, 1280});
    const QString small = write(u"small.png"_s, encoded(halves(1280, 3), "png"));
    storedBitmap(loadPictureFile(small), {1280, 3});
}

TEST_F(PictureFileTest, TransparentPartsAreLaidOnWhite) {
    QImage image(20, 10, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.fillRect(10, 0, 10, 10, Qt::red);
    p.end();
    const QString path = write(u"logo.png"_s, encoded(image, "png"));
    const QImage stored = storedBitmap(loadPictureFile(path), {20, 10});
    EXPECT_TRUE(isWhite(stored.pixel(2, 5)));
    EXPECT_TRUE(isRed(stored.pixel(15, 5)));
}

TEST_F(PictureFileTest, BitmapsAreStoredAsTheyAre) {
    // A palette bitmap of an odd width: not converted, not padded anew.
    QImage indexed = halves(5, 3).convertToFormat(QImage::Format_Indexed8);
    const QByteArray bmp = encoded(indexed, "bmp");
    ASSERT_LT(quint8(bmp[28]), 24);  // a palette
    EXPECT_EQ(loadPictureFile(write(u"gift.bmp"_s, bmp)), bmp);
    // A bitmap under a JPEG name is still a bitmap: the contents decide.
    EXPECT_EQ(loadPictureFile(write(u"gift.jpg"_s, bmp)), bmp);
    // The encoder's rows are padded to four bytes and read back exactly.
    const QImage odd = halves(5, 3);
    const QImage back = storedBitmap(mz::widgets::encodeBitmap24(odd), {5, 3});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(back.pixel(x, y), odd.pixel(x, y)) << x << "," << y;
}

TEST_F(PictureFileTest, BrokenPicturesAreRefusedWithAJapaneseMessage) {
    const QByteArray jpeg = encoded(halves(64, 48), "jpeg");
    const QByteArray png = encoded(halves(64, 48), "png");

    EXPECT_EQ(messageFor(write(u"photo.jpg"_s, "this is text, not a photo")),
              u"'photo.jpg' は正しい JPEG 画像ではありません"_s);
    EXPECT_EQ(messageFor(write(u"fake.jpg"_s, QByteArray("\xFF\xD8\xFF\xE0", 4) + "garbage")),
              u"'fake.jpg' は正しい JPEG 画像ではありません"_s);
    EXPECT_EQ(messageFor(write(u"scan.png"_s, "\x89PNG but nothing more")),
              u"'scan.png' は正しい PNG 画像ではありません"_s);
    EXPECT_EQ(messageFor(write(u"note.bmp"_s, "no picture")),
              u"'note.bmp' は正しいビットマップではありません"_s);
    EXPECT_EQ(messageFor(write(u"empty.bmp"_s, "")),
              u"'empty.bmp' は正しいビットマップではありません"_s);
    EXPECT_EQ(messageFor(write(u"photo.heic"_s, "ftypheic")),
              u"'photo.heic' はビットマップ、JPEG、PNG のどの画像でもありません"_s);

    // Cut off in the middle of the picture data: the reader would fill the rest with gray.
    const QString cut = u"'cut.jpg' は途中で切れています（画像の終わりがありません）"_s;
    EXPECT_EQ(messageFor(write(u"cut.jpg"_s, jpeg.left(jpeg.size() - 30))), cut);
    // ... also when the EXIF segment holds an end marker of its own (a thumbnail's).
    const QByteArray tagged = withOrientation(jpeg, 1, QByteArray("\xFF\xD8\xFF\xD9", 4));
    EXPECT_EQ(messageFor(write(u"cut.jpg"_s, tagged.left(tagged.size() - 10))), cut);
    EXPECT_EQ(messageFor(write(u"cut.png"_s, png.left(png.size() - 20))),
              u"'cut.png' は途中で切れています（画像の終わりがありません）"_s);
    // Bytes after the end of the picture (some phones put data there) do no harm.
    storedBitmap(loadPictureFile(write(u"tail.jpg"_s, tagged + QByteArray(100, 'x'))), {64, 48});

    // 12,000 × 9,000 pixels by its header: refused before anything is decoded.
    EXPECT_EQ(messageFor(write(u"huge.jpg"_s, withFrameSize(jpeg, 12000, 9000))),
              u"'huge.jpg' は画素数が多すぎます（12000 × 9000 ピクセル。8000 万画素までの画像を設定できます）"_s);
}

TEST_F(PictureFileTest, OnlyRegularFilesWithinTheLimitAreRead) {
    const QString notAFile = u"'%1' は画像ファイルではありません（通常のファイルだけを設定できます）"_s;
    // A link to an endless device, a FIFO nobody writes to, a folder: refused at once.
    const QString zero = dir.filePath(u"zero.bmp"_s);
    ASSERT_TRUE(QFile::link(u"/dev/zero"_s, zero));
    EXPECT_EQ(messageFor(zero), notAFile.arg(u"zero.bmp"_s));
    const QString fifo = dir.filePath(u"x.bmp"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(messageFor(fifo), notAFile.arg(u"x.bmp"_s));
    const QString folder = dir.filePath(u"album.png"_s);
    ASSERT_EQ(::mkdir(QFile::encodeName(folder).constData(), 0700), 0);
    EXPECT_EQ(messageFor(folder), notAFile.arg(u"album.png"_s));

    // One byte over the limit (a sparse file: nothing is written to the disk).
    const QString big = write(u"big.bmp"_s, "BM");
    ASSERT_EQ(::truncate(QFile::encodeName(big).constData(), mz::widgets::kPictureFileLimit + 1), 0);
    EXPECT_EQ(messageFor(big), u"'big.bmp' は大きすぎます（20 MB までの画像ファイルを設定できます）"_s);

    // A file that is not there: the system's reason in Japanese, with the name.
    EXPECT_EQ(messageFor(dir.filePath(u"missing.jpg"_s)),
              mz::data::systemErrorMessage(u"ファイル 'missing.jpg' を開けません"_s, ENOENT));
}
