#pragma once

#include <chrono>
#include <memory>

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include "connection_cutter.h"
#include "transfer_component.h"

class QAuthenticator;
class QNetworkReply;

// The transfer component over QNetworkAccessManager. The account is offered once per request, and only when
// the request's own host asks for it, never to a host that a redirect leads to. After a request that did not end
// with a whole answer its connection is cut, since Qt keeps reading from a connection it has given up on for as long
// as the site sends.
class QtTransferComponent final : public QObject, public TransferComponent
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtTransferComponent)

public:
    static constexpr qsizetype defaultBodyLimit = qsizetype(64) << 20;

    // A request during which no byte arrives for `inactivityTimeout` ends as TimedOut, one still under way after
    // `deadline` as TooSlow. A body longer than `bodyLimit` bytes is cut off there and is handed over as "", with the
    // error TooLarge.
    explicit QtTransferComponent(std::chrono::milliseconds inactivityTimeout = std::chrono::seconds(60),
                                 qsizetype bodyLimit = defaultBodyLimit,
                                 std::chrono::milliseconds deadline = std::chrono::seconds(180),
                                 QObject* parent = nullptr);
    ~QtTransferComponent() override;

    void setUserName(const QString& userName) override;
    void setPassword(const QString& password) override;
    bool start(const QString& url, const QString& method, const std::optional<QString>& body,
               const QString& headerBlock) override;
    bool isRunning() const override;
    QByteArray takeBody() override;
    QByteArray charset() const override;
    std::optional<TransferError> error() const override;
    void abort() override;

private:
    void onReadyRead();
    // Moves what the reply has into the body; false once the body went over the limit and the request was ended.
    bool takeAvailable(QNetworkReply* reply);
    void onFinished();
    void onAuthenticationRequired(QNetworkReply* reply, QAuthenticator* authenticator);
    void onRequestSent();
    // Ends the request under way with `error`.
    void giveUp(const TransferError& error);
    // Cuts the connection of a request that did not end with a whole answer, and drops the manager with its pool
    // once control is back in the event loop (it may be in the middle of emitting a signal).
    void dropConnections(const QUrl& url);

    std::unique_ptr<QNetworkAccessManager> m_manager;
    ConnectionCutter m_cutter;
    QTimer m_deadline;
    std::chrono::milliseconds m_timeout;
    qsizetype m_bodyLimit;
    std::optional<TransferError> m_error;
    QString m_userName;
    QString m_password;
    QPointer<QNetworkReply> m_reply;
    QUrl m_requestUrl;
    bool m_accountOffered = false;
    QString m_certificateFault;
    int m_sendsSinceOffer = 0;
    QByteArray m_body;
    QByteArray m_charset;
};
