// Treats the input as what libcurl says at debug level, its own words or header lines of either direction, as a site
// may shape them, and aborts when a line reaches the log with a byte a terminal would act on, longer than the cut,
// or with the user name or password of an address still in it.
//
// Input: one byte that picks what libcurl says (its words, a header line in, a header line out), then the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QLoggingCategory>
#include <QString>

#include "curl_log.h"

namespace {

QList<QString> logged;

void require(bool holds, const char* broken, QByteArrayView text)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\nin: %.*s\n", broken, int(std::min<qsizetype>(text.size(), 400)), text.data());
    std::abort();
}

// Where an address's account would stand, up to the last '@' of a run between the characters that end one, only
// "***" may: a run is cut the same way that hides it.
void checkNoAccount(QByteArrayView line)
{
    const QByteArrayView ends(" \t'\"=<>(),;");
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i < line.size() && !ends.contains(line.at(i)))
            continue;
        const QByteArrayView token = line.sliced(start, i - start);
        const qsizetype at = token.lastIndexOf('@');
        const qsizetype scheme = token.indexOf("://");
        const qsizetype from = scheme >= 0 && scheme < at ? scheme + 3 : 0;
        require(at < 0 || token.sliced(from, at - from) == "***", "an account left in", line);
        start = i + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("tunedrop.fetch.debug=true"));
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& line) { logged << line; });
        return true;
    }();
    if (!ready || size == 0)
        return 0;
    constexpr curl_infotype types[] = {CURLINFO_TEXT, CURLINFO_HEADER_IN, CURLINFO_HEADER_OUT};
    QByteArray text(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    checkNoAccount(withoutAccounts(text));
    logged.clear();
    logCurlText(nullptr, types[data[0] % 3], text.data(), size_t(text.size()), nullptr);
    for (const QString& line : std::as_const(logged)) {
        const QByteArray shown = line.toUtf8();
        // 1,024 code points at most, each at most a ten-character escape, and the mark of the cut.
        require(line.size() <= 2 + 10 * 1024 + 1, "a line longer than the cut", shown);
        for (const char32_t c : line.toUcs4()) {
            const QChar::Category category = QChar::category(c);
            require(category != QChar::Other_Control && category != QChar::Other_Format &&
                        category != QChar::Separator_Line && category != QChar::Separator_Paragraph,
                    "a character a terminal would act on", shown);
        }
        const QByteArray header = shown.sliced(std::min<qsizetype>(2, shown.size())).toLower();
        require(!header.startsWith("authorization:") && !header.startsWith("proxy-authorization:"), "an account header",
                shown);
    }
    return 0;
}
