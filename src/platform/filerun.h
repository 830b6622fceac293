#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// A large file changed in place (the bookmark file) as the run of bytes that
// changed: its old version held open while it is replaced, then compared with
// the new one a part at a time, so that no copy of the whole file is made.
namespace platform::filerun {

// A 64-bit hash, fed in parts whose sizes are multiples of 32 bytes but for the last.
class Hash
{
public:
    void add(QByteArrayView part);
    quint64 value() const;

private:
    quint64 m_lanes[4] = {0x9E3779B97F4A7C15ull, 0x9E3779B97F4A7C14ull, 0x9E3779B97F4A7C17ull, 0x9E3779B97F4A7C16ull};
    QByteArray m_tail;
    qint64 m_size = 0;
};
quint64 hashOf(QByteArrayView bytes);

// How many bytes two runs share from their start (or, `backwards`, before the
// ends they point at), at most `most`; compared a block at a time.
qint64 commonRun(const char* a, const char* b, qint64 most, bool backwards);

// An open regular file; closed with the object.
class Held
{
public:
    Held() = default;
    // The regular file at the path (a link is not followed), of at least `bytes` bytes; none otherwise.
    static Held open(const QString& path, qint64 bytes);
    Held(Held&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Held& operator=(Held&& other) noexcept;
    ~Held();
    bool isOpen() const { return m_fd >= 0; }
    // The whole file, as it was when it was opened (if no one wrote into it since).
    std::optional<QByteArray> readAll() const;
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

// What differs between two versions of a file.
struct Run
{
    qint64 prefix = 0; // bytes the two share from the start
    qint64 suffix = 0; // and before the end
    QByteArray before; // the old version's bytes between them
    QByteArray after;  // the new version's
    qint64 beforeSize = 0;
    qint64 afterSize = 0;
    quint64 beforeHash = 0;
    quint64 afterHash = 0;
};
// The old version held open against the file now at the path; none when
// that is no regular file or a read failed.
std::optional<Run> compare(const Held& before, const QString& path);

// Whether the file at the path is a regular file of that size and hash.
bool holds(const QString& path, qint64 size, quint64 hash);
// Writes, atomically, the file's first `prefix` bytes, then `run`, then its
// last `suffix` bytes, read from the file as it is now.
bool put(const QString& path, qint64 prefix, const QByteArray& run, qint64 suffix, QString* why);

} // namespace platform::filerun
