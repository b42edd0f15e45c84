#pragma once
// Reading a picture file chosen by the user into the bytes a picture field stores.
//
// The picture field holds a Windows bitmap, and other programs reading the tables expect one.
// A bitmap file is stored as it is. A JPEG or PNG file (a phone's photo) is decoded, turned
// upright by its orientation tag, scaled down so that its longer side is at most
// kPictureLongSide pixels, laid on white where it is transparent and stored as a 24-bit
// bitmap. A 4032 × 3024 photo becomes a 1280 × 960 bitmap of about 3.7 MB.
//
// Only a regular file is read: a link to a device, a FIFO or a folder is refused without ever
// waiting on it, and so is a file over kPictureFileLimit bytes or a picture over
// kPicturePixelLimit pixels (judged from its header, before anything is decoded). Every refusal
// is an EngineError with a Japanese message that names the file.

#include <QByteArray>
#include <QString>

class QImage;

namespace mz::widgets {

// The largest picture file that is read at all: 20 MB.
inline constexpr qint64 kPictureFileLimit = 20 * 1024 * 1024;
// The longest side, in pixels, of a JPEG or PNG picture once stored.
inline constexpr int kPictureLongSide = 1280;
// The most pixels a JPEG or PNG picture may have to be decoded: 80 million, so that the photos
// of today's phones (up to about 64 megapixels) are taken and nothing far larger is tried.
inline constexpr qint64 kPicturePixelLimit = 80'000'000;
// The memory, in MB, the image readers may take for one decoded picture: the pixel limit at
// four bytes a pixel, with room to spare.
inline constexpr int kPictureAllocationLimitMB = 400;

// The bytes of the picture file `path` as the picture field stores them. Throws
// mz::data::EngineError when the file cannot be used. Safe to call from any thread; it never
// waits on anything but the file's own contents.
QByteArray readPictureFile(const QString& path);

// The same for bytes already read; `fileName` names them in messages.
QByteArray pictureBitmap(const QByteArray& bytes, const QString& fileName);

// A 24-bit Windows bitmap (BITMAPINFOHEADER, bottom-up rows, no compression) of `image`.
QByteArray encodeBitmap24(const QImage& image);

// readPictureFile() on a worker thread. The window goes on painting while the file is read
// and decoded, with the busy cursor shown; input stays queued until the picture is there, so
// nothing else can start meanwhile.
QByteArray loadPictureFile(const QString& path);

}  // namespace mz::widgets
