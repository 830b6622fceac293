#include "platform/filerun.h"

#include "platform/atomicfile.h"
#include "platform/files.h"

#include <QIODevice>

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::filerun {

namespace {

constexpr qint64 kPart = 1024 * 1024; // a multiple of the hash's 32 bytes
constexpr quint64 kPrime = 0x9E3779B97F4A7C15ull;

quint64 mix(quint64 lane, quint64 word)
{
    lane ^= word * 0xC2B2AE3D27D4EB4Full;
    lane = (lane << 31) | (lane >> 33);
    return lane * kPrime;
}

// Reads `count` bytes at `offset` into `part`; false when the file ended or a read failed.
bool readAt(int fd, qint64 offset, qint64 count, QByteArray* part)
{
    part->resize(qsizetype(count));
    qint64 filled = 0;
    while (filled < count) {
        const ssize_t got = ::pread(fd, part->data() + filled, size_t(count - filled), off_t(offset + filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        filled += got;
    }
    return true;
}

qint64 sizeOf(int fd)
{
    struct stat info;
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? qint64(info.st_size) : -1;
}

} // namespace

void Hash::add(QByteArrayView part)
{
    m_size += part.size();
    const char* p = part.data();
    qsizetype left = part.size();
    if (!m_tail.isEmpty()) {
        const qsizetype take = qMin<qsizetype>(32 - m_tail.size(), left);
        m_tail.append(p, take);
        p += take;
        left -= take;
        if (m_tail.size() < 32)
            return;
        for (int i = 0; i < 4; ++i) {
            quint64 word;
            std::memcpy(&word, m_tail.constData() + 8 * i, 8);
            m_lanes[i] = mix(m_lanes[i], word);
        }
        m_tail.clear();
    }
    while (left >= 32) {
        for (int i = 0; i < 4; ++i) {
            quint64 word;
            std::memcpy(&word, p + 8 * i, 8);
            m_lanes[i] = mix(m_lanes[i], word);
        }
        p += 32;
        left -= 32;
    }
    m_tail.append(p, left);
}

quint64 Hash::value() const
{
    quint64 hash = quint64(m_size);
    for (quint64 lane : m_lanes)
        hash = mix(hash, lane);
    for (char c : m_tail)
        hash = mix(hash, quint8(c));
    return hash ^ (hash >> 29);
}

qint64 commonRun(const char* a, const char* b, qint64 most, bool backwards)
{
    constexpr qint64 kBlock = 4096;
    qint64 same = 0;
    while (most - same >= kBlock &&
           std::memcmp(backwards ? a - same - kBlock : a + same, backwards ? b - same - kBlock : b + same, kBlock) == 0)
        same += kBlock;
    while (same < most && (backwards ? a[-same - 1] == b[-same - 1] : a[same] == b[same]))
        ++same;
    return same;
}

quint64 hashOf(QByteArrayView bytes)
{
    Hash hash;
    hash.add(bytes);
    return hash.value();
}

Held Held::open(const QString& path, qint64 bytes)
{
    Held held;
    const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return held;
    held.m_fd = fd;
    if (sizeOf(fd) < bytes)
        held = Held();
    return held;
}

Held& Held::operator=(Held&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

Held::~Held()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<QByteArray> Held::readAll() const
{
    const qint64 size = sizeOf(m_fd);
    QByteArray bytes;
    if (size < 0 || !readAt(m_fd, 0, size, &bytes))
        return std::nullopt;
    return bytes;
}

std::optional<Run> compare(const Held& before, const QString& path)
{
    const Held after = Held::open(path, 0);
    if (!before.isOpen() || !after.isOpen())
        return std::nullopt;
    Run run;
    run.beforeSize = sizeOf(before.fd());
    run.afterSize = sizeOf(after.fd());
    if (run.beforeSize < 0 || run.afterSize < 0)
        return std::nullopt;
    const qint64 shorter = qMin(run.beforeSize, run.afterSize);
    // Both read through once for their hashes; the shared start found on the way.
    Hash beforeHash;
    Hash afterHash;
    QByteArray a;
    QByteArray b;
    bool same = true;
    for (qint64 at = 0; at < qMax(run.beforeSize, run.afterSize); at += kPart) {
        const qint64 fromA = qBound<qint64>(0, run.beforeSize - at, kPart);
        const qint64 fromB = qBound<qint64>(0, run.afterSize - at, kPart);
        if ((fromA > 0 && !readAt(before.fd(), at, fromA, &a)) || (fromB > 0 && !readAt(after.fd(), at, fromB, &b)))
            return std::nullopt;
        if (fromA > 0)
            beforeHash.add(a);
        if (fromB > 0)
            afterHash.add(b);
        if (same) {
            const qint64 both = qMin(fromA, fromB);
            const qint64 k = commonRun(a.constData(), b.constData(), both, false);
            run.prefix += k;
            same = k == kPart;
        }
    }
    run.beforeHash = beforeHash.value();
    run.afterHash = afterHash.value();
    // The shared end, read backwards; never reaching into the shared start.
    same = true;
    while (same && run.suffix < shorter - run.prefix) {
        const qint64 count = qMin(kPart, shorter - run.prefix - run.suffix);
        if (!readAt(before.fd(), run.beforeSize - run.suffix - count, count, &a) ||
            !readAt(after.fd(), run.afterSize - run.suffix - count, count, &b))
            return std::nullopt;
        const qint64 k = commonRun(a.constData() + count, b.constData() + count, count, true);
        run.suffix += k;
        same = k == count;
    }
    if (!readAt(before.fd(), run.prefix, run.beforeSize - run.prefix - run.suffix, &run.before) ||
        !readAt(after.fd(), run.prefix, run.afterSize - run.prefix - run.suffix, &run.after))
        return std::nullopt;
    return run;
}

bool holds(const QString& path, qint64 size, quint64 hash)
{
    const Held file = Held::open(path, 0);
    if (!file.isOpen() || sizeOf(file.fd()) != size)
        return false;
    Hash streamed;
    QByteArray part;
    for (qint64 at = 0; at < size; at += kPart) {
        if (!readAt(file.fd(), at, qMin(kPart, size - at), &part))
            return false;
        streamed.add(part);
    }
    return streamed.value() == hash;
}

bool put(const QString& path, qint64 prefix, const QByteArray& run, qint64 suffix, QString* why)
{
    const Held now = Held::open(path, 0);
    const qint64 size = now.isOpen() ? sizeOf(now.fd()) : -1;
    if (size < prefix + suffix) {
        if (why)
            *why = QStringLiteral("the file is not as the step left it");
        return false;
    }
    const auto copy = [&](QIODevice& device, qint64 from, qint64 count) {
        QByteArray part;
        for (qint64 at = from; at < from + count; at += kPart) {
            const qint64 n = qMin(kPart, from + count - at);
            if (!readAt(now.fd(), at, n, &part) || device.write(part) != part.size())
                return false;
        }
        return true;
    };
    return writeFileAtomically(
        path,
        [&](QIODevice& device) {
            return copy(device, 0, prefix) && device.write(run) == run.size() && copy(device, size - suffix, suffix);
        },
        why);
}

} // namespace platform::filerun
