#include "curl_log.h"

#include <algorithm>

#include <QList>
#include <QString>

#include "visible_text.h"

namespace {

bool isHeaderNamed(QByteArrayView line, QByteArrayView name)
{
    return line.size() > name.size() && line.at(name.size()) == ':' &&
           line.first(name.size()).compare(name, Qt::CaseInsensitive) == 0;
}

bool endsToken(char c)
{
    return QByteArrayView(" \t'\"=<>(),;").contains(c);
}

} // namespace

QByteArray withoutAccounts(QByteArrayView line)
{
    QByteArray shown;
    while (!line.isEmpty()) {
        const auto end = std::find_if(line.begin(), line.end(), endsToken);
        const QByteArrayView token = line.first(end - line.begin());
        const qsizetype at = token.lastIndexOf('@');
        const qsizetype scheme = token.indexOf("://");
        const qsizetype start = scheme >= 0 && scheme < at ? scheme + 3 : 0;
        if (at < 0)
            shown += token;
        else
            shown += token.first(start).toByteArray() + "***" + token.sliced(at).toByteArray();
        shown += line.sliced(token.size()).first(std::min<qsizetype>(1, line.size() - token.size()));
        line = line.sliced(std::min(line.size(), token.size() + 1));
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
        qCDebug(lcFetch).noquote() << direction << visibleLine(withoutAccounts(line));
    }
    return 0;
}
