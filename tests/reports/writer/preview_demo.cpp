// A report of three pages sent to the engine's preview, in the terminal:
// the program the preview's terminal check runs.
#include <cstdio>
#include <cstring>
#include <string>

#include "fx.h"
#include "report_engine.h"

int main()
{
    FxStart();
    EngOpen open{};
    open.head = EngHead{ENG_CMD_OPEN, 775};
    open.window = 1;
    open.kind = ENGINE_KIND_PREVIEW;
    std::snprintf(open.title, sizeof open.title, "Stock list");
    const int job = BrmReportEngine(0, ENGINE_OPEN_JOB, &open);
    if (job < 0)
        return 1;
    EngPageFormat wide{};
    wide.head = EngHead{ENG_CMD_PAGE_FORMAT, sizeof wide};
    wide.pitch = 17;  // 136 columns
    BrmReportEngine(job, ENGINE_COMMAND, &wide);
    for (int page = 1; page <= 3; ++page) {
        for (int line = 0; line < 50; ++line) {
            EngString s{};
            s.head = EngHead{ENG_CMD_STRING, sizeof s};
            s.column = static_cast<uint16_t>(line == 0 ? 0 : 2);
            s.line = static_cast<uint16_t>(line);
            s.align = -2;
            s.font = 16;
            const std::string text = line == 0 ? "Stock list, page " + std::to_string(page)
                                               : "Row " + std::to_string(page) + "." + std::to_string(line) +
                                                     std::string(100, '.') + "WIDE-END";
            std::memcpy(s.text, text.data(), text.size());
            s.textLength = static_cast<uint16_t>(text.size());
            BrmReportEngine(job, ENGINE_COMMAND, &s);
        }
        EngPageEnd end{};
        end.head = EngHead{ENG_CMD_PAGE_END, sizeof end};
        end.page = static_cast<uint32_t>(page);
        if (page < 3)
            BrmReportEngine(job, ENGINE_COMMAND, &end);
    }
    const int answer = BrmReportEngine(job, ENGINE_END_JOB, nullptr);
    FxStop();
    return answer == 0 ? 0 : 1;
}
