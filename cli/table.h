#pragma once

#include "cli/values.h"
#include <cstddef>

#include <functional>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// How a table is written: aligned plain text or CSV, and its numbers
// rounded to decimals or, when exact, as the shortest text that reads back
// to the same double.
struct TableStyle {
    bool csv = false;
    int decimals = 5;
    bool exact = false;
};

// A column's header; the cells of a numeric column are right-aligned.
struct Column {
    std::string_view header;
    bool numeric = true;
};

// Takes a table's cells row by row, left to right.
class TableWriter {
public:
    TableWriter(std::ostream &out, const TableStyle &style, std::span<const Column> columns);
    ~TableWriter();
    TableWriter(const TableWriter &) = delete;
    TableWriter &operator=(const TableWriter &) = delete;

    void text(std::string_view cell);
    // An infinite or NaN value leaves its cell empty.
    void number(double value);
    void empty();
    void endRow();

    // Ends measuring the widths of an aligned table and writes its header.
    void startWriting();
    // Measures more rows of an aligned table already started, then writes
    // them: the columns widen as they need, never narrow.
    void measureMore();
    void writeMore();
    // Writes the rows measured since startWriting or measureMore from the
    // cells kept while measuring, so that each row is computed once. False
    // when they were too many to keep: the caller gives them again.
    bool writeKept();
    // Whether any row has been written, which a failure then flushes.
    bool wroteRows() const { return m_rows > 0; }
    // Sends what is left in the buffer; throws OutputError if out fails.
    void flush();

private:
    void keep(std::string_view cell);
    void put(const char *text, std::size_t size);
    void putCell(const char *text, std::size_t size, std::size_t width);

    std::ostream &m_out;
    TableStyle m_style;
    std::span<const Column> m_columns;
    std::vector<std::size_t> m_widths;
    bool m_measuring;
    std::size_t m_column = 0;
    std::size_t m_blanks = 0; // owed before the next visible cell
    std::size_t m_rows = 0;   // written, the header not counted
    // The cells measured, end to end, and where each ends; kNoCell ends a row.
    std::string m_kept;
    std::vector<std::size_t> m_keptEnds;
    bool m_keeping = true;
    std::unique_ptr<char[]> m_buffer;
    char *m_end;
    char *m_last;
};

// Writes the header and the rows that rows() gives to out. An aligned
// table keeps the cells it measures and writes them; only one too large to
// keep calls rows() a second time.
void writeTable(std::ostream &out, const TableStyle &style, std::span<const Column> columns,
    const std::function<void(TableWriter &)> &rows);

// Writes the header and, for each block of values, the rows rows() gives
// for it. An aligned table of values known in advance is measured whole
// first; one of values read as they come is measured block by block, so
// that it is written as it is read.
void writeBlocks(std::ostream &out, const TableStyle &style, std::span<const Column> columns, ValueSource &values,
    const std::function<void(TableWriter &, std::span<const double>)> &rows);

} // namespace cli
