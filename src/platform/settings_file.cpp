#include "settings_file.h"

#include <algorithm>
#include <atomic>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryFile>

using namespace Qt::StringLiterals;

namespace {

constexpr auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// What is not a regular file is refused by its kind, before anything waits on it or reads from it.
std::optional<QString> kindProblem(const struct stat& status)
{
    if (S_ISREG(status.st_mode))
        return std::nullopt;
    if (S_ISFIFO(status.st_mode))
        return SettingsError::tr("is a named pipe, not a file");
    if (S_ISDIR(status.st_mode))
        return SettingsError::tr("is a folder, not a file");
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
        return SettingsError::tr("is a device, not a file");
    return SettingsError::tr("is not a regular file");
}

std::optional<QString> statusProblem(const struct stat& status)
{
    if (const std::optional<QString> kind = kindProblem(status))
        return kind;
    if (status.st_size > largestSettingsFile)
        return SettingsError::tr("is over 1 MiB, the most Tunedrop reads");
    return std::nullopt;
}

QString systemReason(const QString& what)
{
    return u"%1 (%2)"_s.arg(what, qt_error_string(errno));
}

// Reads to the end, or to one byte past the limit and no further, from a descriptor that never blocks.
std::optional<QByteArray> readAtMost(int descriptor, qint64 limit)
{
    QByteArray bytes;
    char chunk[16384];
    while (bytes.size() <= limit) {
        const ssize_t got = ::read(descriptor, chunk, size_t(std::min<qint64>(sizeof chunk, limit + 1 - bytes.size())));
        if (got == 0)
            return bytes;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        bytes.append(chunk, got);
    }
    return bytes;
}

// A stored value as the text the user meant: a hand-edited value holding an unquoted comma reads as a list, whose
// items are joined with the commas again.
QString textOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QStringList:
    case QMetaType::QVariantList:
        return value.toStringList().join(u',');
    default:
        return {};
    }
}

// Each missing folder is made its owner's alone whatever the umask, as the base-directory rules ask of a settings
// folder: made with that mode it is never wider, and set again it gets back the owner's bits a strict umask took.
void createPrivateFolder(const QString& path)
{
    const QFileInfo folder(path);
    if (folder.exists() || folder.isRoot())
        return;
    createPrivateFolder(folder.absolutePath());
    constexpr auto ownerOnlyFolder = ownerOnly | QFileDevice::ExeOwner;
    if (QDir().mkdir(path, ownerOnlyFolder))
        QFile::setPermissions(path, ownerOnlyFolder);
}

} // namespace

SettingsFileBytes readSettingsFile(const QString& fileName, bool narrow)
{
    const auto refused = [&fileName](const QString& reason) {
        return SettingsFileBytes{std::nullopt, SettingsError{fileName, reason}};
    };
    const QByteArray path = QFile::encodeName(fileName);
    struct stat status
    {
    };
    // Looked at first, so that nothing with a side effect on opening is opened.
    // A plain file where a folder on the way should be leaves no file to read, as a missing folder does.
    if (::stat(path.constData(), &status) != 0)
        return errno == ENOENT || errno == ENOTDIR ? SettingsFileBytes{}
                                                   : refused(systemReason(SettingsError::tr("cannot be read")));
    if (const std::optional<QString> problem = statusProblem(status))
        return refused(*problem);
    const int descriptor = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return errno == ENOENT ? SettingsFileBytes{} : refused(systemReason(SettingsError::tr("cannot be read")));
    const auto closing = qScopeGuard([descriptor] { ::close(descriptor); });
    // The name may have been given to another file since it was looked at: what counts is the one opened.
    if (::fstat(descriptor, &status) != 0)
        return refused(systemReason(SettingsError::tr("cannot be read")));
    if (const std::optional<QString> problem = statusProblem(status))
        return refused(*problem);
    const std::optional<QByteArray> bytes = readAtMost(descriptor, largestSettingsFile);
    if (!bytes)
        return refused(systemReason(SettingsError::tr("cannot be read")));
    if (bytes->size() > largestSettingsFile)
        return refused(SettingsError::tr("is over 1 MiB, the most Tunedrop reads"));
    if (narrow && (status.st_mode & 077) && !QFileInfo(fileName).isSymLink())
        ::fchmod(descriptor, S_IRUSR | S_IWUSR);
    return {bytes, std::nullopt};
}

QMap<QString, QString> parseSettings(const QByteArray& bytes)
{
    // Qt reads the format from a file by name alone. A file in memory has no name anyone else could take, and a time
    // of its own each time, so that Qt's cache of files it has read never takes it for an earlier one.
    static std::atomic<qint64> parses = 0;
    QMap<QString, QString> values;
    const int descriptor = ::memfd_create("tunedrop-settings", MFD_CLOEXEC);
    if (descriptor < 0)
        return values;
    const auto closing = qScopeGuard([descriptor] { ::close(descriptor); });
    const timespec times[2] = {{++parses, 0}, {parses, 0}};
    if (::write(descriptor, bytes.constData(), size_t(bytes.size())) != bytes.size() ||
        ::futimens(descriptor, times) != 0)
        return values;
    const QSettings settings(u"/proc/self/fd/%1"_s.arg(descriptor), QSettings::IniFormat);
    for (const QString& key : settings.allKeys()) {
        // Junk such as a line "=x" gives an empty key, which no record has.
        if (!key.isEmpty())
            values.insert(key, textOf(settings.value(key)));
    }
    return values;
}

std::optional<SettingsError> writeSettingsFile(const QString& fileName, const QList<SettingsEntry>& entries)
{
    const auto refused = [&fileName](const QString& reason) { return SettingsError{fileName, reason}; };
    // Writing through a link would rewrite whatever file it points at; the user set the link up, so it is theirs.
    if (QFileInfo(fileName).isSymLink())
        return refused(SettingsError::tr("is a symbolic link, which is never written through"));
    const SettingsFileBytes current = readSettingsFile(fileName, false);
    if (current.error)
        return current.error;
    const QFileInfo target(fileName);
    createPrivateFolder(target.absolutePath());
    // Made its owner's alone from the start, so the file never exists with wider permissions.
    QTemporaryFile next(target.absoluteFilePath() + u".XXXXXX"_s);
    const QByteArray earlier = current.bytes.value_or(QByteArray());
    if (!next.open() || next.write(earlier) != earlier.size())
        return refused(SettingsError::tr("could not be written (%1)").arg(next.errorString()));
    next.close();
    {
        // Qt's own writing of the format keeps the other lines as they were, as the file has always been written.
        QSettings settings(next.fileName(), QSettings::IniFormat);
        for (const SettingsEntry& entry : entries)
            settings.setValue(entry.section + u'/' + entry.key, entry.value);
        settings.sync();
        // A format error only says that the file held lines it could not parse; they are rewritten all the same.
        if (settings.status() == QSettings::AccessError)
            return refused(SettingsError::tr("could not be written"));
    }
    if (!QFile::setPermissions(next.fileName(), ownerOnly) ||
        ::rename(QFile::encodeName(next.fileName()).constData(), QFile::encodeName(fileName).constData()) != 0)
        return refused(systemReason(SettingsError::tr("could not be written")));
    next.setAutoRemove(false);
    return std::nullopt;
}
