#pragma once
// Filling a workbook template (xlsx): open it, write texts and numbers into
// cells of named sheets, save the result under another name. Only the cells
// written change; every style, merged range, column width, print setting and
// part of the package the workbook holds is written back as it was.
//
// Texts go in as inline strings, so a parcel number such as "000123" stays
// text with its leading zeros. A written cell keeps its style ("s"); a cell
// that held a formula loses it, and the calculation chain, which would then
// name a cell without a formula, is dropped (spreadsheet programs rebuild it).
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::sheets {

// Every failure: what() names the file and what is wrong with it.
class WorkbookError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A cell reference: row and column from 1 ("H2" is row 2, column 8).
struct CellRef {
    int row = 0;
    int column = 0;
    bool operator==(const CellRef&) const = default;
};

// "H2" -> {2, 8}; lower-case letters and "$" are accepted. Anything else: WorkbookError.
CellRef parse_cell(std::string_view ref);
// {2, 8} -> "H2".
std::string cell_name(CellRef cell);
// 1 -> "A", 27 -> "AA".
std::string column_letters(int column);

class Workbook {
public:
    // Reads the workbook. A missing file, a file that is not a zip package or a
    // package without a readable workbook part: WorkbookError.
    static Workbook open(const std::filesystem::path& path);

    Workbook(Workbook&&) noexcept;
    Workbook& operator=(Workbook&&) noexcept;
    ~Workbook();

    // The sheets' names in the workbook's order.
    std::vector<std::string> sheet_names() const;
    bool has_sheet(std::string_view name) const;

    // Writes a text (an inline string) or a number into a cell of the named sheet,
    // creating the row and the cell where the sheet has none. An empty text leaves
    // the cell without a value (its style stays). An unknown sheet: WorkbookError.
    void set_text(std::string_view sheet, CellRef cell, std::string_view text);
    void set_number(std::string_view sheet, CellRef cell, double value);
    void set_text(std::string_view sheet, std::string_view cell, std::string_view text) {
        set_text(sheet, parse_cell(cell), text);
    }
    void set_number(std::string_view sheet, std::string_view cell, double value) {
        set_number(sheet, parse_cell(cell), value);
    }

    // Writes the workbook to `path`: to a temporary file in the same folder,
    // renamed over the target when complete, so that a failure never leaves a
    // half-written file. The folder must exist. Failure: WorkbookError.
    void save_as(const std::filesystem::path& path) const;

    // The whole package as it would be saved (for tests and callers that store it elsewhere).
    std::string to_bytes() const;

private:
    struct Impl;
    explicit Workbook(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace korvane::sheets
