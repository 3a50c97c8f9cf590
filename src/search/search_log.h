#pragma once

#include <QLoggingCategory>

// Site outcomes and why a site or a details step ended early. Warnings show by default; the rest is switched on
// with QT_LOGGING_RULES="tunedrop.*.debug=true". Neither category ever carries a password or a URL holding one.
Q_DECLARE_LOGGING_CATEGORY(lcSearch)
// Each request and how its transfer ended.
Q_DECLARE_LOGGING_CATEGORY(lcFetch)
