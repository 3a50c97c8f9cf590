#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLoggingCategory>

#include <curl/curl.h>

// Each request and how its transfer ended, with libcurl's own verbose lines when at debug level.
Q_DECLARE_LOGGING_CATEGORY(lcCurl)

// What libcurl's verbose output says may come from the site; bytes that a terminal would act on are shown as escapes,
// and a line is cut to the length of any shown field.
QByteArray visibleLine(QByteArrayView line);

// libcurl's verbose output, as its debug callback: its own words and the header lines, without the account.
int logCurlText(CURL* easy, curl_infotype type, char* data, size_t size, void* unused);
