#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

using namespace Qt::StringLiterals;

Translations::Translations()
{
    // Found from the program's own folder, so that the build tree and an installed copy both find theirs.
    const QString ownFolder = QCoreApplication::applicationDirPath() + u"/"_s + QStringLiteral(TUNEDROP_TRANSLATIONS);
    if (m_own.load(QLocale(), u"tunedrop"_s, u"_"_s, ownFolder))
        QCoreApplication::installTranslator(&m_own);
    if (m_qt.load(QLocale(), u"qtbase"_s, u"_"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_qt);
}

Translations::~Translations()
{
    QCoreApplication::removeTranslator(&m_qt);
    QCoreApplication::removeTranslator(&m_own);
}
