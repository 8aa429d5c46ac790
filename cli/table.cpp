#include "cli/table.h"

#include "cli/errors.h"
#include "flow/number_text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ostream>

namespace cli {
namespace {

constexpr std::size_t kBufferSize = std::size_t(1) << 16;
constexpr std::size_t kColumnGap = 2;
constexpr std::string_view kBlanks = "                                ";
// An aligned table keeps its measured cells up to this many bytes of text;
// past that, in a table of millions of rows, they are computed again.
constexpr std::size_t kMostKept = std::size_t(32) << 20;
constexpr std::size_t kNoCell = static_cast<std::size_t>(-1);

// Characters on a terminal: UTF-8 continuation bytes take no column.
std::size_t displayWidth(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool needsQuotes(std::string_view cell) { return cell.find_first_of(",\"\r\n") != std::string_view::npos; }

} // namespace

TableWriter::TableWriter(std::ostream &out, const TableStyle &style, std::span<const Column> columns)
    : m_out(out), m_style(style), m_columns(columns), m_widths(columns.size()), m_measuring(!style.csv),
      m_buffer(new char[kBufferSize]), m_end(m_buffer.get()), m_last(m_buffer.get() + kBufferSize)
{
    for (std::size_t i = 0; i < columns.size(); ++i)
        m_widths[i] = displayWidth(columns[i].header);
    if (style.csv)
        startWriting();
}

TableWriter::~TableWriter() = default;

void TableWriter::startWriting()
{
    m_measuring = false;
    m_column = 0;
    for (const Column &column : m_columns)
        text(column.header);
    endRow();
    m_rows = 0;
}

void TableWriter::measureMore()
{
    m_measuring = !m_style.csv;
    m_column = 0;
    m_kept.clear();
    m_keptEnds.clear();
    m_keeping = true;
}

bool TableWriter::writeKept()
{
    if (!m_keeping)
        return false;
    std::size_t start = 0;
    for (const std::size_t end : m_keptEnds) {
        if (end == kNoCell) {
            endRow();
            continue;
        }
        const std::string_view cell(m_kept.data() + start, end - start);
        putCell(cell.data(), cell.size(), displayWidth(cell));
        ++m_column;
        start = end;
    }
    m_kept.clear();
    m_keptEnds.clear();
    return true;
}

void TableWriter::keep(std::string_view cell)
{
    if (!m_keeping)
        return;
    if (m_kept.size() + cell.size() > kMostKept) {
        m_keeping = false;
        std::string().swap(m_kept);
        std::vector<std::size_t>().swap(m_keptEnds);
        return;
    }
    m_kept.append(cell);
    m_keptEnds.push_back(m_kept.size());
}

void TableWriter::writeMore()
{
    m_measuring = false;
    m_column = 0;
}

void TableWriter::text(std::string_view cell)
{
    if (m_measuring) {
        m_widths[m_column] = std::max(m_widths[m_column], displayWidth(cell));
        keep(cell);
    } else if (m_style.csv && needsQuotes(cell)) {
        if (m_column > 0)
            put(",", 1);
        put("\"", 1);
        // A quote inside is doubled.
        for (auto quote = cell.find('"'); quote != std::string_view::npos; quote = cell.find('"')) {
            put(cell.data(), quote + 1);
            put("\"", 1);
            cell.remove_prefix(quote + 1);
        }
        put(cell.data(), cell.size());
        put("\"", 1);
    } else {
        putCell(cell.data(), cell.size(), displayWidth(cell));
    }
    ++m_column;
}

void TableWriter::number(double value)
{
    if (m_style.csv) {
        // Straight into the buffer: the million-row tables are CSV.
        if (static_cast<std::size_t>(m_last - m_end) <= flow::kMaxNumberText)
            flush();
        if (m_column++ > 0)
            *m_end++ = ',';
        m_end = m_style.exact ? flow::writeShortest(m_end, value) : flow::writeRounded(m_end, value, m_style.decimals);
        return;
    }
    char cell[flow::kMaxNumberText];
    const char *end
        = m_style.exact ? flow::writeShortest(cell, value) : flow::writeRounded(cell, value, m_style.decimals);
    const auto size = static_cast<std::size_t>(end - cell);
    if (m_measuring) {
        m_widths[m_column] = std::max(m_widths[m_column], size);
        keep({cell, size});
    } else {
        putCell(cell, size, size);
    }
    ++m_column;
}

void TableWriter::empty()
{
    if (m_measuring)
        keep({});
    else
        putCell(nullptr, 0, 0);
    ++m_column;
}

void TableWriter::endRow()
{
    m_column = 0;
    m_blanks = 0;
    if (m_measuring) {
        if (m_keeping)
            m_keptEnds.push_back(kNoCell);
    } else {
        put("\n", 1);
        ++m_rows;
    }
}

// An aligned cell owes its column gap and padding until something visible
// follows, so that lines carry no trailing blanks; numbers are padded on the
// left, text on the right.
void TableWriter::putCell(const char *text, std::size_t size, std::size_t width)
{
    if (m_style.csv) {
        if (m_column > 0)
            put(",", 1);
        put(text, size);
        return;
    }
    if (m_column > 0)
        m_blanks += kColumnGap;
    const std::size_t pad = m_widths[m_column] - width;
    const bool numeric = m_columns[m_column].numeric;
    if (numeric)
        m_blanks += pad;
    if (size > 0) {
        for (; m_blanks > 0; m_blanks -= std::min(m_blanks, kBlanks.size()))
            put(kBlanks.data(), std::min(m_blanks, kBlanks.size()));
        put(text, size);
    }
    if (!numeric)
        m_blanks += pad;
}

void TableWriter::put(const char *text, std::size_t size)
{
    if (static_cast<std::size_t>(m_last - m_end) < size) {
        flush();
        if (size > kBufferSize) {
            m_out.write(text, static_cast<std::streamsize>(size));
            return;
        }
    }
    if (size > 16) {
        std::memcpy(m_end, text, size);
        m_end += size;
        return;
    }
    for (std::size_t i = 0; i < size; ++i) // most cells are a few bytes: no call
        *m_end++ = text[i];
}

void TableWriter::flush()
{
    errno = 0; // so that a failure's reason is its own
    m_out.write(m_buffer.get(), m_end - m_buffer.get());
    m_end = m_buffer.get();
    if (!m_out)
        throw OutputError(errno);
}

void writeTable(std::ostream &out, const TableStyle &style, std::span<const Column> columns,
    const std::function<void(TableWriter &)> &rows)
{
    TableWriter table(out, style, columns);
    if (!style.csv) {
        rows(table);
        table.startWriting();
    }
    if (style.csv || !table.writeKept())
        rows(table);
    table.flush();
    errno = 0;
    out.flush();
    if (!out)
        throw OutputError(errno);
}

void writeBlocks(std::ostream &out, const TableStyle &style, std::span<const Column> columns, ValueSource &values,
    const std::function<void(TableWriter &, std::span<const double>)> &rows)
{
    if (values.known()) {
        writeTable(out, style, columns, [&](TableWriter &table) {
            values.rewind();
            for (auto block = values.next(); !block.empty(); block = values.next())
                rows(table, block);
        });
        return;
    }
    TableWriter table(out, style, columns);
    bool started = style.csv;
    try {
        for (auto block = values.next(); !block.empty(); block = values.next()) {
            if (!style.csv) {
                table.measureMore();
                rows(table, block);
                if (started)
                    table.writeMore();
                else
                    table.startWriting();
                started = true;
                if (table.writeKept())
                    continue;
            }
            rows(table, block);
        }
    } catch (const std::exception &) {
        if (table.wroteRows()) // they stay, as a filter's would
            table.flush();
        throw;
    }
    if (!started)
        table.startWriting();
    table.flush();
    errno = 0;
    out.flush();
    if (!out)
        throw OutputError(errno);
}

} // namespace cli
