#include "app/cursor_file.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QImageReader>
#include <QPixmap>

namespace veltrano::app {

namespace {

// The icon directory's fixed parts.
constexpr quint16 kCursorResourceType = 2;
constexpr int kDirectoryHeaderBytes = 6;
constexpr int kDirectoryEntryBytes = 16;
constexpr quint32 kBitmapInfoHeaderBytes = 40;
constexpr int kLargestSide = 256;
// Far above any real cursor file (a 256 × 256 picture takes about 270 KB); a larger file is
// not read into memory.
constexpr qint64 kLargestFileBytes = 4 * 1024 * 1024;

// Bytes in one row of a 1-bit mask, padded to whole 32-bit words.
int maskRowBytes(int width)
{
    return (width + 31) / 32 * 4;
}

void writeBitmap(QDataStream& out, const QImage& argb)
{
    const int width = argb.width();
    const int height = argb.height();
    // The bitmap's height counts the colour rows and the mask rows together.
    out << kBitmapInfoHeaderBytes << qint32(width) << qint32(height * 2) << quint16(1) << quint16(32) << quint32(0)
        << quint32(width * height * 4 + maskRowBytes(width) * height) << qint32(0) << qint32(0) << quint32(0)
        << quint32(0);
    // Rows go bottom-up, pixels as blue, green, red, alpha.
    for (int y = height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < width; ++x)
            out << quint8(qBlue(row[x])) << quint8(qGreen(row[x])) << quint8(qRed(row[x])) << quint8(qAlpha(row[x]));
    }
    // The mask: 1 where the pixel is fully transparent, for readers that ignore alpha.
    for (int y = height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        QByteArray bits(maskRowBytes(width), '\0');
        for (int x = 0; x < width; ++x)
            if (qAlpha(row[x]) == 0)
                bits[x / 8] = static_cast<char>(bits[x / 8] | (0x80 >> (x % 8)));
        out.writeRawData(bits.constData(), static_cast<int>(bits.size()));
    }
}

}  // namespace

QByteArray encodeCursorFile(const QImage& picture, QPoint hotSpot)
{
    if (picture.isNull() || picture.width() > kLargestSide || picture.height() > kLargestSide)
        return {};
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    QByteArray bitmap;
    {
        QDataStream out(&bitmap, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        writeBitmap(out, argb);
    }
    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << kCursorResourceType << quint16(1);
    // 0 stands for 256 in the entry's one-byte sides.
    out << quint8(argb.width() % kLargestSide) << quint8(argb.height() % kLargestSide) << quint8(0) << quint8(0)
        << quint16(hotSpot.x()) << quint16(hotSpot.y()) << quint32(bitmap.size())
        << quint32(kDirectoryHeaderBytes + kDirectoryEntryBytes);
    out.writeRawData(bitmap.constData(), static_cast<int>(bitmap.size()));
    return file;
}

std::optional<QPoint> cursorFileHotSpot(const QByteArray& data)
{
    if (data.size() < kDirectoryHeaderBytes + kDirectoryEntryBytes)
        return std::nullopt;
    QDataStream in(data);
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 reserved = 0, type = 0, count = 0;
    in >> reserved >> type >> count;
    if (reserved != 0 || type != kCursorResourceType || count == 0)
        return std::nullopt;
    quint8 width = 0, height = 0, colours = 0, unused = 0;
    quint16 hotX = 0, hotY = 0;
    in >> width >> height >> colours >> unused >> hotX >> hotY;
    return QPoint(hotX, hotY);
}

std::optional<QCursor> loadCursorFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestFileBytes)
        return std::nullopt;
    const QByteArray data = file.readAll();
    const std::optional<QPoint> hotSpot = cursorFileHotSpot(data);
    if (!hotSpot)
        return std::nullopt;
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer, "cur");
    const QImage picture = reader.read();
    if (picture.isNull())
        return std::nullopt;
    return QCursor(QPixmap::fromImage(picture), hotSpot->x(), hotSpot->y());
}

}  // namespace veltrano::app
