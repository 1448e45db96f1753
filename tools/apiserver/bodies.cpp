#include "bodies.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace apiserver {

namespace {

constexpr std::size_t piece_size = 1 << 20;  // the part of a bomb compressed once
constexpr std::size_t write_size = 1 << 16;  // bytes handed to TLS per write
constexpr int raw_deflate = -15;             // window bits: no zlib or gzip wrapper

// Compresses all of `data` with `flush` (Z_FULL_FLUSH: ends byte-aligned, not final, and
// nothing later may refer back into it; Z_FINISH: ends the stream).
std::string deflate_all(int window_bits, const char *data, std::size_t size, int flush)
{
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, window_bits, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("zlib: deflateInit2 failed");
    std::string out;
    std::string buffer(write_size, '\0');
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
    z.avail_in = static_cast<uInt>(size);
    for (;;) {
        z.next_out = reinterpret_cast<Bytef *>(&buffer[0]);
        z.avail_out = static_cast<uInt>(buffer.size());
        const int r = deflate(&z, flush);
        out.append(buffer, 0, buffer.size() - z.avail_out);
        if (flush == Z_FINISH ? r == Z_STREAM_END : z.avail_out != 0)
            break;
        if (r != Z_OK && r != Z_BUF_ERROR) {
            deflateEnd(&z);
            throw std::runtime_error("zlib: deflate failed");
        }
    }
    deflateEnd(&z);
    return out;
}

void append_le32(std::string &out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

const char *stream_pattern()
{
    // Long enough to serve write_size bytes from any starting point of the 251-byte cycle.
    static const std::string pattern = [] {
        std::string p(write_size + 251, '\0');
        for (std::size_t i = 0; i < p.size(); ++i)
            p[i] = static_cast<char>(i % 251);
        return p;
    }();
    return pattern.data();
}

} // namespace

std::string gzip_repeated(char byte, std::uint64_t size)
{
    const std::string piece(piece_size, byte);
    const std::uint64_t pieces = size / piece_size;
    const std::size_t rest = static_cast<std::size_t>(size % piece_size);

    // Header: deflate, no name, no time, Unix.
    std::string out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
    uLong crc = crc32(0, nullptr, 0);
    if (pieces > 0) {
        const std::string block = deflate_all(raw_deflate, piece.data(), piece.size(), Z_FULL_FLUSH);
        const uLong piece_crc = crc32(0, reinterpret_cast<const Bytef *>(piece.data()), piece_size);
        out.reserve(out.size() + block.size() * pieces + 64);
        for (std::uint64_t i = 0; i < pieces; ++i) {
            out += block;
            crc = crc32_combine(crc, piece_crc, piece_size);
        }
    }
    // The rest, from a fresh compressor too, with the final block.
    out += deflate_all(raw_deflate, piece.data(), rest, Z_FINISH);
    crc = crc32_combine(crc, crc32(0, reinterpret_cast<const Bytef *>(piece.data()), static_cast<uInt>(rest)),
                        static_cast<z_off_t>(rest));
    append_le32(out, static_cast<std::uint32_t>(crc));
    append_le32(out, static_cast<std::uint32_t>(size & 0xFFFFFFFFu));  // gzip keeps the size mod 2^32
    return out;
}

void send_stream(httplib::Response &res, std::uint64_t size, std::shared_ptr<void> token)
{
    res.status = 200;
    const char *type = "application/octet-stream";
    if (size == 0) {
        res.set_content("", type);
        return;
    }
    const char *pattern = stream_pattern();
    res.set_content_provider(static_cast<std::size_t>(size), type,
                             [pattern, token](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                                 // False once the client is gone: httplib stops asking for more.
                                 return sink.write(pattern + offset % 251, std::min(length, write_size));
                             });
}

void send_prepared(httplib::Response &res, std::shared_ptr<const std::string> body,
                   const std::string &content_type, std::shared_ptr<void> token)
{
    res.body.clear();
    res.headers.erase("Content-Type");
    res.set_content_provider(body->size(), content_type,
                             [body, token](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                                 return sink.write(body->data() + offset, std::min(length, write_size));
                             });
}

} // namespace apiserver
