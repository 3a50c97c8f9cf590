#pragma once

#include <curl/curl.h>

#include "transfer_error.h"

// Why libcurl ended a request with `result`, other than CURLE_OK, in words for a person; `errorText` is libcurl's own
// message for it. Nothing in it names an address.
TransferError curlFailure(CURL* easy, CURLcode result, const char* errorText);
