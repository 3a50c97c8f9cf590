#pragma once

#include <QLoggingCategory>

#include "fetch_log.h"

// Site outcomes and why a site or a details step ended early. Warnings show by default; the rest is switched on
// with QT_LOGGING_RULES="tunedrop.*.debug=true". Like lcFetch, it never carries a password or a URL holding one.
Q_DECLARE_LOGGING_CATEGORY(lcSearch)
