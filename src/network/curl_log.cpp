#include "curl_log.h"

#include <algorithm>

#include <QList>
#include <QString>

Q_LOGGING_CATEGORY(lcCurl, "tunedrop.fetch", QtWarningMsg)

namespace {

bool isHeaderNamed(QByteArrayView line, QByteArrayView name)
{
    return line.size() > name.size() && line.at(name.size()) == ':' &&
           line.first(name.size()).compare(name, Qt::CaseInsensitive) == 0;
}

} // namespace

QByteArray visibleLine(QByteArrayView line)
{
    QByteArray shown;
    for (const char c : line.first(std::min<qsizetype>(line.size(), 1024))) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f)
            shown += "\\x" + QByteArray::number(byte, 16).rightJustified(2, '0');
        else
            shown += c;
    }
    return shown;
}

int logCurlText(CURL*, curl_infotype type, char* data, size_t size, void*)
{
    if (type != CURLINFO_TEXT && type != CURLINFO_HEADER_IN && type != CURLINFO_HEADER_OUT)
        return 0;
    const char* direction = type == CURLINFO_HEADER_IN ? "<" : type == CURLINFO_HEADER_OUT ? ">" : "*";
    const QList<QByteArray> lines = QByteArray::fromRawData(data, qsizetype(size)).split('\n');
    for (const QByteArray& text : lines) {
        const QByteArrayView line = QByteArrayView(text).trimmed();
        // The account never reaches a log, whether as a header or in libcurl's words about it.
        if (line.isEmpty() || isHeaderNamed(line, "Authorization") || isHeaderNamed(line, "Proxy-Authorization") ||
            (type == CURLINFO_TEXT && line.contains("user")))
            continue;
        qCDebug(lcCurl).noquote() << direction << QString::fromLatin1(visibleLine(line));
    }
    return 0;
}
