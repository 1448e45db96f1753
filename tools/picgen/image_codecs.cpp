#include "image_codecs.h"

#include <QHash>

namespace picgen {
namespace {

void putU16(QByteArray &out, int v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void putU32(QByteArray &out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

// Packs variable-width codes least significant bit first and cuts the stream into the
// length-prefixed sub-blocks of at most 255 bytes that GIF image data is made of.
class CodeWriter {
public:
    explicit CodeWriter(QByteArray &out) : out_(out) {}

    void write(int code, int width)
    {
        bits_ |= quint32(code) << count_;
        count_ += width;
        while (count_ >= 8) {
            pushByte(char(bits_ & 0xFF));
            bits_ >>= 8;
            count_ -= 8;
        }
    }

    void finish()
    {
        if (count_ > 0)
            pushByte(char(bits_ & 0xFF));
        bits_ = 0;
        count_ = 0;
        flushBlock();
        out_.append('\0'); // block terminator
    }

private:
    void pushByte(char b)
    {
        block_.append(b);
        if (block_.size() == 255)
            flushBlock();
    }

    void flushBlock()
    {
        if (block_.isEmpty())
            return;
        out_.append(char(block_.size()));
        out_.append(block_);
        block_.clear();
    }

    QByteArray &out_;
    QByteArray block_;
    quint32 bits_ = 0;
    int count_ = 0;
};

void writeLzw(QByteArray &out, const QImage &frame, int minCodeSize)
{
    out.append(char(minCodeSize));
    CodeWriter writer(out);

    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    int codeSize = minCodeSize + 1;
    int maxCode = endCode; // highest code in use
    QHash<quint32, int> table; // (prefix code << 8 | next index) -> code

    writer.write(clearCode, codeSize);
    int current = -1;
    for (int y = 0; y < frame.height(); ++y) {
        const uchar *row = frame.constScanLine(y);
        for (int x = 0; x < frame.width(); ++x) {
            const int pixel = row[x];
            if (current < 0) {
                current = pixel;
                continue;
            }
            const quint32 key = (quint32(current) << 8) | quint32(pixel);
            const auto found = table.constFind(key);
            if (found != table.constEnd()) {
                current = found.value();
                continue;
            }
            writer.write(current, codeSize);
            table.insert(key, ++maxCode);
            // The decoder adds the same entry one code later, so it widens its codes
            // exactly when the new entry no longer fits the current width.
            if (maxCode >= (1 << codeSize))
                ++codeSize;
            if (maxCode == 4095) {
                writer.write(clearCode, codeSize);
                table.clear();
                codeSize = minCodeSize + 1;
                maxCode = endCode;
            }
            current = pixel;
        }
    }
    if (current >= 0)
        writer.write(current, codeSize);
    writer.write(endCode, codeSize);
    writer.finish();
}

} // namespace

QByteArray encodeGif(const QVector<QImage> &frames, int delayCs, int transparentIndex, bool loopForever)
{
    if (frames.isEmpty())
        return {};
    const QSize size = frames.first().size();
    const QVector<QRgb> colours = frames.first().colorTable();
    if (size.isEmpty() || size.width() > 0xFFFF || size.height() > 0xFFFF || colours.isEmpty()
        || colours.size() > 256 || transparentIndex >= colours.size())
        return {};
    for (const QImage &f : frames) {
        if (f.format() != QImage::Format_Indexed8 || f.size() != size || f.colorTable() != colours)
            return {};
        for (int y = 0; y < f.height(); ++y) {
            const uchar *row = f.constScanLine(y);
            for (int x = 0; x < f.width(); ++x)
                if (row[x] >= colours.size())
                    return {};
        }
    }

    int tableBits = 1; // the colour table holds 2^tableBits entries
    while ((1 << tableBits) < colours.size())
        ++tableBits;

    QByteArray out("GIF89a");
    putU16(out, size.width());
    putU16(out, size.height());
    out.append(char(0x80 | ((tableBits - 1) << 4) | (tableBits - 1)));
    out.append(char(transparentIndex >= 0 ? transparentIndex : 0)); // background colour
    out.append('\0');                                              // square pixels
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb c = i < colours.size() ? colours.at(i) : qRgb(0, 0, 0);
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }

    if (loopForever) {
        out.append("\x21\xFF\x0B", 3);
        out.append("NETSCAPE2.0");
        out.append("\x03\x01", 2);
        putU16(out, 0); // 0 repeats = forever
        out.append('\0');
    }

    // Codes of one bit cannot express the clear and end codes, so the minimum is 2.
    const int minCodeSize = qMax(2, tableBits);
    for (const QImage &f : frames) {
        out.append("\x21\xF9\x04", 3);
        out.append(char((2 << 2) | (transparentIndex >= 0 ? 1 : 0)));
        putU16(out, delayCs);
        out.append(char(transparentIndex >= 0 ? transparentIndex : 0));
        out.append('\0');

        out.append(char(0x2C));
        putU16(out, 0);
        putU16(out, 0);
        putU16(out, size.width());
        putU16(out, size.height());
        out.append('\0'); // no local colour table, not interlaced
        writeLzw(out, f, minCodeSize);
    }
    out.append(char(0x3B));
    return out;
}

QByteArray encodeIco(const QVector<QImage> &images)
{
    if (images.isEmpty())
        return {};
    for (const QImage &img : images)
        if (img.width() != img.height() || img.width() < 1 || img.width() > 256)
            return {};

    QByteArray header;
    putU16(header, 0); // reserved
    putU16(header, 1); // icon
    putU16(header, images.size());

    QByteArray directory;
    QByteArray bitmaps;
    const int dataStart = 6 + 16 * images.size();
    for (const QImage &source : images) {
        const QImage img = source.convertToFormat(QImage::Format_ARGB32);
        const int side = img.width();
        const int maskStride = ((side + 31) / 32) * 4;

        QByteArray bmp;
        putU32(bmp, 40);
        putU32(bmp, quint32(side));
        putU32(bmp, quint32(side * 2)); // colour rows followed by the mask rows
        putU16(bmp, 1);
        putU16(bmp, 32);
        putU32(bmp, 0); // uncompressed
        putU32(bmp, quint32(side * side * 4 + maskStride * side));
        for (int i = 0; i < 4; ++i)
            putU32(bmp, 0);
        for (int y = side - 1; y >= 0; --y) { // bitmaps are stored bottom-up
            const QRgb *row = reinterpret_cast<const QRgb *>(img.constScanLine(y));
            for (int x = 0; x < side; ++x) {
                bmp.append(char(qBlue(row[x])));
                bmp.append(char(qGreen(row[x])));
                bmp.append(char(qRed(row[x])));
                bmp.append(char(qAlpha(row[x])));
            }
        }
        // The mask is redundant with alpha but old readers draw only through it.
        for (int y = side - 1; y >= 0; --y) {
            const QRgb *row = reinterpret_cast<const QRgb *>(img.constScanLine(y));
            QByteArray maskRow(maskStride, '\0');
            for (int x = 0; x < side; ++x)
                if (qAlpha(row[x]) == 0)
                    maskRow[x / 8] = char(maskRow.at(x / 8) | (0x80 >> (x % 8)));
            bmp.append(maskRow);
        }

        directory.append(char(side == 256 ? 0 : side));
        directory.append(char(side == 256 ? 0 : side));
        directory.append('\0'); // no palette
        directory.append('\0');
        putU16(directory, 1);  // planes
        putU16(directory, 32); // bits per pixel
        putU32(directory, quint32(bmp.size()));
        putU32(directory, quint32(dataStart + bitmaps.size()));
        bitmaps.append(bmp);
    }
    return header + directory + bitmaps;
}

} // namespace picgen
