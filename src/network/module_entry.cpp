#include <exception>

#include <QLoggingCategory>

#include "curl_transfer.h"
#include "network_module_entry.h"

extern "C" Q_DECL_EXPORT HttpTransfer* tunedrop_create_transfer(const TransferConfig& config)
{
    try {
        return new CurlTransfer(config);
    } catch (const std::exception&) {
        return nullptr;
    }
}
