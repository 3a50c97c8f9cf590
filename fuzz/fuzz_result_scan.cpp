// Treats the input as a result page, scans it with the search's own scan, and aborts on a hit the rules forbid.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QStringEncoder>

#include "hit_row.h"
#include "marker_split.h"
#include "page.h"
#include "result_scan.h"

using namespace Qt::StringLiterals;

namespace {

// Past every piece the scan can reach, yet bounded so a page of markers stays fast.
constexpr qsizetype checkedPieces = 2 * ResultScan::mostHits + 2;

void require(bool holds, const char* broken, QStringView text)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\nin: %s\n", broken, qUtf8Printable(text.left(400).toString()));
    std::abort();
}

// Callers keep the views only as long as the text, so a view that points elsewhere is a fault.
bool inside(QStringView piece, QStringView text)
{
    const auto begin = reinterpret_cast<std::uintptr_t>(text.data());
    const auto at = reinterpret_cast<std::uintptr_t>(piece.data());
    return at >= begin && at + piece.size() * sizeof(QChar) <= begin + text.size() * sizeof(QChar);
}

bool same(std::optional<QStringView> a, std::optional<QStringView> b)
{
    if (!a || !b)
        return !a && !b;
    return a->data() == b->data() && a->size() == b->size();
}

void checkSplit(QStringView text, QStringView marker)
{
    MarkerSplit split(text, marker);
    QString joined;
    qsizetype count = 0;
    for (; count < checkedPieces; ++count) {
        const std::optional<QStringView> piece = split.piece(count);
        if (!piece)
            break;
        require(inside(*piece, text), "a piece lies outside its text", text);
        require(!piece->contains(marker), "a piece holds its marker", *piece);
        if (count > 0)
            joined += marker;
        joined += *piece;
    }
    require((count == 0) == text.isEmpty(), "only an empty text has no pieces", text);
    if (count < checkedPieces) {
        require(joined == text, "the pieces joined by the marker differ from the text", text);
    } else {
        // Stopped early: the pieces read start the text, and a further piece exactly when a marker follows them.
        require(text.startsWith(joined), "the pieces read so far do not start the text", text);
        const bool markerFollows = text.sliced(joined.size()).startsWith(marker);
        require(markerFollows == split.piece(count).has_value(), "a piece after the bound disagrees with the text",
                text);
    }

    // Pieces are found on demand, so asking out of order, or past the end first, must not change any answer.
    MarkerSplit fresh(text, marker);
    require(!fresh.piece(-1), "a piece before the first", text);
    if (count < checkedPieces)
        require(!fresh.piece(count), "a piece past the last", text);
    for (const qsizetype n : {count - 1, qsizetype{0}, count / 2, count + 1}) {
        require(same(fresh.piece(n), split.piece(n)), "a piece differs when asked out of order", text);
        require(same(pieceAt(text, marker, n), split.piece(n)), "pieceAt differs from the split", text);
    }
}

// The text after the first `start` in `cell`, which must run up to `end`, a second `start` or the cell's end.
void checkField(const QString& field, QStringView cell, QStringView start, QStringView end, QStringView row)
{
    require(!field.contains(start) && !field.contains(end), "a field holds a marker that ends it", row);
    require(!field.contains(u"<TR") && !field.contains(u"<TD"), "a field runs over a row or cell marker", row);
    const qsizetype at = cell.indexOf(start);
    require(at >= 0, "a field from a cell without its start marker", row);
    const QStringView after = cell.sliced(at + start.size());
    // Nothing up to the cell's end or a second start marker is an empty text, which cuts into no field at all.
    require(!after.isEmpty() && !after.startsWith(start), "a field from an empty text after its start marker", row);
    require(after.startsWith(field), "a field not taken right after its start marker", row);
    const QStringView rest = after.sliced(field.size());
    require(rest.isEmpty() || rest.startsWith(end) || rest.startsWith(start), "a field stops short of its end", row);
}

void checkHit(const HitRow& hit, QStringView row)
{
    const QStringList& fields = hit.fields;
    require(fields.size() <= 4, "more than four fields", row);
    MarkerSplit cells(row, u"<TD");
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const std::optional<QStringView> cell = cells.piece(i + 1);
        require(cell.has_value(), "a field from a cell the row lacks", row);
        if (i == 0)
            checkField(fields.at(i), *cell, u"ID=", u"\">", row);
        else
            checkField(fields.at(i), *cell, u"000000>", u"<BR>", row);
    }

    // A row may only stop early at a cell that is missing, lacks the start marker, or has an empty text after it
    // (up to the cell's end or a second start marker), which cuts into no pieces.
    if (!hit.isComplete()) {
        const QStringView start = fields.isEmpty() ? u"ID=" : u"000000>";
        const std::optional<QStringView> cell = cells.piece(fields.size() + 1);
        const qsizetype at = cell ? cell->indexOf(start) : -1;
        const QStringView after = at < 0 ? QStringView() : cell->sliced(at + start.size());
        require(at < 0 || after.isEmpty() || after.startsWith(start), "the row stops at a cell that holds a field",
                row);
    }

    // The prompt and the pane show the fields as they are, but cut when overlong, between tabs of their own.
    qsizetype shownLength = 0;
    for (const QString& field : fields)
        shownLength += HitRow::shownField(field).size();
    const QString prompt = hit.promptText();
    require(fields.isEmpty() || prompt.size() == shownLength + fields.size() - 1,
            "the prompt adds more than a tab between fields", row);

    // Fields hold none of their end markers, so a row rebuilt from them must cut back to the same fields.
    QString rebuilt = u">"_s;
    for (qsizetype i = 0; i < fields.size(); ++i)
        rebuilt += i == 0 ? u"<TD>ID="_s + fields.at(i) + u"\">"_s : u"<TD>000000>"_s + fields.at(i) + u"<BR>"_s;
    require(cutHitRow(rebuilt).fields == fields, "a row rebuilt from its fields cuts differently", rebuilt);
}

// The page as text, in a charset that does not keep ASCII bytes, so that it is decoded as it arrives and cut as text.
QByteArray asUtf16(const QString& text)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

// The rows of a body handed to the scan in reads of `size` bytes.
QList<HitRow> rowsInReads(QByteArrayView body, QByteArrayView charset, qsizetype size)
{
    ResultScan scan;
    scan.bodyStarted(charset);
    for (qsizetype at = 0; at < body.size(); at += size)
        scan.bodyRead(body.sliced(at, std::min(size, body.size() - at)));
    return scan.takeRows();
}

void scan(const QString& page)
{
    MarkerSplit rows(page, u"<TR");
    int hits = 0;
    bool ended = false;
    qsizetype k = 2;
    for (const HitRow& hit : ResultScan::rowsOf(asUtf16(page), "UTF-16LE")) {
        require(!ended, "a row handed out after one that did not fit", page);
        // Each row handed out is the next even row piece, so the scan reads rows 2, 4, ... in order.
        const std::optional<QStringView> row = rows.piece(k);
        require(row.has_value(), "a row handed out that the page does not have", page);
        require(cutHitRow(*row).fields == hit.fields, "a row handed out is not the page's next even row", *row);
        checkHit(hit, *row);
        ended = !hit.isComplete();
        hits += hit.isComplete() ? 1 : 0;
        k += 2;
    }
    require(hits <= ResultScan::mostHits, "more hits than the scan's rows", page);
    if (!ended && hits < ResultScan::mostHits)
        require(!rows.piece(2 * hits + 2), "the scan ended before a row the page has", page);
}

} // namespace

// The page cut as bytes must give the very hits of the same page decoded and cut as text, and a page read in small
// pieces the very hits of the page read at once.
void compareReadings(QByteArrayView bytes, const QString& text)
{
    const auto fields = [](const QList<HitRow>& rows) {
        QList<QStringList> all;
        for (const HitRow& row : rows)
            all.append(row.fields);
        return all;
    };
    const QList<QStringList> whole = fields(ResultScan::rowsOf(bytes, {}));
    require(fields(ResultScan::rowsOf(asUtf16(text), "UTF-16LE")) == whole,
            "the byte scan cuts other rows than the text scan", text);
    // Small enough to part markers and characters, the size taken from the page itself; larger for a large page,
    // so that each run stays quick.
    const qsizetype size =
        bytes.isEmpty() ? 1 : 1 + static_cast<unsigned char>(bytes.front()) % (bytes.size() > 4096 ? 251 : 7);
    require(fields(rowsInReads(bytes, {}, size)) == whole, "bytes read in pieces cut other rows", text);
    require(fields(rowsInReads(asUtf16(text), "UTF-16LE", size)) == whole, "text read in pieces cuts other rows", text);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Without a charset the body is read as UTF-8 when it is valid UTF-8, else as Windows-1252.
    const Page bytes(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), {});
    const QString page = bytes.text();
    compareReadings(bytes.body(), page);
    checkSplit(page, u"<TR");
    // A marker cut from the page itself may overlap itself ("aa" in "aaa"), which "<TR" never does.
    if (page.size() >= 2)
        checkSplit(page, QStringView(page).sliced((page.size() - 1) / 2, 2));
    scan(page);
    return 0;
}
