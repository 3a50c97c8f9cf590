#include "curl_failure.h"

#include <cerrno>

#include <QByteArrayView>

namespace {

using Kind = TransferError::Kind;

// The certificate checks that fail, as OpenSSL numbers them (X509_V_ERR_*) and libcurl passes them on.
enum CertificateCheck : long
{
    UnableToGetIssuerCert = 2,
    CertNotYetValid = 9,
    CertHasExpired = 10,
    DepthZeroSelfSignedCert = 18,
    SelfSignedCertInChain = 19,
    UnableToGetIssuerCertLocally = 20,
    UnableToVerifyLeafSignature = 21,
    CertUntrusted = 27,
    HostnameMismatch = 62,
};

QString certificateFault(long check)
{
    switch (check) {
    case HostnameMismatch:
        return TransferError::tr("issued for another name");
    case CertHasExpired:
        return TransferError::tr("expired");
    case CertNotYetValid:
        return TransferError::tr("not yet valid");
    case UnableToGetIssuerCert:
    case DepthZeroSelfSignedCert:
    case SelfSignedCertInChain:
    case UnableToGetIssuerCertLocally:
    case UnableToVerifyLeafSignature:
    case CertUntrusted:
        return TransferError::tr("unknown authority");
    default:
        return TransferError::tr("invalid");
    }
}

} // namespace

TransferError curlFailure(CURL* easy, CURLcode result, const char* errorText)
{
    switch (result) {
    case CURLE_COULDNT_CONNECT: {
        long osError = 0;
        curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osError);
        return {Kind::CouldNotConnect, osError == ECONNREFUSED ? TransferError::tr("connection refused")
                                                               : TransferError::tr("could not connect")};
    }
    case CURLE_COULDNT_RESOLVE_HOST:
        return {Kind::CouldNotConnect, TransferError::tr("host not found")};
    case CURLE_COULDNT_RESOLVE_PROXY:
        return {Kind::CouldNotConnect, TransferError::tr("proxy not found")};
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        return {Kind::CouldNotConnect, TransferError::tr("connection closed")};
    case CURLE_OPERATION_TIMEDOUT:
        return {Kind::TimedOut, {}};
    case CURLE_TOO_MANY_REDIRECTS:
        return {Kind::RedirectRefused, TransferError::tr("too many redirects")};
    // Redirects to another scheme are refused before libcurl would follow them, so this is an answer of HTTP/0.9, or
    // of another protocol or version, which libcurl takes for one.
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_WEIRD_SERVER_REPLY:
        return {Kind::NotHttp, {}};
    case CURLE_PEER_FAILED_VERIFICATION: {
        long check = 0;
        curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &check);
        // libcurl checks the name itself, after OpenSSL has accepted the chain, and says so only in its text.
        if (QByteArrayView(errorText).contains("subject name"))
            return {Kind::Certificate, TransferError::tr("issued for another name")};
        return {Kind::Certificate, certificateFault(check)};
    }
    case CURLE_SSL_CONNECT_ERROR:
        return {Kind::CouldNotConnect, TransferError::tr("secure connection failed")};
    case CURLE_BAD_CONTENT_ENCODING:
        return {Kind::Other, TransferError::tr("the answer could not be unpacked")};
    default:
        // libcurl's own words, which name no address.
        return {Kind::Other, QString::fromUtf8(curl_easy_strerror(result)).toLower()};
    }
}
