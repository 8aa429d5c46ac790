#pragma once

// The tables of hard cases in tests/data, written by the scripts in tools/:
// a header line, then rows of comma-separated cells (C99 hex floats, "inf",
// words, or empty for "not applicable"); lines starting with '#' are
// comments.

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace hard_table {

struct Row {
    std::string line;
    std::vector<std::string> cells;
};

inline std::vector<Row> read(const std::string &path)
{
    std::vector<Row> rows;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        Row row {line, {}};
        for (std::size_t start = 0;;) {
            const std::size_t end = line.find(',', start);
            row.cells.push_back(line.substr(start, end - start));
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// A cell's number; NaN for an empty one.
inline double number(const std::string &cell)
{
    return cell.empty() ? std::nan("") : std::strtod(cell.c_str(), nullptr);
}

} // namespace hard_table
