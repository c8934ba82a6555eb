#include "extensions/posting/sale_lines.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/stations.h"
#include "bwps/table.h"
#include "extensions/posting/posting_run.h"

using namespace bwps;

namespace bwps1::posting {
namespace {

#pragma pack(push, 1)
struct LineKey {
    char invoice[11];
    int16_t line;
};
#pragma pack(pop)

std::string Invoice(const TagSalesHdr& sale)
{
    std::string s(sale.InvoiceNo, strnlen(sale.InvoiceNo, sizeof sale.InvoiceNo));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

bool SameInvoice(const TagSalesDetail& line, const TagSalesHdr& sale)
{
    return std::memcmp(line.InvoiceNo, sale.InvoiceNo, sizeof line.InvoiceNo) == 0;
}

// Reads whole lines from the register file: from the sale's first line
// when the header's offset points at it, else from the start.
bool ReadRegisterLines(const TagSalesHdr& sale, std::vector<TagSalesDetail>& out,
                       std::string& path)
{
    char buffer[1024] = {};
    path = BuildRegisterDetailPath(sale.RegisterNumber, buffer);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    auto readAt = [&](off_t from) {
        out.clear();
        TagSalesDetail line;
        bool seen = false;
        for (off_t at = from;; at += sizeof line) {
            const ssize_t n = ::pread(fd, &line, sizeof line, at);
            if (n != static_cast<ssize_t>(sizeof line))
                break;   // end of file, or a last line cut short
            if (SameInvoice(line, sale)) {
                out.push_back(line);
                seen = true;
            } else if (seen && from != 0) {
                break;
            }
        }
    };
    const off_t offset = static_cast<off_t>(sale.FirstLineOffset);
    if (offset > 0 && offset % static_cast<off_t>(sizeof(TagSalesDetail)) == 0) {
        readAt(offset);
        if (out.empty())
            readAt(0);
    } else {
        readAt(0);
    }
    ::close(fd);
    return true;
}

}  // namespace

std::vector<TagSalesDetail> ReadSaleLines(const TagSalesHdr& sale)
{
    std::vector<TagSalesDetail> lines;
    Table file;
    if (!file.Open(FileNo::SalesDetail).Ok())
        return lines;
    KeyBuffer key;
    LineKey start{};
    std::memcpy(start.invoice, sale.InvoiceNo, sizeof start.invoice);
    start.line = INT16_MIN;
    key.Set(start);
    TagSalesDetail line;
    for (Status s = file.Get(B_GET_GE, key, line); s.Ok() && SameInvoice(line, sale);
         s = file.Get(B_GET_NEXT, key, line))
        lines.push_back(line);
    return lines;
}

bool SaleLinesAnywhere(const TagSalesHdr& sale, std::vector<TagSalesDetail>& lines)
{
    if (sale.FirstLineOffset < 0) {
        lines = ReadSaleLines(sale);
        return true;
    }
    std::string path;
    return ReadRegisterLines(sale, lines, path);
}

bool CopySaleRegisterLines(const TagSalesHdr& sale, int* copied)
{
    *copied = 0;
    std::vector<TagSalesDetail> lines;
    std::string path;
    if (!ReadRegisterLines(sale, lines, path)) {
        const std::string cause = "The register detail file " + path + " cannot be read: " +
                                  std::strerror(errno);
        ShowPostingFatalError(Invoice(sale).c_str(), cause.c_str(), 0);
        return false;
    }
    Table file;
    Status s = file.Open(FileNo::SalesDetail);
    for (TagSalesDetail& line : lines) {
        if (!s.Ok())
            break;
        KeyBuffer key;
        key.Set(LineKey{{}, line.LineNo});
        std::memcpy(key.bytes, line.InvoiceNo, sizeof line.InvoiceNo);
        TagSalesDetail there;
        s = file.Get(B_GET_EQUAL, key, there);
        if (s.Ok())
            continue;   // copied by an earlier run
        if (!s.Is(B_KEY_NOT_FOUND))
            break;
        s = file.Insert(line);
        if (s.Ok())
            ++*copied;
    }
    if (!s.Ok() && !s.Is(B_KEY_NOT_FOUND)) {
        s.Report();
        const std::string cause = "The register lines of the sale cannot be copied from " + path + ".";
        ShowPostingFatalError(Invoice(sale).c_str(), cause.c_str(), 0);
        return false;
    }
    return true;
}

}  // namespace bwps1::posting
