#include "search_log.h"

Q_LOGGING_CATEGORY(lcSearch, "tunedrop.search", QtWarningMsg)
Q_LOGGING_CATEGORY(lcFetch, "tunedrop.fetch", QtWarningMsg)
