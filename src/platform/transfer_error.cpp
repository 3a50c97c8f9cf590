#include "transfer_error.h"

using namespace Qt::StringLiterals;

QString TransferError::reason() const
{
    const auto withDetail = [this](const QString& text) {
        return detail.isEmpty() ? text : text + u" ("_s + detail + u')';
    };
    switch (kind) {
    case Kind::CannotStart:
        return withDetail(u"the request could not be sent"_s);
    case Kind::NoNetworkModule:
        return u"network module could not be loaded: "_s + detail;
    case Kind::TooSlow:
        return u"too slow"_s;
    case Kind::CouldNotConnect:
        return withDetail(u"no answer"_s);
    case Kind::NotHttp:
        return u"not an HTTP answer"_s;
    case Kind::TimedOut:
        return withDetail(u"no answer in time"_s);
    case Kind::HttpStatus:
        return withDetail(u"the site answered with an error"_s);
    case Kind::TooLarge:
        return withDetail(u"the answer was too long"_s);
    case Kind::RedirectRefused:
        return withDetail(u"a redirect was refused"_s);
    case Kind::Certificate:
        return withDetail(u"certificate not trusted"_s);
    case Kind::AccountRefused:
        return withDetail(u"the account was refused"_s);
    case Kind::Other:
        break;
    }
    return withDetail(u"the transfer failed"_s);
}
