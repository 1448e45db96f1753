#include "image_codecs.h"

#include <QHash>

namespace picgen {
namespace {

void put_u16(QByteArray &out, int v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void put_u32(QByteArray &out, quint32 v)
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
            push_byte(char(bits_ & 0xFF));
            bits_ >>= 8;
            count_ -= 8;
        }
    }

    void finish()
    {
        if (count_ > 0)
            push_byte(char(bits_ & 0xFF));
        bits_ = 0;
        count_ = 0;
        flush_block();
        out_.append('\0'); // block terminator
    }

private:
    void push_byte(char b)
    {
        block_.append(b);
        if (block_.size() == 255)
            flush_block();
    }

    void flush_block()
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

void write_lzw(QByteArray &out, const QImage &frame, int min_code_size)
{
    out.append(char(min_code_size));
    CodeWriter writer(out);

    const int clear_code = 1 << min_code_size;
    const int end_code = clear_code + 1;
    int code_size = min_code_size + 1;
    int max_code = end_code; // highest code in use
    QHash<quint32, int> table; // (prefix code << 8 | next index) -> code

    writer.write(clear_code, code_size);
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
            writer.write(current, code_size);
            table.insert(key, ++max_code);
            // The decoder adds the same entry one code later, so it widens its codes
            // exactly when the new entry no longer fits the current width.
            if (max_code >= (1 << code_size))
                ++code_size;
            if (max_code == 4095) {
                writer.write(clear_code, code_size);
                table.clear();
                code_size = min_code_size + 1;
                max_code = end_code;
            }
            current = pixel;
        }
    }
    if (current >= 0)
        writer.write(current, code_size);
    writer.write(end_code, code_size);
    writer.finish();
}

} // namespace

QByteArray encode_gif(const QVector<QImage> &frames, int delay_cs, int transparent_index, bool loop_forever)
{
    if (frames.isEmpty())
        return {};
    const QSize size = frames.first().size();
    const QVector<QRgb> colours = frames.first().colorTable();
    if (size.isEmpty() || size.width() > 0xFFFF || size.height() > 0xFFFF || colours.isEmpty()
        || colours.size() > 256 || transparent_index >= colours.size())
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

    int table_bits = 1; // the colour table holds 2^table_bits entries
    while ((1 << table_bits) < colours.size())
        ++table_bits;

    QByteArray out("GIF89a");
    put_u16(out, size.width());
    put_u16(out, size.height());
    out.append(char(0x80 | ((table_bits - 1) << 4) | (table_bits - 1)));
    out.append(char(transparent_index >= 0 ? transparent_index : 0)); // background colour
    out.append('\0');                                              // square pixels
    for (int i = 0; i < (1 << table_bits); ++i) {
        const QRgb c = i < colours.size() ? colours.at(i) : qRgb(0, 0, 0);
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }

    if (loop_forever) {
        out.append("\x21\xFF\x0B", 3);
        out.append("NETSCAPE2.0");
        out.append("\x03\x01", 2);
        put_u16(out, 0); // 0 repeats = forever
        out.append('\0');
    }

    // Codes of one bit cannot express the clear and end codes, so the minimum is 2.
    const int min_code_size = qMax(2, table_bits);
    for (const QImage &f : frames) {
        out.append("\x21\xF9\x04", 3);
        out.append(char((2 << 2) | (transparent_index >= 0 ? 1 : 0)));
        put_u16(out, delay_cs);
        out.append(char(transparent_index >= 0 ? transparent_index : 0));
        out.append('\0');

        out.append(char(0x2C));
        put_u16(out, 0);
        put_u16(out, 0);
        put_u16(out, size.width());
        put_u16(out, size.height());
        out.append('\0'); // no local colour table, not interlaced
        write_lzw(out, f, min_code_size);
    }
    out.append(char(0x3B));
    return out;
}

QByteArray encode_ico(const QVector<QImage> &images)
{
    if (images.isEmpty())
        return {};
    for (const QImage &img : images)
        if (img.width() != img.height() || img.width() < 1 || img.width() > 256)
            return {};

    QByteArray header;
    put_u16(header, 0); // reserved
    put_u16(header, 1); // icon
    put_u16(header, images.size());

    QByteArray directory;
    QByteArray bitmaps;
    const int data_start = 6 + 16 * images.size();
    for (const QImage &source : images) {
        const QImage img = source.convertToFormat(QImage::Format_ARGB32);
        const int side = img.width();
        const int mask_stride = ((side + 31) / 32) * 4;

        QByteArray bmp;
        put_u32(bmp, 40);
        put_u32(bmp, quint32(side));
        put_u32(bmp, quint32(side * 2)); // colour rows followed by the mask rows
        put_u16(bmp, 1);
        put_u16(bmp, 32);
        put_u32(bmp, 0); // uncompressed
        put_u32(bmp, quint32(side * side * 4 + mask_stride * side));
        for (int i = 0; i < 4; ++i)
            put_u32(bmp, 0);
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
            QByteArray mask_row(mask_stride, '\0');
            for (int x = 0; x < side; ++x)
                if (qAlpha(row[x]) == 0)
                    mask_row[x / 8] = char(mask_row.at(x / 8) | (0x80 >> (x % 8)));
            bmp.append(mask_row);
        }

        directory.append(char(side == 256 ? 0 : side));
        directory.append(char(side == 256 ? 0 : side));
        directory.append('\0'); // no palette
        directory.append('\0');
        put_u16(directory, 1);  // planes
        put_u16(directory, 32); // bits per pixel
        put_u32(directory, quint32(bmp.size()));
        put_u32(directory, quint32(data_start + bitmaps.size()));
        bitmaps.append(bmp);
    }
    return header + directory + bitmaps;
}

} // namespace picgen
