#pragma once

#include "http_transfer.h"
#include "transfer_config.h"

// What the network module exports, by this name: a new transfer over the given limits, owned by the caller, or null
// when the HTTP library could not be set up.
using NetworkModuleEntry = HttpTransfer* (*)(const TransferConfig& config);
inline constexpr char networkModuleEntryName[] = "tunedrop_create_transfer";
