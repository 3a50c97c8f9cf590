#include "qt_transfer_component.h"

#include <utility>

#include <QAuthenticator>
#include <QMetaEnum>
#include <QSslError>
#include <QNetworkReply>
#include <QNetworkRequest>

using namespace Qt::StringLiterals;

namespace {

QByteArray charsetOf(const QByteArray& contentType)
{
    const QList<QByteArray> parameters = contentType.split(';');
    for (qsizetype i = 1; i < parameters.size(); ++i) {
        const QByteArray parameter = parameters.at(i).trimmed();
        if (parameter.toLower().startsWith("charset=")) {
            QByteArray name = parameter.mid(8).trimmed();
            if (name.size() >= 2 && name.startsWith('"') && name.endsWith('"'))
                name = name.mid(1, name.size() - 2);
            return name;
        }
    }
    return {};
}

void addHeaderBlock(QNetworkRequest& request, const QString& block)
{
    if (block.isEmpty())
        return;
    const QStringList lines = block.split(u"\r\n"_s);
    for (const QString& line : lines) {
        const qsizetype colon = line.indexOf(u':');
        if (colon <= 0)
            continue;
        QString value = line.mid(colon + 1);
        if (value.startsWith(u' '))
            value.remove(0, 1);
        request.setRawHeader(line.left(colon).trimmed().toLatin1(), value.toUtf8());
    }
}

// How an ended reply went wrong, in words that hold no address: Qt's own error strings quote the URL.
std::optional<TransferError> errorOf(const QNetworkReply* reply, bool accountOffered)
{
    using Kind = TransferError::Kind;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 401 || status == 407)
        return TransferError{accountOffered ? Kind::AccountRefused : Kind::HttpStatus, QString::number(status)};
    if (status >= 400)
        return TransferError{Kind::HttpStatus, QString::number(status)};
    switch (reply->error()) {
    case QNetworkReply::NoError:
        return std::nullopt;
    case QNetworkReply::ConnectionRefusedError:
        return TransferError{Kind::CouldNotConnect, u"connection refused"_s};
    case QNetworkReply::HostNotFoundError:
        return TransferError{Kind::CouldNotConnect, u"host not found"_s};
    case QNetworkReply::RemoteHostClosedError:
        return TransferError{Kind::CouldNotConnect, u"connection closed"_s};
    // The component's own abort() disconnects first, so a cancelled reply that still reports was timed out.
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        return TransferError{Kind::TimedOut, {}};
    case QNetworkReply::TooManyRedirectsError:
        return TransferError{Kind::RedirectRefused, u"too many redirects"_s};
    case QNetworkReply::InsecureRedirectError:
        return TransferError{Kind::RedirectRefused, u"to a less safe address"_s};
    case QNetworkReply::SslHandshakeFailedError:
        return TransferError{Kind::Certificate, {}};
    case QNetworkReply::AuthenticationRequiredError:
        return TransferError{Kind::AccountRefused, {}};
    default:
        return TransferError{
            Kind::Other,
            QString::fromLatin1(QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(reply->error()))};
    }
}

int portOf(const QUrl& url)
{
    return url.port(url.scheme() == u"https"_s ? 443 : 80);
}

bool sameOrigin(const QUrl& a, const QUrl& b)
{
    return a.scheme() == b.scheme() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && portOf(a) == portOf(b);
}

// The first certificate fault in words for a person; Qt's own texts name the host.
QString certificateFault(const QList<QSslError>& errors)
{
    for (const QSslError& error : errors) {
        switch (error.error()) {
        case QSslError::CertificateExpired:
            return u"expired"_s;
        case QSslError::CertificateNotYetValid:
            return u"not yet valid"_s;
        case QSslError::HostNameMismatch:
            return u"issued for another name"_s;
        case QSslError::SelfSignedCertificate:
        case QSslError::SelfSignedCertificateInChain:
        case QSslError::UnableToGetLocalIssuerCertificate:
        case QSslError::UnableToGetIssuerCertificate:
        case QSslError::UnableToVerifyFirstCertificate:
        case QSslError::CertificateUntrusted:
            return u"unknown authority"_s;
        default:
            break;
        }
    }
    return errors.isEmpty() ? QString() : u"invalid"_s;
}

} // namespace

QtTransferComponent::QtTransferComponent(std::chrono::milliseconds inactivityTimeout, qsizetype bodyLimit,
                                         std::chrono::milliseconds deadline, QObject* parent)
    : QObject(parent), m_timeout(inactivityTimeout), m_bodyLimit(bodyLimit)
{
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(deadline);
    connect(&m_deadline, &QTimer::timeout, this, [this] { giveUp({TransferError::Kind::TooSlow, {}}); });
}

QtTransferComponent::~QtTransferComponent()
{
    abort();
}

void QtTransferComponent::setUserName(const QString& userName)
{
    m_userName = userName;
}

void QtTransferComponent::setPassword(const QString& password)
{
    m_password = password;
}

bool QtTransferComponent::start(const QString& url, const QString& method, const std::optional<QString>& body,
                                const QString& headerBlock)
{
    if (isRunning()) {
        m_error = TransferError{TransferError::Kind::CannotStart, u"another request is still under way"_s};
        return false;
    }
    const QUrl target(url);
    if (!target.isValid() || (target.scheme() != u"http"_s && target.scheme() != u"https"_s) ||
        target.host().isEmpty()) {
        m_error = TransferError{TransferError::Kind::CannotStart, u"not a valid web address"_s};
        return false;
    }

    QNetworkRequest request(target);
    request.setTransferTimeout(static_cast<int>(m_timeout.count()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    addHeaderBlock(request, headerBlock);

    // Built at the first request, so that a program that never searches never loads the network stack.
    if (!m_manager) {
        m_manager = std::make_unique<QNetworkAccessManager>();
        connect(m_manager.get(), &QNetworkAccessManager::authenticationRequired, this,
                &QtTransferComponent::onAuthenticationRequired);
    }
    // The account changes with the site record and is given only when a site asks: forget every connection and
    // every account that an earlier request left in the manager.
    m_manager->clearAccessCache();
    m_cutter.noteOpenSockets();
    m_body.clear();
    m_charset.clear();
    m_accountOffered = false;
    m_certificateFault.clear();
    m_error.reset();
    m_requestUrl = target;
    const QByteArray verb = method.toLatin1();
    if (body)
        m_reply = m_manager->sendCustomRequest(request, verb, body->toUtf8());
    else
        m_reply = m_manager->sendCustomRequest(request, verb);
    m_deadline.start();
    connect(m_reply, &QNetworkReply::readyRead, this, &QtTransferComponent::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &QtTransferComponent::onFinished);
    connect(m_reply, &QNetworkReply::requestSent, this, &QtTransferComponent::onRequestSent);
    // Qt refuses the connection by itself; this only keeps the reason.
    connect(m_reply, &QNetworkReply::sslErrors, this,
            [this](const QList<QSslError>& errors) { m_certificateFault = certificateFault(errors); });
    // A redirect is a new request, which may rightly carry the account once more.
    connect(m_reply, &QNetworkReply::redirected, this, [this] { m_sendsSinceOffer = 0; });
    return true;
}

bool QtTransferComponent::isRunning() const
{
    return !m_reply.isNull();
}

std::optional<TransferError> QtTransferComponent::error() const
{
    return m_error;
}

QByteArray QtTransferComponent::takeBody()
{
    if (isRunning())
        return {};
    return std::exchange(m_body, {});
}

QByteArray QtTransferComponent::charset() const
{
    return m_charset;
}

void QtTransferComponent::abort()
{
    m_deadline.stop();
    if (QNetworkReply* reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
        dropConnections(reply->url());
    }
    m_body.clear();
}

void QtTransferComponent::onReadyRead()
{
    if (m_reply)
        takeAvailable(m_reply);
}

bool QtTransferComponent::takeAvailable(QNetworkReply* reply)
{
    if (!reply->isOpen())
        return true;
    // One buffer for the whole body, as long as the site says it will be (within the limit), so that it is not
    // moved and copied as it grows.
    if (m_body.isEmpty()) {
        const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        if (announced > 0)
            m_body.reserve(std::min<qint64>(announced, m_bodyLimit + 1));
    }
    // Straight into the body: read(maxSize) would first allocate maxSize bytes, the whole allowance, every time.
    const qint64 wanted = std::min<qint64>(reply->bytesAvailable(), m_bodyLimit - m_body.size() + 1);
    const qsizetype had = m_body.size();
    m_body.resize(had + wanted);
    m_body.resize(had + std::max<qint64>(0, reply->read(m_body.data() + had, wanted)));
    if (m_body.size() <= m_bodyLimit)
        return true;
    // An endless or oversized answer: stop reading it instead of growing without bound.
    giveUp({TransferError::Kind::TooLarge, u"over %1 MiB"_s.arg(m_bodyLimit >> 20)});
    return false;
}

void QtTransferComponent::onFinished()
{
    QNetworkReply* reply = m_reply;
    if (!reply || reply != sender())
        return;
    if (!takeAvailable(reply))
        return;
    m_deadline.stop();
    m_error = errorOf(reply, m_accountOffered);
    if (m_error && m_error->kind == TransferError::Kind::Certificate)
        m_error->detail = m_certificateFault;
    if (m_error && m_error->kind != TransferError::Kind::HttpStatus)
        dropConnections(reply->url());
    m_charset = charsetOf(reply->rawHeader("Content-Type"));
    m_reply = nullptr;
    reply->deleteLater();
}

void QtTransferComponent::onAuthenticationRequired(QNetworkReply* reply, QAuthenticator* authenticator)
{
    if (reply != m_reply || m_accountOffered || !sameOrigin(reply->url(), m_requestUrl))
        return;
    m_accountOffered = true;
    m_sendsSinceOffer = 0;
    authenticator->setUser(m_userName);
    authenticator->setPassword(m_password);
}

void QtTransferComponent::onRequestSent()
{
    // Once given the account, Qt answers every further challenge that names a new realm or nonce with it again,
    // without asking: a request sent twice since the offer was challenged anew, and the site refuses the account.
    if (m_accountOffered && ++m_sendsSinceOffer > 1)
        giveUp({TransferError::Kind::AccountRefused, u"401"_s});
}

void QtTransferComponent::giveUp(const TransferError& error)
{
    abort();
    m_error = error;
}

void QtTransferComponent::dropConnections(const QUrl& url)
{
    m_cutter.cutConnectionsTo(static_cast<quint16>(portOf(url)));
    // Owned by this component until then, so that it goes with the component if no event loop runs again.
    if (QNetworkAccessManager* manager = m_manager.release()) {
        manager->setParent(this);
        manager->deleteLater();
    }
}
