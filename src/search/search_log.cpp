#include "search_log.h"

Q_LOGGING_CATEGORY(lcSearch, "tunedrop.search", QtWarningMsg)
