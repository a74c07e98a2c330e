#include "document/DesignReader.h"

#include "core/Gzip.h"
#include "core/ReadWorkers.h"
#include "core/Readers.h"
#include "core/XmlParts.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// A zlib stream header: deflate method, a window of at most 32 KiB, and the
// header checksum.
bool looksZlib(const QByteArray& data)
{
    if (data.size() < 2)
        return false;
    const auto cmf = uint8_t(data[0]);
    const auto flg = uint8_t(data[1]);
    return (cmf & 0x0f) == 8 && (cmf >> 4) <= 7 && ((cmf << 8) | flg) % 31 == 0;
}

// The most one read call takes (a large file is read in several).
constexpr size_t kReadStep = size_t(8) << 20;

QString tooLarge() { return QStringLiteral("The file is too large."); }

QString notRegular(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("It is a folder, not a design file.");
    return QStringLiteral("It is not a regular file (a device, pipe or socket cannot be opened as a design).");
}

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// Resources live in memory and are regular files by construction.
std::optional<QByteArray> readResource(const QString& path, size_t maxBytes, QString* error)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    if (file.size() < 0 || size_t(file.size()) > maxBytes) {
        *error = tooLarge();
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return std::nullopt;
    }
    return bytes;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) { }
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};
} // namespace

namespace DesignReader {

bool looksCompressed(const QByteArray& data) { return looksGzip(data) || looksZlib(data); }

std::optional<QByteArray> readFile(const QString& path, size_t maxBytes, QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    if (path.startsWith(QLatin1Char(':')))
        return readResource(path, maxBytes, error);

    // Looked at before opening: opening a pipe waits for a writer, and a
    // device may never end.
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (native.isEmpty() || ::stat(native.constData(), &info) != 0) {
        *error = systemError(native.isEmpty() ? ENOENT : errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = notRegular(info.st_mode);
        return std::nullopt;
    }
    // Without blocking, and checked again on what was opened: the path may
    // have been swapped in between.
    FileDescriptor fd(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0) {
        *error = systemError(errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = notRegular(info.st_mode);
        return std::nullopt;
    }
    if (info.st_size < 0 || uint64_t(info.st_size) > maxBytes) {
        *error = tooLarge();
        return std::nullopt;
    }

    // Room for the size seen plus one byte, so that a file that has grown
    // (or that reports no size, as some system files do) is noticed; the
    // buffer never grows beyond maxBytes + 1.
    const size_t cap = maxBytes + 1;
    size_t used = 0;
    size_t room = std::min(size_t(info.st_size) + 1, cap);
    // Exactly that room: resizing an empty array would round it up.
    QByteArray bytes(qsizetype(room), Qt::Uninitialized);
    for (;;) {
        if (used == room) {
            if (room == cap) {
                *error = tooLarge();
                return std::nullopt;
            }
            room = std::min(std::max(room * 2, size_t(64 * 1024)), cap);
            bytes.resize(qsizetype(room));
        }
        // In steps, so that a read given up stops within one.
        if (ReadWorkers::stopRequested()) {
            *error = QString::fromUtf8(ReadWorkers::Stopped().what());
            return std::nullopt;
        }
        const ssize_t got = ::read(fd.get(), bytes.data() + used, std::min(room - used, kReadStep));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            *error = systemError(errno);
            return std::nullopt;
        }
        if (got == 0)
            break;
        used += size_t(got);
    }
    bytes.resize(qsizetype(used));
    return bytes;
}

std::optional<QByteArray> decode(QByteArray bytes, QString* error)
{
    // Dropping a prefix of an unshared array moves no bytes.
    if (bytes.startsWith(QByteArrayView(kMagic, kMagicLength)))
        bytes.remove(0, kMagicLength);
    if (!looksCompressed(bytes))
        return bytes;
    std::optional<QByteArray> inflated = gzipInflate(bytes, kDesignInflateLimit);
    bytes = QByteArray(); // the compressed bytes are no longer needed
    if (!inflated && error)
        *error = QStringLiteral("The compressed design data is damaged, truncated or too large.");
    return inflated;
}

const std::vector<XmlParts::List>& partLists()
{
    // The lists that hold nearly all of a large design's bytes.
    static const std::vector<XmlParts::List> lists = {
        {{"design", "pcb", "entities"}, {}},
        {{"design", "sheets", "schematic", "entities"}, {}},
        // A pour's stored fill: most of a real board's bytes.
        {{"design", "pcb", "entities", "copperPour", "fill"}, "polygon"},
    };
    return lists;
}

bool parse(QByteArray& xml, XmlParts& parts, bool split, QString* error)
{
    const pugi::xml_parse_result result = parts.parse(xml, partLists(), split);
    if (!result) {
        if (error)
            *error = QStringLiteral("%1 (at byte %2)").arg(QString::fromUtf8(result.description())).arg(result.offset);
        return false;
    }
    if (!parts.document().document_element()) {
        if (error)
            *error = QStringLiteral("No document element");
        return false;
    }
    return true;
}

pugi::xml_node designElement(const pugi::xml_document& doc)
{
    return childElement(doc.document_element(), "design");
}

void readDesignElement(pugi::xml_node design, DesignState& state)
{
    if (pugi::xml_node sheets = childElement(design, "sheets")) {
        for (pugi::xml_node child : sheets.children()) {
            if (child.type() == pugi::node_element && std::string_view(child.name()) == "schematic")
                state.addSchematic()->readXML(child);
        }
    }
    if (pugi::xml_node pcb = childElement(design, "pcb"))
        state.pcb->readXML(pcb);
}

} // namespace DesignReader
