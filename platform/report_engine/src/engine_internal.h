// What the parts of the engine share: the job's pages, the printer table
// and setup store, the renderers and the screens.
#pragma once

#include <string>
#include <vector>

#include "report_engine.h"

namespace duzo {

constexpr const char* kDataFile = "DUZO20.DB";

struct FontSpec {
    std::string face = "DejaVu Sans Mono";
    double size = 10;
    int style = 0;          // 1 bold, 4 italic, 8 underline
    unsigned colour = 0;    // RGB
};

enum class ItemKind { Text, Rule, Box, Picture };

struct Item {
    ItemKind kind = ItemKind::Text;
    int row = 0;            // the page line (body lines)
    double y = 0;           // top in points from the top margin
    double height = 0;      // line height in points
    int column = 0, column2 = 0, row2 = 0;
    int align = -2;
    int width = 0;
    int font = 16;
    char fill = '-';
    std::string text;       // Windows-1252, no control bytes
};

struct Page {
    std::vector<Item> items;
    int rows = 0;           // lines used
};

struct Layout {
    double pageWidth = 612, pageHeight = 792;   // points
    double left = 36, top = 36, right = 36, bottom = 36;
    int columns = 80;
    double advance = 6.75;  // points a column
    double step = 12;       // points a body line
    int linesPerPage = 60;
};

struct Job {
    int kind = 0;
    std::string printer, programFolder, exportFile, title, formFile;
    Layout layout;
    FontSpec fonts[ENGINE_FONT_COUNT];
    int bodyFont = 16;
    int font = 16;
    int fixedPageLines = 0;
    std::vector<Page> pages;
    Page current;
    bool blockOpen = false;
    int blockLine = 0;
    int blockFont = 0;
    size_t blockFirstItem = 0;
};

// Metrics (pango): the line height of a font in points, and the body font
// size that makes one column `advance` points wide.
double LineHeight(const FontSpec& font);
double MonoSizeFor(const std::string& face, double advance);
void Measure(Job& job);

// Text of each page as it is laid out on a grid of columns and lines.
std::vector<std::vector<std::string>> PageTexts(const Job& job);
// Where a text item starts on the grid.
int GridColumn(const Job& job, const Item& item);

// Output files, written aside and renamed; "" on success, else the reason.
std::string WritePdf(const Job& job, const std::string& path);
std::string WriteHtml(const Job& job, const std::string& path);
std::string WriteCsv(const Job& job, const std::string& path);
std::string WriteXlsx(const Job& job, const std::string& path);
// Sends the job to a printer of the table: "" or the reason.
std::string PrintJob(const Job& job, const std::string& printer);
// The preview screen; 'p' when the person asked to print.
int RunPreview(const Job& job);

std::string Utf8(const std::string& ansi);
std::string DataFolder();
void SetLastOutput(const std::string& path);
void SetLastError(const std::string& text);

}  // namespace duzo
