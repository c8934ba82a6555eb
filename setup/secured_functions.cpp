// The list of secured functions: BPOSGEN2.DB rebuilt from the text list
// "security/function.dat" (name, number, menu symbol, five numbers a line),
// the menu symbols resolved through "inc/posmenu.h", and the header
// "security/function.h" with one constant per function written beside it.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/table.h"
#include "bwps/user_rights.h"
#include "bwps/users.h"
#include "fx.h"
#include "recman.h"

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

namespace {

constexpr const char* kListPath = "security/function.dat";
constexpr const char* kHeaderPath = "security/function.h";
constexpr const char* kHeaderWorkPath = "security/function.h.new";
constexpr const char* kMenuHeaderPath = "inc/posmenu.h";
constexpr int kMemoryMessage = 1;
constexpr int kFileMessage = 1475;
constexpr int kListFields = 8;

std::string Trim(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool SameIgnoringCase(const std::string& a, const std::string& b, std::size_t length)
{
    if (a.size() < length || b.size() < length)
        return false;
    for (std::size_t i = 0; i < length; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A decimal number filling the whole text; false for anything else.
bool ParseNumber(const std::string& text, long& value)
{
    const std::string t = Trim(text);
    if (t.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtol(t.c_str(), &end, 10);
    return errno == 0 && end != nullptr && *end == '\0';
}

int16_t Clamp16(long value)
{
    if (value > INT16_MAX)
        return INT16_MAX;
    if (value < INT16_MIN)
        return INT16_MIN;
    return static_cast<int16_t>(value);
}

// Reads one line of at most SECURED_FUNCTION_LINE_SIZE - 1 characters. A
// longer line is read to its end and marked overlong, so that its tail is
// never taken for a line of its own. False at the end of the file.
bool ReadLine(std::FILE* file, char* buffer, bool& overlong)
{
    overlong = false;
    if (std::fgets(buffer, SECURED_FUNCTION_LINE_SIZE, file) == nullptr)
        return false;
    const std::size_t n = std::strlen(buffer);
    if (n > 0 && buffer[n - 1] == '\n')
        return true;
    if (std::feof(file))
        return true;
    overlong = true;
    for (int c = std::fgetc(file); c != EOF && c != '\n'; c = std::fgetc(file)) {
    }
    return true;
}

// The "#define" lines of the menu header, read once.
class MenuHeader {
public:
    // False (after message 1475) when the header cannot be read.
    bool Load()
    {
        if (loaded_)
            return readable_;
        loaded_ = true;
        std::FILE* file = std::fopen(kMenuHeaderPath, "r");
        if (file == nullptr) {
            ShowMessage(kFileMessage, MESSAGE_DEFAULT_CONTEXT);
            return false;
        }
        readable_ = true;
        std::unique_ptr<char[]> line(new char[SECURED_FUNCTION_LINE_SIZE]);
        bool overlong = false;
        while (ReadLine(file, line.get(), overlong)) {
            if (overlong)
                continue;
            const char* p = line.get();
            while (*p == ' ' || *p == '\t')
                ++p;
            if (std::strncmp(p, "#define", 7) != 0)
                continue;
            p += 7;
            while (*p == ' ' || *p == '\t')
                ++p;
            const char* nameEnd = p;
            while (*nameEnd != '\0' && *nameEnd != ' ' && *nameEnd != '\t' && *nameEnd != '\n' &&
                   *nameEnd != '\r')
                ++nameEnd;
            Define define;
            define.name.assign(p, nameEnd);
            if (define.name.empty())
                continue;
            define.value = std::atoi(Trim(nameEnd).c_str());
            defines_.push_back(define);
        }
        std::fclose(file);
        return true;
    }

    int Resolve(const char* symbol)
    {
        const std::string wanted = Trim(symbol != nullptr ? symbol : "");
        if (wanted.empty() || wanted[0] == '0' || !Load())
            return 0;
        const Define* firstBeginning = nullptr;
        for (const Define& d : defines_) {
            if (!SameIgnoringCase(d.name, wanted, wanted.size()))
                continue;
            if (d.name.size() == wanted.size())
                return d.value;
            if (firstBeginning == nullptr)
                firstBeginning = &d;
        }
        return firstBeginning != nullptr ? firstBeginning->value : 0;
    }

private:
    struct Define {
        std::string name;
        int value = 0;
    };
    bool loaded_ = false;
    bool readable_ = false;
    std::vector<Define> defines_;
};

enum class LineKind { Blank, Function, Marker, End, Malformed };

// Splits one line of the list into a record.
LineKind ParseLine(const char* line, MenuHeader& menus, SecuredFunctionRecord& record)
{
    std::memset(&record, 0, sizeof record);
    if (Trim(line).empty())
        return LineKind::Blank;
    std::vector<std::string> fields;
    std::string current;
    for (const char* p = line; *p != '\0' && *p != '\n'; ++p) {
        if (*p == ',') {
            fields.push_back(current);
            current.clear();
        } else {
            current += *p;
        }
    }
    fields.push_back(current);
    fields.resize(std::max<std::size_t>(fields.size(), kListFields));

    const std::string name = Trim(fields[0]);
    std::string upper = name;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "{END}")
        return LineKind::End;
    const bool marker = upper == "{START}";
    if (marker)
        return LineKind::Marker;

    long number = 0;
    if (!ParseNumber(fields[1], number) || number < INT16_MIN || number > INT16_MAX)
        return LineKind::Malformed;
    record.Right = static_cast<int16_t>(number);
    record.FlagIndex = static_cast<int16_t>(number > 1 ? std::min<long>(number - 1, INT16_MAX) : 0);
    std::memset(record.Name, ' ', SECURED_FUNCTION_NAME_WIDTH);
    std::memcpy(record.Name, name.data(), std::min<std::size_t>(name.size(), SECURED_FUNCTION_NAME_WIDTH));
    record.Name[SECURED_FUNCTION_NAME_WIDTH] = '\0';
    record.Command = Clamp16(menus.Resolve(Trim(fields[2]).c_str()));
    for (int i = 0; i < 5; ++i) {
        long value = 0;
        record.Numbers[i] = ParseNumber(fields[3 + i], value) ? Clamp16(value) : int16_t{0};
    }
    if (name.empty() || number > USER_RIGHT_COUNT)
        return LineKind::Malformed;
    return LineKind::Function;
}

struct TextFiles {
    std::FILE* list = nullptr;
    std::FILE* header = nullptr;
    ~TextFiles()
    {
        if (list != nullptr)
            std::fclose(list);
        if (header != nullptr) {
            std::fclose(header);
            std::remove(kHeaderWorkPath);
        }
    }
    // Puts the header written in place of the old one.
    void FinishHeader()
    {
        if (header == nullptr)
            return;
        std::fclose(header);
        header = nullptr;
        std::rename(kHeaderWorkPath, kHeaderPath);
    }
};

}  // namespace

extern "C" {

BWPS_EXPORT int ResolveMenuSymbol(const char* symbol)
{
    MenuHeader menus;
    return menus.Resolve(symbol);
}

BWPS_EXPORT void WriteSecuredFunctionDefine(char* out, const SecuredFunctionRecord* record)
{
    if (out == nullptr)
        return;
    out[0] = '\0';
    if (record == nullptr)
        return;
    std::string name = Trim(std::string(record->Name, strnlen(record->Name, sizeof record->Name)));
    for (char& c : name) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (c == ' ' || c == '(' || c == ')' || c == '.' || c == '\'')
            c = '_';
    }
    std::snprintf(out, 128, "%s%-40s    %d\n", "#define  _SEC_", name.c_str(), record->Right);
}

BWPS_EXPORT int LoadSecuredFunctions(void)
{
    std::unique_ptr<char[]> line(new (std::nothrow) char[SECURED_FUNCTION_LINE_SIZE]);
    if (!line) {
        ShowMessage(kMemoryMessage, MESSAGE_DEFAULT_CONTEXT);
        return -1;
    }
    // The list is opened first: without it the header of the last load
    // stays as it is.
    TextFiles text;
    text.list = std::fopen(kListPath, "r");
    if (text.list != nullptr)
        text.header = std::fopen(kHeaderWorkPath, "w");
    if (text.list == nullptr || text.header == nullptr) {
        ShowMessage(kFileMessage, MESSAGE_DEFAULT_CONTEXT);
        return -1;
    }

    Table keys;
    Status s = keys.Open(FileNo::KeyDefinitions);
    if (!s.Ok()) {
        s.Report();
        return s.status;
    }
    uint8_t spec[FILE_SPEC_SIZE] = {};
    const int created = CreateDataFile(bwps::No(FileNo::MenuRights), keys.Handle(), GetBasePath(), nullptr, spec);
    if (created != 0)
        return created;
    keys.Close();
    Table functions;
    s = functions.Open(FileNo::MenuRights);
    if (!s.Ok()) {
        s.Report();
        return s.status;
    }

    MenuHeader menus;
    int result = 0;
    bool overlong = false;
    while (ReadLine(text.list, line.get(), overlong)) {
        if (overlong)
            continue;
        SecuredFunctionRecord record;
        const LineKind kind = ParseLine(line.get(), menus, record);
        if (kind == LineKind::End)
            break;
        if (kind != LineKind::Function)
            continue;
        KeyBuffer key;
        s = functions.Insert(record, &key);
        if (!s.Ok()) {
            s.Report();
            result = 1;
            break;
        }
        char define[128];
        WriteSecuredFunctionDefine(define, &record);
        std::fputs(define, text.header);
    }
    text.FinishHeader();
    return result;
}

}  // extern "C"

BWPS_ORDINAL(592, LoadSecuredFunctions);
