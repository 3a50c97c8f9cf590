#include "transfer_error.h"

using namespace Qt::StringLiterals;

QString TransferError::reason() const
{
    const auto withDetail = [this](const QString& text) {
        return detail.isEmpty() ? text : text + u" ("_s + detail + u')';
    };
    switch (kind) {
    case Kind::CannotStart:
        return withDetail(tr("the request could not be sent"));
    case Kind::NoNetworkModule:
        return tr("network module could not be loaded: %1").arg(detail);
    case Kind::TooSlow:
        return tr("too slow");
    case Kind::CouldNotConnect:
        return withDetail(tr("no answer"));
    case Kind::NotHttp:
        return tr("not an HTTP answer");
    case Kind::TimedOut:
        return withDetail(tr("no answer in time"));
    case Kind::HttpStatus:
        return withDetail(tr("the site answered with an error"));
    case Kind::TooLarge:
        return withDetail(tr("the answer was too long"));
    case Kind::RedirectRefused:
        return withDetail(tr("a redirect was refused"));
    case Kind::Certificate:
        return withDetail(tr("certificate not trusted"));
    case Kind::AccountRefused:
        return withDetail(tr("the account was refused"));
    case Kind::Other:
        break;
    }
    return withDetail(tr("the transfer failed"));
}
