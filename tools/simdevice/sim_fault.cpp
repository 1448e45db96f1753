#include "sim_fault.h"

// The fault catalogue: how each fault is made, named and described.

namespace {

struct KindName {
    SimFault::Kind kind;
    const char *name;
};
const KindName kind_names[] = {
    {SimFault::Kind::NoAnswer, "no-answer"},     {SimFault::Kind::Fail, "fail"},
    {SimFault::Kind::FailConnection, "fail-connection"},
    {SimFault::Kind::ChunkedFail, "chunked-fail"}, {SimFault::Kind::LowerAck, "lower-ack"},
    {SimFault::Kind::Unplug, "unplug"},           {SimFault::Kind::Garbage, "garbage"},
    {SimFault::Kind::Late, "late"},               {SimFault::Kind::Reply, "reply"},
    {SimFault::Kind::AckPastEnd, "ack-past-end"}, {SimFault::Kind::ChunkGap, "chunk-gap"},
    {SimFault::Kind::AckAhead, "ack-ahead"},      {SimFault::Kind::WrongEcho, "wrong-echo"},
    {SimFault::Kind::Leftover, "leftover"},
};

struct GarbageName {
    SimFault::GarbageKind kind;
    const char *name;
};
const GarbageName garbage_names[] = {
    {SimFault::GarbageKind::RandomBytes, "random"},
    {SimFault::GarbageKind::InvalidBase64, "invalid-base64"},
    {SimFault::GarbageKind::BadOffset, "bad-offset"},
    {SimFault::GarbageKind::EndlessChunks, "endless"},
};

}  // namespace

QString SimFault::kind_name(Kind k)
{
    for (const KindName &n : kind_names)
        if (n.kind == k)
            return QString::fromLatin1(n.name);
    return QString();
}

bool SimFault::kind_from_name(const QString &name, Kind *out)
{
    for (const KindName &n : kind_names) {
        if (name == QLatin1String(n.name)) {
            *out = n.kind;
            return true;
        }
    }
    return false;
}

QString SimFault::garbage_name(GarbageKind g)
{
    for (const GarbageName &n : garbage_names)
        if (n.kind == g)
            return QString::fromLatin1(n.name);
    return QString();
}

bool SimFault::garbage_from_name(const QString &name, GarbageKind *out)
{
    for (const GarbageName &n : garbage_names) {
        if (name == QLatin1String(n.name)) {
            *out = n.kind;
            return true;
        }
    }
    return false;
}

QString SimFault::describe() const
{
    QString text = kind_name(kind);
    switch (kind) {
    case Kind::NoAnswer:
        text += QStringLiteral(" (%1 packet%2)").arg(count).arg(count == 1 ? "" : "s");
        break;
    case Kind::Late:
        text += QStringLiteral(" (after %1 read%2)").arg(count).arg(count == 1 ? "" : "s");
        break;
    case Kind::Leftover:
        text += QStringLiteral(" report %1 ms after the next open").arg(count);
        if (!bytes.isEmpty())
            text += QLatin1Char(' ') + QString::fromLatin1(bytes.toHex(' '));
        return text;
    case Kind::Garbage:
        text += QLatin1Char(' ') + garbage_name(garbage);
        if (garbage == GarbageKind::EndlessChunks && count > 0)
            text += QStringLiteral(" (%1 chunks)").arg(count);
        break;
    case Kind::Reply:
    case Kind::ChunkedFail:
        if (!bytes.isEmpty())
            text += QLatin1Char(' ') + QString::fromLatin1(bytes.toHex(' '));
        break;
    default:
        break;
    }
    text += match.isEmpty() ? QStringLiteral(", any message")
                            : QStringLiteral(", messages starting ") +
                                  QString::fromLatin1(match.toHex(' '));
    if (skip > 0)
        text += QStringLiteral(", after %1 more").arg(skip);
    return text;
}

bool SimFault::operator==(const SimFault &o) const
{
    return kind == o.kind && match == o.match && skip == o.skip && count == o.count &&
           garbage == o.garbage && bytes == o.bytes;
}
