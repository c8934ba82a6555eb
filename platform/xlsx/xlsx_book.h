// A workbook kept open while a report writes it: sheets, text and number
// cells, fonts, alignment and borders, column widths, frozen panes. Texts
// come in as Windows-1252 and go out as UTF-8; control bytes are dropped.
// The file is written under a temporary name beside the target and renamed
// only when the book closes cleanly, so a failed or cancelled report
// leaves an older file of that name whole.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace bwxlsx {

// Windows-1252 to UTF-8, control bytes other than tab left out.
std::string Utf8FromAnsi(const std::string& text);

struct CellStyle {
    std::string face;      // "" default
    double size = 0;       // points, 0 default
    bool bold = false, italic = false, underline = false;
    unsigned colour = 0;   // RGB, 0 default
    int align = 0;         // 0 none, 1 left, 2 right, 3 centre
    int border = 0;        // 0 none, else a bottom border of that weight (1 thin, 2 medium, 5 thick, 6 double)
    bool date = false;     // the number is a date serial
    bool operator<(const CellStyle& o) const;
};

class Book {
public:
    Book() = default;
    ~Book();
    Book(const Book&) = delete;
    Book& operator=(const Book&) = delete;

    // Starts a book for `path` with one sheet; false when the folder cannot
    // take the temporary file (nothing is created then).
    bool Open(const std::string& path);
    bool IsOpen() const { return book_ != nullptr; }
    // Adds a sheet and makes it current; false on failure.
    bool AddSheet();
    int SheetCount() const { return static_cast<int>(sheets_.size()); }
    // Makes sheet n (from 1) current; false when there is none.
    bool SelectSheet(int n);
    int CurrentSheet() const { return current_ + 1; }

    // Cells by row and column from 0. A number that is NaN or infinite is
    // written as text.
    bool Text(int row, int column, const std::string& ansiText, const CellStyle& style = {});
    bool Number(int row, int column, double value, const CellStyle& style = {});
    // A date as yyyymmdd (0: an empty cell).
    bool Date(int row, int column, int yyyymmdd, const CellStyle& style = {});
    // A rule: an empty cell with a bottom border of that weight.
    bool Rule(int row, int column, int weight);

    void SetColumnWidth(int column, double characters);
    void FreezePanes(int row, int column);
    // Sets every column of the current sheet that no width was given to as
    // wide as its widest cell.
    void FitWidths();

    // Writes the file and renames it into place; false (the target left as
    // it was) when anything failed.
    bool Close();
    // Drops the book; nothing is left under the target name.
    void Abandon();
    const std::string& Path() const { return path_; }

private:
    struct Sheet {
        void* sheet = nullptr;
        std::map<int, double> widest;   // measured widths by column
        std::map<int, double> given;    // widths set by the caller
    };
    void* Format(const CellStyle& style);
    void Measure(int column, double width);

    void* book_ = nullptr;
    std::string path_, aside_;
    std::vector<Sheet> sheets_;
    int current_ = 0;
    std::map<CellStyle, void*> formats_;
    bool failed_ = false;
};

}  // namespace bwxlsx
