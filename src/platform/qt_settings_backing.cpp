#include "qt_settings_backing.h"

#include <stdexcept>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString keyPath(const SettingsEntry& entry)
{
    return entry.section + u'/' + entry.key;
}

// A link's mode is the target's, which may be any file of the user's: only a file of our own is narrowed.
void keepPrivate(const QString& path)
{
    if (QFileInfo(path).isSymbolicLink())
        return;
    QFile file(path);
    if (file.exists() && (file.permissions() & ~(ownerOnly | QFileDevice::ReadUser | QFileDevice::WriteUser)))
        file.setPermissions(ownerOnly);
}

// Each missing folder is made its owner's alone whatever the umask, as the base-directory rules ask of a settings
// folder: made with that mode it is never wider, and set again it gets back the owner's bits a strict umask took.
void createPrivateFolder(const QString& path)
{
    const QFileInfo folder(path);
    if (folder.exists() || folder.isRoot())
        return;
    createPrivateFolder(folder.absolutePath());
    constexpr QFileDevice::Permissions ownerOnlyFolder = ownerOnly | QFileDevice::ExeOwner;
    if (QDir().mkdir(path, ownerOnlyFolder))
        QFile::setPermissions(path, ownerOnlyFolder);
}

// Creating the file ourselves before QSettings does means it never exists with wider permissions.
void createPrivate(const QString& path)
{
    if (QFileInfo::exists(path))
        return;
    createPrivateFolder(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly))
        file.close();
}

} // namespace

QString QtSettingsBacking::fileName(const QString& application)
{
    // The organisation's own file, which QSettings documents to lie beside the folder of its applications' files.
    const QFileInfo organisationFile(QSettings(QSettings::NativeFormat, QSettings::UserScope, application).fileName());
    return organisationFile.absolutePath() + u'/' + application + u'/' + application + u".conf"_s;
}

void QtSettingsBacking::refuseOversized(const QString& fileName)
{
    if (QFileInfo(fileName).size() > largestFile)
        throw std::runtime_error("the settings file " + QFile::encodeName(fileName).toStdString() +
                                 " is over 1 MiB, the most Tunedrop reads");
}

QString QtSettingsBacking::read(const QString& application, const QString& section, const QString& key) const
{
    refuseOversized(fileName(application));
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application, application);
    keepPrivate(settings.fileName());
    return textOf(settings.value(keyPath({section, key, {}})));
}

QString QtSettingsBacking::textOf(const QVariant& value)
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

void QtSettingsBacking::write(const QString& application, const QList<SettingsEntry>& entries)
{
    refuseOversized(fileName(application));
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application, application);
    // Writing through a link would rewrite whatever file it points at, dropping the lines we cannot parse, and make
    // that file private; the user set the link up, so it is theirs to replace.
    if (QFileInfo(settings.fileName()).isSymbolicLink())
        throw std::runtime_error("the settings file is a symbolic link, which is never written through: " +
                                 QFile::encodeName(settings.fileName()).toStdString());
    createPrivate(settings.fileName());
    QList<QVariant> earlier;
    earlier.reserve(entries.size());
    for (const SettingsEntry& entry : entries) {
        earlier.append(settings.value(keyPath(entry)));
        settings.setValue(keyPath(entry), entry.value);
    }
    settings.sync();
    // A format error only says that the file held lines it could not parse; they are rewritten all the same.
    if (settings.status() != QSettings::AccessError) {
        keepPrivate(settings.fileName());
        return;
    }
    // QSettings keeps unsaved values in a cache shared by every instance on the file; put the old ones back so
    // that what later reads see matches what the file holds.
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (earlier.at(i).isValid())
            settings.setValue(keyPath(entries.at(i)), earlier.at(i));
        else
            settings.remove(keyPath(entries.at(i)));
    }
    throw std::runtime_error("the settings file could not be written: " +
                             QFile::encodeName(settings.fileName()).toStdString());
}
