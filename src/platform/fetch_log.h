#pragma once

#include <QLoggingCategory>

// Each request and how its transfer ended, both as the search asks for a page and, at debug level, in libcurl's own
// words. No line of it ever holds a password, nor the account of a URL or a proxy.
Q_DECLARE_LOGGING_CATEGORY(lcFetch)
