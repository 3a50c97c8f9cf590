#pragma once

#include <optional>
#include <utility>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

class BodyReader;

// One HTTP request as a value: where it goes, how, with which header lines and which body, and the account to
// offer if, and only if, the request's own scheme, host and port ask for one.
struct HttpRequest
{
    QUrl url;
    QByteArray method = "GET";
    // Name and value of each header line of our own, in order.
    QList<std::pair<QByteArray, QByteArray>> headers;
    // No body at all, as opposed to an empty one.
    std::optional<QByteArray> body;
    // "" is a valid user name and a valid password.
    QString userName;
    QString password;
    // Takes the body of the answer as it arrives, so that the answer itself holds none; a reply that reached the
    // site tells it that a body begins, at the latest when the answer is taken. It must outlive the reply.
    BodyReader* reader = nullptr;
};
