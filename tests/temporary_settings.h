#pragma once

#include <QTemporaryDir>

#include "qt_settings_backing.h"
#include "site_store.h"

// The per-user settings store pointed at a fresh temporary folder for as long as this lives.
class TemporarySettings
{
public:
    TemporarySettings();

    QString fileName() const;
    QString folder() const { return m_dir.path(); }
    void setSite(int site, const QString& name, const QString& address, const QString& path = QStringLiteral("/mp3/"),
                 const QString& user = {}, const QString& password = {});

private:
    QTemporaryDir m_dir;

public:
    QtSettingsBacking backing;
    SiteStore store{backing};
};
