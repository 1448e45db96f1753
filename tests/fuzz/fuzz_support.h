// What the fuzz targets share: the input as Qt bytes without a copy, a reader
// that cuts it into fields, and the check that stops the run with a clear
// message when a property does not hold.
#ifndef FUZZ_SUPPORT_H
#define FUZZ_SUPPORT_H

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace fuzz {

// Bytes over memory of exactly their size, so AddressSanitizer reports any read
// past their end. QByteArray::fromRawData does not copy; the owner keeps the memory.
class Exact
{
public:
    Exact() = default;
    Exact(const char *data, int size) : memory(new char[size > 0 ? size : 1]), length(size)
    {
        if (size > 0)
            std::copy(data, data + size, memory.get());
    }
    QByteArray bytes() const & { return QByteArray::fromRawData(memory ? memory.get() : "", length); }
    // The bytes point into this object: a temporary's would dangle.
    QByteArray bytes() const && = delete;

private:
    std::unique_ptr<char[]> memory;
    int length = 0;
};

// The fuzzer's own buffer is already exactly the input's size.
inline QByteArray input_bytes(const uint8_t *data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
}

// Cuts an input into fields: single bytes, 16-bit numbers, and byte strings
// with a one-byte length in front. A field the input has run out for is empty
// or 0, so every input is valid.
class Reader
{
public:
    Reader(const uint8_t *data, size_t size) : data(data), size(size) {}

    int byte()
    {
        return pos < size ? data[pos++] : 0;
    }
    int u16()
    {
        const int high = byte();
        return high * 256 + byte();
    }
    bool flag() { return byte() & 1; }
    // A byte string of the length the next byte says (cut short at the end).
    Exact field()
    {
        const size_t wanted = size_t(byte());
        return take(wanted);
    }
    Exact rest() { return take(size - pos); }
    size_t remaining() const { return size - pos; }

private:
    Exact take(size_t wanted)
    {
        const size_t n = wanted < size - pos ? wanted : size - pos;
        Exact out(reinterpret_cast<const char *>(data + pos), int(n));
        pos += n;
        return out;
    }

    const uint8_t *data;
    size_t size;
    size_t pos = 0;
};

inline QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.left(256).toHex(' ')) + (bytes.size() > 256 ? QStringLiteral(" ...") : QString());
}

inline QString hex(const QString &text)
{
    return hex(text.toUtf8());
}

[[noreturn]] inline void violated(const char *property, const char *condition, const QString &detail,
                                  const char *file, int line)
{
    std::fprintf(stderr, "\n==== PROPERTY VIOLATED: %s\n     check: %s (%s:%d)\n", property, condition, file, line);
    if (!detail.isEmpty())
        std::fprintf(stderr, "     %s\n", qUtf8Printable(detail));
    std::fflush(stderr);
    std::abort();
}

} // namespace fuzz

// REQUIRE(condition, property[, detail]): the detail (a QString) is built only
// when the condition fails.
#define REQUIRE_3(condition, property, detail)                                                   \
    do {                                                                                         \
        if (!(condition))                                                                        \
            ::fuzz::violated(property, #condition, detail, __FILE__, __LINE__);                  \
    } while (0)
#define REQUIRE_2(condition, property) REQUIRE_3(condition, property, QString())
#define REQUIRE_PICK(_1, _2, _3, name, ...) name
#define REQUIRE(...) REQUIRE_PICK(__VA_ARGS__, REQUIRE_3, REQUIRE_2, unused)(__VA_ARGS__)

#endif // FUZZ_SUPPORT_H
