#ifndef PSEUDONYMS_H
#define PSEUDONYMS_H

#include <QByteArray>
#include <QList>
#include <QPair>
#include <random>

// What a recording holds in place of the device's secrets: for each serial number
// and key a pseudonym made fresh for the recording (random, never derived from the
// secret), of the same length and shape: the serial keeps its two-character model
// prefix, digits stay digits, letters letters of the same case, any other byte as it
// is, so the percent-encoded forms keep their shape too. Each secret is replaced in
// every form the program sends it: as it is and percent-encoded.
class Pseudonyms
{
public:
    enum class Kind { Serial, Key };
    explicit Pseudonyms(quint64 seed);

    // The pseudonym of `secret`, made at its first sight. Secrets shorter than four
    // bytes are not taken: they would replace unrelated bytes everywhere.
    QByteArray add(const QByteArray &secret, Kind kind);
    // Any other replacement of the same length (the chip software's stand-in).
    void add_replacement(const QByteArray &from, const QByteArray &to);

    // `bytes` with every known secret replaced, longest first.
    QByteArray apply(const QByteArray &bytes) const;

private:
    std::mt19937_64 random;
    QList<QPair<QByteArray, QByteArray>> pairs;  // secret form, pseudonym form; longest first
    void insert(const QByteArray &from, const QByteArray &to);
};

// One packet of an exchange as recorded: from the host or from the device.
struct RecordedPacket {
    bool from_host = true;
    QByteArray packet;  // decoded bytes
};

// Learns the secrets an exchange brought (the serial number or key query's reply) and
// rewrites its packets with every known secret replaced: each direction's chunks are
// put together, replaced in the whole message, and split again at the same offsets, so
// that a secret split across two chunks goes as well. Lengths never change.
void replace_secrets(QList<RecordedPacket> &exchange, Pseudonyms &pseudonyms);

#endif // PSEUDONYMS_H
