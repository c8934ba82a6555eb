// The mail merges: the customers (or vendors) of the data folder, one or
// all, as a CSV data source with a header row, and the letter merged with
// each of them as one .odt document. Both go into MAILMERGE/ of the data
// folder; the letter is CUSTMERG.TXT or VENDMERG.TXT there, taken from the
// sample of the base folder when the data folder has none yet. Fields of
// the letter are written {Code}, {Name}, {Address1}, {Address2}, {City},
// {State}, {Zip}, {Phone}.
#include <zip.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/records/masters.h"
#include "bwps/table.h"
#include "office_automation.h"
#include "xlsx_book.h"

namespace fs = std::filesystem;

namespace {

const char* const kFields[] = {"Code", "Name", "Address1", "Address2", "City", "State", "Zip", "Phone"};

std::string Text(const char* field, size_t size)
{
    std::string s(field, strnlen(field, size));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    const size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? "" : bwxlsx::Utf8FromAnsi(s.substr(first));
}

std::vector<std::string> Values(const CustomerRecord& c)
{
    return {Text(c.Code, sizeof c.Code),       Text(c.Name, sizeof c.Name),   Text(c.Address1, sizeof c.Address1),
            Text(c.Address2, sizeof c.Address2), Text(c.City, sizeof c.City), Text(c.State, sizeof c.State),
            Text(c.Zip, sizeof c.Zip),          Text(c.Phone[0], sizeof c.Phone[0])};
}

std::string Csv(const std::string& value)
{
    if (value.find_first_of(",\"\r\n") == std::string::npos)
        return value;
    std::string out = "\"";
    for (char c : value)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string Xml(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Merged(std::string letter, const std::vector<std::string>& values)
{
    for (size_t i = 0; i < values.size(); ++i) {
        const std::string mark = std::string("{") + kFields[i] + "}";
        for (size_t at = letter.find(mark); at != std::string::npos; at = letter.find(mark, at + values[i].size()))
            letter.replace(at, mark.size(), values[i]);
    }
    return letter;
}

bool AddText(zip_t* z, const char* name, const std::string& text, bool stored)
{
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy == nullptr)
        return false;
    std::memcpy(copy, text.data(), text.size());
    zip_source_t* source = zip_source_buffer(z, copy, text.size(), 1);
    if (source == nullptr) {
        std::free(copy);
        return false;
    }
    const zip_int64_t index = zip_file_add(z, name, source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    return !stored || zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0) == 0;
}

bool WriteOdt(const fs::path& path, const std::vector<std::string>& letters)
{
    const fs::path aside = path.string() + ".part";
    std::error_code ec;
    fs::remove(aside, ec);
    int error = 0;
    zip_t* z = zip_open(aside.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (z == nullptr)
        return false;
    std::string content =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
        "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" office:version=\"1.2\">\n"
        "<office:automatic-styles><style:style style:name=\"Break\" style:family=\"paragraph\">"
        "<style:paragraph-properties fo:break-before=\"page\"/></style:style></office:automatic-styles>\n"
        "<office:body><office:text>\n";
    for (size_t i = 0; i < letters.size(); ++i) {
        std::istringstream in(letters[i]);
        bool first = true;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            content += first && i > 0 ? "<text:p text:style-name=\"Break\">" : "<text:p>";
            content += Xml(line) + "</text:p>\n";
            first = false;
        }
    }
    content += "</office:text></office:body></office:document-content>\n";
    const std::string manifest =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
        "manifest:version=\"1.2\">\n"
        " <manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"application/vnd.oasis.opendocument.text\"/>\n"
        " <manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>\n"
        "</manifest:manifest>\n";
    bool ok = AddText(z, "mimetype", "application/vnd.oasis.opendocument.text", true) &&
              AddText(z, "META-INF/manifest.xml", manifest, false) && AddText(z, "content.xml", content, false);
    if (!ok) {
        zip_discard(z);
        fs::remove(aside, ec);
        return false;
    }
    if (zip_close(z) != 0) {
        zip_discard(z);
        fs::remove(aside, ec);
        return false;
    }
    fs::rename(aside, path, ec);
    if (ec) {
        fs::remove(aside, ec);
        return false;
    }
    return true;
}

int Merge(MailMergeRequest* request, bwps::FileNo file, const char* letterName, const char* baseName)
{
    if (request == nullptr)
        return -1;
    if (request->probe == 1)
        return 1;
    const std::string dataFolder(request->dataFolder, strnlen(request->dataFolder, sizeof request->dataFolder));
    const fs::path folder = fs::path(dataFolder) / "MAILMERGE";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        return -1;
    const fs::path letterPath = folder / letterName;
    if (!fs::exists(letterPath)) {
        const char* base = GetBasePath();
        const fs::path sample = fs::path(base != nullptr ? base : "") / "MAILMERGE" / letterName;
        fs::copy_file(sample, letterPath, ec);
        if (ec)
            std::ofstream(letterPath) << "{Name}\n{Address1}\n{City} {State} {Zip}\n\nDear {Name},\n";
    }
    std::stringstream letter;
    letter << std::ifstream(letterPath, std::ios::binary).rdbuf();
    const std::string wanted = Text(request->code, sizeof request->code);

    bwps::Table table;
    const char* name = GetDataFileName(bwps::No(file));
    const std::string path = dataFolder + (dataFolder.empty() || dataFolder.back() == '/' ? "" : "/") +
                             (name != nullptr ? name : "");
    if (!table.OpenPath(file, path.c_str()).Ok())
        return -1;
    std::string csv;
    for (size_t i = 0; i < std::size(kFields); ++i)
        csv += std::string(i == 0 ? "" : ",") + kFields[i];
    csv += "\r\n";
    std::vector<std::string> letters;
    bwps::KeyBuffer key;
    CustomerRecord record{};
    for (bwps::Status s = table.Get(B_GET_FIRST, key, record); s.Ok(); s = table.Get(B_GET_NEXT, key, record)) {
        const std::vector<std::string> values = Values(record);
        if (!wanted.empty() && values[0] != wanted)
            continue;
        for (size_t i = 0; i < values.size(); ++i)
            csv += (i == 0 ? "" : ",") + Csv(values[i]);
        csv += "\r\n";
        letters.push_back(Merged(letter.str(), values));
    }
    const fs::path csvPath = folder / (std::string(baseName) + ".CSV");
    const fs::path odtPath = folder / (std::string(baseName) + ".odt");
    {
        const fs::path aside = csvPath.string() + ".part";
        std::ofstream out(aside, std::ios::binary | std::ios::trunc);
        out << csv;
        out.close();
        if (!out || (fs::rename(aside, csvPath, ec), ec)) {
            fs::remove(aside, ec);
            return -1;
        }
    }
    if (!WriteOdt(odtPath, letters))
        return -1;
    std::snprintf(request->written, sizeof request->written, "%s\n%s", csvPath.c_str(), odtPath.c_str());
    request->answer = static_cast<uint32_t>(letters.size());
    return static_cast<int>(letters.size());
}

}  // namespace

extern "C" {

OFFICE_API int CustomerMailMerge(MailMergeRequest* request)
{
    return Merge(request, bwps::FileNo::Customers, "CUSTMERG.TXT", "CUSTMERG");
}

OFFICE_API int VendorMailMerge(MailMergeRequest* request)
{
    return Merge(request, bwps::FileNo::Vendors, "VENDMERG.TXT", "VENDMERG");
}

}  // extern "C"
