#include "fetch_log.h"

Q_LOGGING_CATEGORY(lcFetch, "tunedrop.fetch", QtWarningMsg)
