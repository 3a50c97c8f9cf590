#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <curl/curl.h>

#include "fetch_log.h"

// `line` with the user name and password of every address in it, such as a proxy's "http://ann:pw@host:3128" or
// "ann:pw@host:3128", shown as "***"; some text that only looks like one may be hidden too.
QByteArray withoutAccounts(QByteArrayView line);

// libcurl's verbose output, as its debug callback: its own words and the header lines, without the account.
int logCurlText(CURL* easy, curl_infotype type, char* data, size_t size, void* unused);
