// The files of the business alerts: their layouts and keys, work files,
// the alert add with its "stricter rule" take-over, the e-mail queue with
// its outbox of .eml files, and the preferences file.
#include "bwps/alerts.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fx.h"
#include "recman.h"

namespace {

constexpr int kSegmentSize = 16;

// One key segment: position from 0, length, flags, type.
struct Segment {
    int position;
    int length;
    int flags;
    int type;  // KT_*; -1 a plain string
};

void PutU16(uint8_t* at, int value)
{
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

// Fills the file specification and the key segments. A key's segments
// follow one another; every segment but a key's last carries KF_SEGMENTED.
void FillSpec(uint8_t* fileSpec, uint8_t* keySpecs, int recordLength, int keys, int fileFlags,
              const std::vector<std::vector<Segment>>& segments)
{
    if (fileSpec != nullptr) {
        std::memset(fileSpec, 0, kSegmentSize);
        PutU16(fileSpec, recordLength);
        PutU16(fileSpec + 2, ALERT_PAGE_SIZE);
        fileSpec[4] = static_cast<uint8_t>(keys);
        PutU16(fileSpec + 10, fileFlags);
    }
    if (keySpecs == nullptr)
        return;
    uint8_t* at = keySpecs;
    for (const std::vector<Segment>& key : segments) {
        for (size_t i = 0; i < key.size(); ++i, at += kSegmentSize) {
            std::memset(at, 0, kSegmentSize);
            const Segment& s = key[i];
            int flags = s.flags;
            if (i + 1 < key.size())
                flags |= KF_SEGMENTED;
            if (s.type >= 0)
                flags |= KF_EXTENDED;
            PutU16(at, s.position + 1);
            PutU16(at + 2, s.length);
            PutU16(at + 4, flags);
            at[10] = static_cast<uint8_t>(s.type >= 0 ? s.type : KT_STRING);
        }
    }
}

constexpr int kDupMod = KF_DUPLICATES | KF_MODIFIABLE;

const std::vector<std::vector<Segment>>& AlertKeys()
{
    static const std::vector<std::vector<Segment>> keys = {
        {{0, 4, 0, KT_AUTOINC}},
        {{260, 2, KF_MODIFIABLE, -1}, {264, ALERT_SUBJECT_KEY_SIZE, KF_MODIFIABLE, -1}},
        {{4, ALERT_TEXT_SIZE, kDupMod, KT_ZSTRING}},
        {{261, 1, kDupMod, -1}},
        {{261, 1, kDupMod, -1}, {264, 11, kDupMod, -1}},
        {{261, 1, kDupMod, -1}, {264, 11, kDupMod, -1}},
        {{261, 1, kDupMod, -1}, {264, 11, kDupMod, -1}},
        {{261, 1, kDupMod, -1}, {264, 15, kDupMod, -1}},
        {{261, 1, kDupMod, -1}, {264, 11, kDupMod, -1}},
    };
    return keys;
}

const std::vector<std::vector<Segment>>& RuleKeys()
{
    static const std::vector<std::vector<Segment>> keys = {
        {{0, ALERT_TEXT_SIZE, KF_MODIFIABLE | KF_NO_CASE, KT_ZSTRING}},
        {{132, 4, 0, KT_AUTOINC}},
    };
    return keys;
}

const std::vector<std::vector<Segment>>& HistoryKeys()
{
    static const std::vector<std::vector<Segment>> keys = {
        {{0, 4, KF_DUPLICATES | KF_MODIFIABLE, KT_INTEGER}},
        {{4, 4, 0, KT_AUTOINC}},
        {{0, 4, KF_MODIFIABLE, KT_INTEGER}, {4, 4, KF_MODIFIABLE, KT_INTEGER}},
    };
    return keys;
}

const std::vector<std::vector<Segment>>& EmailKeys()
{
    static const std::vector<std::vector<Segment>> keys = {
        {{0, ALERT_TEXT_SIZE, KF_MODIFIABLE | KF_NO_CASE, KT_ZSTRING}},
        {{128, 4, 0, KT_AUTOINC}},
    };
    return keys;
}

void CopyName(char* buffer, int size, const char* name)
{
    if (buffer != nullptr && size > 0)
        std::snprintf(buffer, static_cast<size_t>(size), "%s", name);
}

std::string Folder(const char* folder)
{
    std::string f = folder != nullptr ? folder : "";
    if (!f.empty() && f.back() != '/')
        f += '/';
    return f;
}

// Writes the bytes beside the path and renames them into place.
bool WriteAside(const std::string& path, const std::string& bytes)
{
    std::string temporary = path + ".XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return false;
    bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ok = ::fchmod(fd, 0644) == 0 && ok;
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(name.data(), path.c_str()) == 0)
        return true;
    ::unlink(name.data());
    return false;
}

}  // namespace

// ---------------------------------------------------------------- objects

AlertObject::~AlertObject() = default;

AlertDbFile::AlertDbFile() = default;

AlertDbFile::~AlertDbFile()
{
    Close();
    if (workPath_[0] != '\0')
        ::unlink(workPath_);
}

void AlertDbFile::GetFileSpec(uint8_t* fileSpec, uint8_t* keySpecs) const
{
    if (fileSpec != nullptr)
        std::memset(fileSpec, 0, kSegmentSize);
    (void)keySpecs;
}

void AlertDbFile::GetFileName(char* buffer, int size) const
{
    CopyName(buffer, size, "");
}

std::string AlertDbFile::Path(const char* folder) const
{
    char name[64] = {};
    GetFileName(name, sizeof name);
    return Folder(folder) + name;
}

int AlertDbFile::Create(const char* folder)
{
    const std::string path = Path(folder);
    struct stat st{};
    if (::lstat(path.c_str(), &st) == 0)
        return 0;
    uint8_t spec[kSegmentSize] = {};
    uint8_t keys[RECMAN_MAX_SEGMENTS * kSegmentSize] = {};
    GetFileSpec(spec, keys);
    return BtrCreateFile(path.c_str(), spec, keys);
}

int AlertDbFile::Open(const char* folder, int mode)
{
    Close();
    const std::string path = Path(folder);
    uint16_t handle = 0;
    const int status = BtrOpenFile(&handle, path.c_str(), mode, 0);
    if (status != 0)
        return status;
    handle_ = handle;
    owned_ = true;
    return 0;
}

void AlertDbFile::Attach(uint16_t handle)
{
    Close();
    handle_ = handle;
    owned_ = false;
}

void AlertDbFile::Close()
{
    if (owned_ && handle_ != 0)
        BtrCloseFile(handle_);
    handle_ = 0;
    owned_ = false;
}

int AlertDbFile::CreateWorkFile(const char* folder)
{
    Close();
    uint8_t spec[kSegmentSize] = {};
    uint8_t keys[RECMAN_MAX_SEGMENTS * kSegmentSize] = {};
    GetFileSpec(spec, keys);
    int status = B_INVALID_FILE_NAME;
    char path[ALERT_PATH_SIZE] = {};
    for (int i = 1; i <= ALERT_WORK_FILE_TRIES; ++i) {
        std::snprintf(path, sizeof path, "%s%s.%03d", Folder(folder).c_str(), "alerts", i);
        ::unlink(path);
        status = BtrCreateFile(path, spec, keys);
        if (status == 0)
            break;
    }
    if (status != 0)
        return status;
    std::snprintf(workPath_, sizeof workPath_, "%s", path);
    uint16_t handle = 0;
    status = BtrOpenFile(&handle, path, ALERT_WORK_OPEN_MODE, 0);
    if (status != 0)
        return status;
    handle_ = handle;
    owned_ = true;
    return 0;
}

// ---------------------------------------------------------------- the alert file

void AlertFile::GetFileSpec(uint8_t* fileSpec, uint8_t* keySpecs) const
{
    FillSpec(fileSpec, keySpecs, ALERT_RECORD_SIZE, static_cast<int>(AlertKeys().size()), 0, AlertKeys());
}

void AlertFile::GetFileName(char* buffer, int size) const
{
    CopyName(buffer, size, "BWBCALRT.DB");
}

int AlertFile::Add(AlertRecord& alert)
{
    alert.AlertId = 0;
    char key[ALERT_KEY_BUFFER] = {};
    int status = BtrWrite(B_INSERT, handle_, key, &alert, static_cast<int>(sizeof alert));
    if (status != B_DUPLICATE_KEY)
        return status;
    // The subject has an alert of this condition: read it by key 1.
    AlertFilePosition keep(handle_);
    status = BtrSetDefaults(handle_, 1, -1);
    if (status != 0)
        return status;
    std::memset(key, 0, sizeof key);
    std::memcpy(key, &alert.Condition, 2);
    std::memcpy(key + 2, alert.SubjectKey, sizeof alert.SubjectKey);
    AlertRecord& stored = record;
    std::memset(&stored, 0, sizeof stored);
    status = BtrGet(B_GET_EQUAL, handle_, key, &stored, static_cast<int>(sizeof stored));
    if (status != 0)
        return status;
    double mine = 0, theirs = 0;
    const bool mineKnown = bwps::alerts::ThresholdValue(alert.Threshold, mine);
    const bool theirsKnown = bwps::alerts::ThresholdValue(stored.Threshold, theirs);
    if (stored.Condition == alert.Condition && mineKnown &&
        (!theirsKnown || bwps::alerts::Stricter(alert.Condition, mine, theirs))) {
        std::memcpy(stored.RuleName, alert.RuleName, sizeof stored.RuleName);
        std::memcpy(stored.Threshold, alert.Threshold, sizeof stored.Threshold);
    }
    if (strncmp(stored.RuleName, alert.RuleName, sizeof stored.RuleName) != 0)
        return 0;  // another rule with a stricter threshold keeps its alert
    std::memcpy(stored.Subject, alert.Subject, sizeof stored.Subject);
    stored.Value332 = alert.Value332;
    return BtrWrite(B_UPDATE, handle_, key, &stored, static_cast<int>(sizeof stored));
}

// ---------------------------------------------------------------- history, rules

void AlertHistoryFile::GetFileSpec(uint8_t* fileSpec, uint8_t* keySpecs) const
{
    FillSpec(fileSpec, keySpecs, ALERT_HISTORY_SIZE, static_cast<int>(HistoryKeys().size()), 0, HistoryKeys());
}

void AlertHistoryFile::GetFileName(char* buffer, int size) const
{
    CopyName(buffer, size, "BWBCAHST.DB");
}

void AlertRuleFile::GetFileSpec(uint8_t* fileSpec, uint8_t* keySpecs) const
{
    FillSpec(fileSpec, keySpecs, ALERT_RULE_SIZE, static_cast<int>(RuleKeys().size()), 0, RuleKeys());
}

void AlertRuleFile::GetFileName(char* buffer, int size) const
{
    CopyName(buffer, size, "BWBCARUL.DB");
}

// ---------------------------------------------------------------- e-mail

void AlertEmailFile::GetFileSpec(uint8_t* fileSpec, uint8_t* keySpecs) const
{
    FillSpec(fileSpec, keySpecs, ALERT_EMAIL_FIXED_SIZE, static_cast<int>(EmailKeys().size()), FF_VARIABLE,
             EmailKeys());
}

void AlertEmailFile::GetFileName(char* buffer, int size) const
{
    CopyName(buffer, size, "BWBCAEML.DB");
}

namespace {

struct TextField {
    const char* text;
    size_t size;
};

std::vector<TextField> MessageTexts(const AlertEmailMessage& m)
{
    return {{m.From, sizeof m.From}, {m.To, sizeof m.To}, {m.Cc, sizeof m.Cc},
            {m.Bcc, sizeof m.Bcc},   {m.Subject, sizeof m.Subject}, {m.Body, sizeof m.Body}};
}

std::string Field(const char* text, size_t size)
{
    return std::string(text, strnlen(text, size));
}

// A header value on one line: line ends and other control characters
// become blanks, so that no value can add a header of its own.
std::string HeaderValue(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 32 || c == 127)
            c = ' ';
    return out;
}

std::string OutboxName(const char* name)
{
    std::string out;
    for (const char* p = name; *p != '\0' && out.size() < 100; ++p) {
        // names ignore case: so do the file names of their messages
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || (c == '.' && !out.empty());
        out += plain ? c : '_';
    }
    if (out.empty())
        out = "message";
    return out + ".eml";
}

}  // namespace

int AlertEmailFile::Pack(const AlertEmailMessage& message, AlertEmailRecord& out)
{
    std::memset(&out, 0, sizeof out);
    std::memcpy(out.Name, message.Name, sizeof out.Name);
    out.Name[sizeof out.Name - 1] = '\0';
    out.Flag1 = message.Flag1;
    out.Flag2 = message.Flag2;
    size_t at = 0;
    int i = 0;
    for (const TextField& t : MessageTexts(message)) {
        const size_t length = strnlen(t.text, t.size - 1);
        if (at + length + 1 > sizeof out.Texts)
            return 0;
        out.TextOffsets[i++] = static_cast<uint16_t>(at);
        std::memcpy(out.Texts + at, t.text, length);
        at += length + 1;
    }
    out.TextsLength = static_cast<uint16_t>(at);
    return static_cast<int>(ALERT_EMAIL_FIXED_SIZE + at);
}

bool AlertEmailFile::Unpack(const AlertEmailRecord& in, int length, AlertEmailMessage& message)
{
    std::memset(&message, 0, sizeof message);
    if (length < ALERT_EMAIL_FIXED_SIZE || length > ALERT_EMAIL_BUFFER_SIZE ||
        in.TextsLength > length - ALERT_EMAIL_FIXED_SIZE)
        return false;
    std::memcpy(message.Name, in.Name, sizeof message.Name);
    message.Name[sizeof message.Name - 1] = '\0';
    message.Flag1 = in.Flag1;
    message.Flag2 = in.Flag2;
    char* targets[] = {message.From, message.To, message.Cc, message.Bcc, message.Subject, message.Body};
    const size_t sizes[] = {sizeof message.From, sizeof message.To,      sizeof message.Cc,
                            sizeof message.Bcc,  sizeof message.Subject, sizeof message.Body};
    for (int i = 0; i < ALERT_EMAIL_TEXTS; ++i) {
        const size_t at = in.TextOffsets[i];
        if (at >= in.TextsLength)
            return false;
        const size_t n = strnlen(in.Texts + at, in.TextsLength - at);
        if (at + n >= in.TextsLength)
            return false;  // not terminated inside the texts
        std::memcpy(targets[i], in.Texts + at, std::min(n, sizes[i] - 1));
    }
    return true;
}

int AlertEmailFile::Save(const AlertEmailMessage& message, const char* folder)
{
    AlertEmailRecord packed;
    const int length = Pack(message, packed);
    if (length == 0)
        return -1;
    AlertFilePosition keep(handle_);
    int status = BtrSetDefaults(handle_, 0, -1);
    if (status != 0)
        return status;
    char key[ALERT_KEY_BUFFER] = {};
    std::memcpy(key, packed.Name, sizeof packed.Name);
    status = BtrGet(B_GET_EQUAL, handle_, key, &record, static_cast<int>(sizeof record));
    if (status == 0) {
        packed.Id = record.Id;
        status = BtrWrite(B_UPDATE, handle_, key, &packed, length);
    } else if (status == B_KEY_NOT_FOUND) {
        packed.Id = 0;
        status = BtrWrite(B_INSERT, handle_, key, &packed, length);
    }
    if (status != 0)
        return status;
    record = packed;
    const std::string outbox = Folder(folder) + "OUTBOX";
    ::mkdir(outbox.c_str(), 0755);
    if (!WriteAside(outbox + "/" + OutboxName(packed.Name), bwps::alerts::EmlText(message)))
        return -2;
    return 0;
}

int AlertEmailFile::Delete(const char* name, const char* folder)
{
    if (name == nullptr)
        return 0;
    AlertFilePosition keep(handle_);
    int status = BtrSetDefaults(handle_, 0, -1);
    if (status != 0)
        return status;
    char key[ALERT_KEY_BUFFER] = {};
    std::snprintf(key, ALERT_TEXT_SIZE, "%s", name);
    status = BtrGet(B_GET_EQUAL, handle_, key, &record, static_cast<int>(sizeof record));
    if (status == B_KEY_NOT_FOUND)
        status = 0;
    else if (status == 0)
        status = BtrWrite(B_DELETE, handle_, key, &record, static_cast<int>(sizeof record));
    if (status == 0)
        ::unlink((Folder(folder) + "OUTBOX/" + OutboxName(key)).c_str());
    return status;
}

// ---------------------------------------------------------------- preferences

AlertPrefsFile::AlertPrefsFile(const char* folder)
{
    std::snprintf(folder_, sizeof folder_, "%s", folder != nullptr ? folder : "");
}

AlertPrefsFile::~AlertPrefsFile()
{
    if (handle_ >= 0)
        ::close(handle_);
}

bool AlertPrefsFile::Read(uint8_t* out)
{
    std::memset(out, 0, ALERT_PREFS_SIZE);
    const std::string path = Folder(folder_) + "BWBCAPRF.DB";
    handle_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle_ < 0)
        return errno == ENOENT;
    const ssize_t n = ::read(handle_, out, ALERT_PREFS_SIZE);
    ::close(handle_);
    handle_ = -1;
    return n >= 0;
}

bool AlertPrefsFile::Write(const uint8_t* in)
{
    return WriteAside(Folder(folder_) + "BWBCAPRF.DB", std::string(reinterpret_cast<const char*>(in), ALERT_PREFS_SIZE));
}

// ---------------------------------------------------------------- positions

AlertFilePosition::AlertFilePosition(uint16_t handle) : handle_(handle)
{
    int second = 0;
    if (handle_ == 0 || BtrGetDefaults(handle_, &key_, &second) != 0)
        return;
    uint8_t buffer[4] = {};
    if (BtrGet(B_GET_POSITION, handle_, nullptr, buffer, 4) == 0) {
        std::memcpy(&position_, buffer, 4);
        valid_ = true;
    }
}

AlertFilePosition::~AlertFilePosition()
{
    if (handle_ == 0)
        return;
    BtrSetDefaults(handle_, key_, -1);
    if (!valid_)
        return;
    uint8_t buffer[8] = {};
    std::memcpy(buffer, &position_, 4);
    char key[ALERT_KEY_BUFFER] = {};
    BtrGet(B_GET_DIRECT, handle_, key, buffer, 4);
}

// ---------------------------------------------------------------- helpers

namespace bwps::alerts {

bool ThresholdValue(const char* text, double& value)
{
    value = 0;
    if (text == nullptr)
        return true;
    std::string t(text, strnlen(text, ALERT_TEXT_SIZE + 1));
    const size_t b = t.find_first_not_of(' ');
    if (b == std::string::npos)
        return true;  // no threshold: 0
    const size_t e = t.find_last_not_of(' ');
    t = t.substr(b, e - b + 1);
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || *end != '\0' || errno == ERANGE || !std::isfinite(v))
        return false;
    value = v < 0 ? 0 : v;
    return true;
}

bool Stricter(uint32_t condition, double candidate, double stored)
{
    switch (condition) {
    case 0x10102:
    case 0x20508:
    case 0x40206:
    case ALERT_LAYAWAY_DUE:
    case ALERT_PRODUCT_DATE_RECENT: return candidate < stored;
    default: return candidate > stored;
    }
}

std::string EmlText(const AlertEmailMessage& m)
{
    std::string out;
    auto header = [&out](const char* name, const std::string& value, bool always) {
        if (value.empty() && !always)
            return;
        out += std::string(name) + ": " + HeaderValue(value) + "\r\n";
    };
    header("From", Field(m.From, sizeof m.From), false);
    header("To", Field(m.To, sizeof m.To), true);
    header("Cc", Field(m.Cc, sizeof m.Cc), false);
    header("Bcc", Field(m.Bcc, sizeof m.Bcc), false);
    header("Subject", Field(m.Subject, sizeof m.Subject), true);
    out += "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";
    const std::string body = Field(m.Body, sizeof m.Body);
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\r')
            continue;
        if (body[i] == '\n')
            out += "\r\n";
        else
            out += body[i];
    }
    if (!body.empty() && body.back() != '\n')
        out += "\r\n";
    return out;
}

}  // namespace bwps::alerts

extern "C" {

BWPS_EXPORT int AlertFilesCreate(const char* folder)
{
    AlertRuleFile rules;
    AlertFile alerts;
    AlertHistoryFile history;
    AlertEmailFile email;
    AlertDbFile* files[] = {&rules, &alerts, &history, &email};
    for (AlertDbFile* f : files)
        if (const int status = f->Create(folder); status != 0)
            return status;
    return 0;
}

}  // extern "C"
