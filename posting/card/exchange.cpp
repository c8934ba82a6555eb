// The exchange with the authorizer program: the request written into the
// authorizer folder, the wait for the answer file, the answer read back,
// the authorizer's parameter file, and the authorizer started when it does
// not run.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bwps/cards.h"
#include "bwps/messages.h"
#include "bwps/session.h"
#include "fx.h"
#include "posting/card/card_internal.h"

namespace bwps::card {

namespace {

constexpr int kDefaultTimeoutSeconds = 60;
constexpr int kStartWaitMs = 2000;
constexpr int kVoidAnswerWaitMs = 2000;
constexpr int kPollMs = 20;
constexpr int kAnswerBytes = 218;
constexpr const char* kProgramName = "bwpos-authorizer";
constexpr const char* kParameterFile = "ATOM.PRM";
constexpr const char* kWaitingScreen = "RSMsgWaitingCCardResponse";

int g_timeoutSeconds = kDefaultTimeoutSeconds;
// The last request sent and the exchange it went to: what a void repeats.
CardRequest g_lastRequest{};
int32_t g_lastSequence = -1;
std::string g_lastFolder;
FxStatus* g_waitStatus = nullptr;

using Clock = std::chrono::steady_clock;

// A text of at most size - 1 characters, commas turned into blanks: a
// comma would split the field in the request line.
template <std::size_t N>
void PutField(char (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    const std::size_t n = std::min(text.size(), N - 1);
    for (std::size_t i = 0; i < n; ++i)
        field[i] = text[i] == ',' ? ' ' : text[i];
}

// A context text with its trailing blanks removed.
std::string FolderOf(const CardContext& context)
{
    std::string folder = TextOf(context.Folder);
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

std::string ExchangeName(const CardContext& context, const char* extension)
{
    char name[40];
    std::snprintf(name, sizeof name, "AUTH%.4d.%s", static_cast<int>(context.Sequence),
                  extension);
    return name;
}

std::string RequestPath(const CardContext& c) { return FolderOf(c) + TextOf(c.RequestName); }
std::string AnswerPath(const CardContext& c) { return FolderOf(c) + TextOf(c.AnswerName); }

bool Exists(const std::string& path) { return FxFileAccess(path.c_str(), 0) == 0; }

char TransactionCode(const CardContext& context, int operation)
{
    if (context.TenderKind == CARD_TENDER_CHECK)
        return '7';
    if (context.TenderKind == CARD_TENDER_DEBIT)
        return '8';
    switch (operation) {
    case CARD_OP_VOICE: return '1';
    case CARD_OP_VOICE_SCREEN: return '2';
    case CARD_OP_CREDIT: return '0';
    default: return '5';
    }
}

// Writes the request line into "AUTHnnnn.TMP" (readable by its owner
// only) and renames it to the request name, so that the authorizer never
// sees half a request.
bool WriteRequestFile(const CardContext& context, const CardRequest& request)
{
    const std::string folder = FolderOf(context);
    const std::string temporary = folder + ExchangeName(context, "TMP");
    // Made new: whatever stands at the name (a link to another file) is
    // removed, never written through.
    ::unlink(temporary.c_str());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          0600);
    if (fd < 0) {
        ShowMessage(kCannotOpen, 1);
        return false;
    }
    bool written = ::fchmod(fd, 0600) == 0;
    const std::string line = RequestLine(request);
    const std::size_t size = line.size() + 1;  // with its terminating zero byte
    std::size_t done = 0;
    while (written && done < size) {
        const ssize_t n = ::write(fd, line.c_str() + done, size - done);
        if (n <= 0) {
            written = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
        written = false;
    if (!written || ::rename(temporary.c_str(), RequestPath(context).c_str()) != 0) {
        ::unlink(temporary.c_str());
        ShowMessage(kCannotWrite, 1);
        return false;
    }
    return true;
}

// The answer file's text (at most 218 bytes, up to a zero byte); false
// with message 647 or 651 when it cannot be opened or read.
bool ReadAnswerText(const CardContext& context, std::string& text)
{
    // A regular file only: a pipe or device at the name is never waited on,
    // and a link is not followed.
    const int fd = ::open(AnswerPath(context).c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        ShowMessage(kCannotRead, 1);
        return false;
    }
    if (fd < 0) {
        ShowMessage(kCannotOpen, 1);
        return false;
    }
    char buffer[kAnswerBytes + 1] = {};
    const ssize_t n = ::read(fd, buffer, kAnswerBytes);
    ::close(fd);
    if (n < 0) {
        ShowMessage(kCannotRead, 1);
        return false;
    }
    text.assign(buffer, ::strnlen(buffer, static_cast<std::size_t>(n)));
    return true;
}

std::vector<std::string> SplitFields(const std::string& text)
{
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string::npos ? std::string::npos
                                                                       : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return fields;
}

// Waits for the answer file until the deadline, reading keys between polls:
// true when it came, false when Esc abandoned the wait or time ran out.
bool WaitForAnswer(const CardContext& context, Clock::time_point deadline, bool readKeys)
{
    const std::string path = AnswerPath(context);
    for (;;) {
        if (Exists(path))
            return true;
        if (g_waitStatus != nullptr)
            FxStatusUpdate(g_waitStatus, 0);
        if (readKeys) {
            int32_t key[8] = {};
            if (FxKeyRead(key, 0, 1) != 0 && FxIsLeaveKey(key) != 0)
                return false;
        }
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
}

// A request that went out and was not answered (abandoned, timed out, the
// authorizer gone, an answer that cannot be read) is voided at once: the
// authorizer cancels it, and an approval that would come late is voided
// with it. The void's own answer is awaited briefly, so that the next send
// does not clear the exchange files before the authorizer took the void.
void VoidUnanswered(CardContext& context)
{
    CardContext copy = context;
    copy.Operation = CARD_OP_VOID;
    const std::string answer = AnswerPath(context);
    ::unlink(answer.c_str());
    if (CallSlot(&copy, kSend) == 0 || copy.LastOperation == CARD_OP_VOID)
        return;
    char work[260] = {};
    if (FxAuthorizerPrepare(work, FolderOf(context).c_str()) != 0 && FxAuthorizerRunning(work) == 0)
        WaitForAnswer(context, Clock::now() + std::chrono::milliseconds(kVoidAnswerWaitMs), false);
}

// The exchange of one register: held by one station from the clearing of
// the files to the end of the wait (a second station of the same register
// number is refused, not answered with the first one's approval).
class ExchangeLock {
public:
    explicit ExchangeLock(const CardContext& context)
    {
        const std::string path = FolderOf(context) + ExchangeName(context, "LCK");
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd_);
            fd_ = -1;
            busy_ = true;
        }
    }
    ~ExchangeLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ExchangeLock(const ExchangeLock&) = delete;
    ExchangeLock& operator=(const ExchangeLock&) = delete;
    // False when another station holds the exchange.
    bool Held() const { return !busy_; }

private:
    int fd_ = -1;
    bool busy_ = false;
};

}  // namespace

bool AnswerOfRequest(std::string& text, const CardRequest& request)
{
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    const std::vector<std::string> fields = SplitFields(line);
    const bool echoed = fields.size() >= 5;
    const bool same = echoed && fields[fields.size() - 2] == TextOf(request.Reference) &&
                      fields[fields.size() - 1] == TextOf(request.Amount);
    // An approval must name this request; a decline that names another is
    // refused too.
    const bool approval = !fields.empty() && fields[0] == "0";
    if ((approval && !same) || (echoed && !same)) {
        ShowMessage(kOtherRequest, 1);
        return false;
    }
    if (echoed) {
        std::string shown = fields[0] + "," + fields[1] + ",";
        for (std::size_t i = 2; i + 2 < fields.size(); ++i)
            shown += (i > 2 ? "," : "") + fields[i];
        text = shown;
    }
    return true;
}

int AnswerTimeoutMs() { return g_timeoutSeconds * 1000; }

bool FillRequest(CardContext& context, int operation, CardRequest& request)
{
    std::memset(&request, 0, sizeof request);
    const std::string invoice = TextOf(context.InvoiceNo);
    PutField(request.Reference, invoice.size() > 2 ? invoice.substr(2) : std::string());

    std::string data;
    char entry = 'M';
    char mode = '0';
    if (context.TenderKind == CARD_TENDER_CHECK) {
        data = Cleaned(context.BankLine);
        const std::string field = Cleaned(context.CheckField10);
        if (!field.empty()) {
            data.resize(15, ' ');  // a short bank line is padded, so the field keeps its place
            data += field;
        }
        mode = '3';
    } else if (context.EntryLetter != 0) {
        data = TextOf(context.Stripe);
        entry = 'S';
        mode = context.Track == 1 ? '1' : '2';
    } else {
        const std::string expiry = Cleaned(context.Expiry);
        const bool digits = expiry.size() == 4 &&
                            std::all_of(expiry.begin(), expiry.end(),
                                        [](char ch) { return std::isdigit(static_cast<unsigned char>(ch)); });
        if (!digits) {
            ShowMessage(kBadExpiry, 1);
            return false;
        }
        data = Cleaned(context.CardNumber) + "+" + expiry.substr(2, 2) + expiry.substr(0, 2);
    }

    if (!std::isfinite(context.Amount) || context.Amount < 0.0) {
        ShowMessage(kNotSupported, 1);
        return false;
    }
    char formatted[64] = {};
    FxFormatAmount(context.Amount, formatted, 2);
    std::string cents;
    for (const char* p = formatted; *p != '\0'; ++p)
        if (*p != '.')
            cents += *p;
    if (cents.empty() || cents.size() > sizeof request.Amount) {
        ShowMessage(kNotSupported, 1);  // does not fit the amount field
        return false;
    }
    std::memcpy(request.Amount, cents.data(), cents.size());

    PutField(request.CardData, data);
    request.Prefix = 'P';
    request.Letter = 'W';
    request.Code = TransactionCode(context, operation);
    request.EntryMode = mode;
    if (request.Code == '5' && context.AddressFlag != 0) {
        PutField(request.AddressText2, Cleaned(context.AddressText2));
        PutField(request.AddressText1, Cleaned(context.AddressText1));
    }
    if (operation == CARD_OP_VOICE || operation == CARD_OP_VOICE_SCREEN)
        PutField(request.ApprovalCode, Cleaned(context.Approval));

    PutField(context.CardData, TextOf(request.CardData));
    context.EntryMode = entry;
    PutField(context.AmountText, cents);
    return true;
}

std::string RequestLine(const CardRequest& r)
{
    std::string line;
    line += r.Letter;
    line += ',';
    line += r.Prefix;
    line += ',';
    line += r.Code;
    line += ',';
    line += r.EntryMode;
    for (const std::string& field :
         {TextOf(r.CardData), TextOf(r.Amount), TextOf(r.Empty101), TextOf(r.Empty141),
          TextOf(r.ApprovalCode), TextOf(r.Reference), TextOf(r.AddressText2),
          TextOf(r.AddressText1), TextOf(r.Empty157), TextOf(r.Empty226)})
        line += "," + field;
    return line;
}

bool TakeAnswer(CardContext& context, const char* text)
{
    std::string line = text != nullptr ? text : "";
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    const std::vector<std::string> fields = SplitFields(line);
    if (fields.size() < 2) {
        ShowMessage(kCannotRead, 1);
        return false;
    }
    const char letter = fields[0].empty() ? '\0' : fields[0][0];
    const std::string code = fields[1].substr(0, sizeof CardRequest{}.ApprovalCode - 1);
    // An approval carries its code: without one the answer cannot be read.
    if (letter == '0' && code.find_first_not_of(' ') == std::string::npos) {
        ShowMessage(kCannotRead, 1);
        return false;
    }
    const std::string answer = fields.size() > 2 ? fields[2] : std::string();
    context.AnswerLetter = letter;
    context.AnswerLetterCopy = letter;
    context.Result = CARD_RESULT_ANSWERED;
    PutField(context.AnswerText, answer);
    std::memset(context.Approval, 0, sizeof context.Approval);
    if (letter == '0') {
        context.ApprovalLetter = 'Y';
        PutField(context.Approval, code);
    } else {
        // '1' and '2' decline; so does any letter the authorizer should not
        // have sent, rather than leave an earlier approval standing.
        context.ApprovalLetter = 'N';
        const std::string shown = answer.empty() ? "Undefined." : TextOf(context.AnswerText);
        PutField(context.Approval, code + " " + shown);
    }
    return true;
}

char AddressResultLetter(const char* text)
{
    if (text == nullptr)
        return 0;
    const char* at = std::strstr(text, "AVS=");
    if (at == nullptr || at[4] == '\0')
        return 0;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(at[4])));
    return std::strchr("AWZNURESXY", letter) != nullptr ? letter : 0;
}

int AddressResultMessage(char letter)
{
    static constexpr const char* kLetters = "AWZNURESXY";
    const char* at = letter != 0 ? std::strchr(kLetters, letter) : nullptr;
    return at != nullptr ? 1638 + 2 * static_cast<int>(at - kLetters) : 1658;
}

int CheckAuthorizer(CardContext* context)
{
    const std::string folder = FolderOf(*context);
    char work[260] = {};
    context->Ready = 0;
    if (folder.empty() || FxAuthorizerPrepare(work, folder.c_str()) == 0)
        return 0;
    if (FxAuthorizerRunning(work) == 0) {
        context->Ready = 1;
        return 1;
    }
    // The folder's own program first, else the one beside the libraries.
    std::string program = folder + kProgramName;
    if (!Exists(program)) {
        std::string shipped = GetSessionPaths()->ProgramPath;
        if (!shipped.empty() && shipped.back() != '/')
            shipped += '/';
        program = shipped + kProgramName;
    }
    context->Ready = FxAuthorizerStart(work, program.c_str(), kStartWaitMs) == 0 ? 1 : 0;
    return context->Ready;
}

int ClearExchangeFiles(CardContext* context)
{
    for (const std::string& path : {RequestPath(*context), AnswerPath(*context)})
        if (Exists(path))
            ::unlink(path.c_str());
    context->Result = CARD_RESULT_CLEARED;
    return 1;
}

int BuildAndSendRequest(CardContext* context)
{
    const int operation = context->Operation;
    if (operation != CARD_OP_VOID)
        context->LastOperation = static_cast<uint8_t>(operation);
    if (operation == CARD_OP_LOCAL) {
        context->Result = CARD_RESULT_SENT;
        return 1;
    }
    if (operation == 5 || operation == 7 || operation == 8) {
        ShowMessage(kNotSupported, 1);
        context->Result = CARD_RESULT_FAILED;
        return 0;
    }
    if (operation == CARD_OP_VOID) {
        if (context->LastOperation == CARD_OP_LOCAL) {
            context->LastOperation = CARD_OP_VOID;
            context->Result = CARD_RESULT_ANSWERED;
            return 1;
        }
        // The void repeats the last request of this exchange; the approval
        // code of its answer, when one came, goes with it.
        CardRequest request{};
        const bool sameExchange =
            g_lastSequence == context->Sequence && g_lastFolder == FolderOf(*context);
        if (sameExchange)
            request = g_lastRequest;
        if (Exists(AnswerPath(*context))) {
            std::string text;
            if (ReadAnswerText(*context, text)) {
                const std::vector<std::string> fields = SplitFields(text);
                if (fields.size() >= 2)
                    PutField(request.ApprovalCode, fields[1]);
            }
        } else if (!sameExchange) {
            ShowMessage(kCannotOpen, 1);
            context->Result = CARD_RESULT_FAILED;
            return 0;
        }
        request.Prefix = 'P';
        request.Letter = 'C';
        if (!WriteRequestFile(*context, request)) {
            context->Result = CARD_RESULT_FAILED;
            return 0;
        }
        context->Result = CARD_RESULT_ANSWERED;
        return 1;
    }
    CardRequest request;
    if (!FillRequest(*context, operation, request)) {
        context->Result = CARD_RESULT_FAILED;
        return 0;
    }
    // Nothing of an earlier answer may stand for this one.
    context->ApprovalLetter = 0;
    std::memset(context->Approval, 0, sizeof context->Approval);
    context->AnswerLetter = 0;
    context->AnswerLetterCopy = 0;
    std::memset(context->AnswerText, 0, sizeof context->AnswerText);
    if (!WriteRequestFile(*context, request)) {
        context->Result = CARD_RESULT_FAILED;
        return 0;
    }
    g_lastRequest = request;
    g_lastSequence = context->Sequence;
    g_lastFolder = FolderOf(*context);
    context->Result = CARD_RESULT_SENT;
    return 1;
}

int ReceiveAnswer(CardContext* context)
{
    if (context->Operation == CARD_OP_LOCAL) {
        context->Result = CARD_RESULT_FAILED;
        return 1;
    }
    if (CheckAuthorizer(context) == 0) {
        context->Result = CARD_RESULT_FAILED;
        return 0;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(AnswerTimeoutMs());
    if (!WaitForAnswer(*context, deadline, true)) {
        context->Result = CARD_RESULT_FAILED;
        return 0;
    }
    std::string text;
    if (!ReadAnswerText(*context, text) || !AnswerOfRequest(text, g_lastRequest) ||
        !TakeAnswer(*context, text.c_str())) {
        context->Result = CARD_RESULT_FAILED;
        return 0;
    }
    return 1;
}

int SendAndWait(CardContext* context)
{
    const ExchangeLock lock(*context);
    if (!lock.Held()) {
        ShowMessage(kExchangeBusy, 1);
        return 0;
    }
    // The request holds card data: it never outlives the exchange.
    struct Leave {
        std::string request;
        ~Leave() { ::unlink(request.c_str()); }
    } leave{RequestPath(*context)};
    CallSlot(context, kClearFiles);
    if (CallSlot(context, kSend) == 0)
        return 0;
    FxStatus* status = FxStatusOpen(kWaitingScreen, 0);
    g_waitStatus = status;
    const int answered = CallSlot(context, kReceive);
    g_waitStatus = nullptr;
    if (status != nullptr)
        FxStatusClose(status);
    if (answered != 0)
        return 1;
    if (context->Operation != CARD_OP_LOCAL)
        VoidUnanswered(*context);
    return 0;
}

int ReadParameterFile(CardContext* context)
{
    const std::string path = FolderOf(*context) + kParameterFile;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        ShowMessage(kCannotOpen, 1);
        return 0;
    }
    char second[22] = {};
    char first[63] = {};
    struct Piece {
        off_t at;
        char* buffer;
        std::size_t size;
    } pieces[] = {{1644, second, sizeof second}, {1228, first, sizeof first}};
    for (const Piece& piece : pieces) {
        if (::lseek(fd, piece.at, SEEK_SET) < 0) {
            ::close(fd);
            ShowMessage(kCannotPosition, 1);
            return 0;
        }
        if (::read(fd, piece.buffer, piece.size) != static_cast<ssize_t>(piece.size)) {
            ::close(fd);
            ShowMessage(kCannotRead, 1);
            return 0;
        }
    }
    ::close(fd);
    PutField(context->ParameterText2, std::string(second + 5, ::strnlen(second + 5, 17)));
    PutField(context->ParameterText1, std::string(first + 42, ::strnlen(first + 42, 19)));
    return 1;
}

void ResetExchangeState()
{
    g_timeoutSeconds = kDefaultTimeoutSeconds;
    g_lastRequest = CardRequest{};
    g_lastSequence = -1;
    g_lastFolder.clear();
    g_waitStatus = nullptr;
}

int SetTimeoutSeconds(int seconds)
{
    const int previous = g_timeoutSeconds;
    g_timeoutSeconds = std::max(1, seconds);
    return previous;
}

}  // namespace bwps::card

extern "C" BWPS_EXPORT int SetCardAuthorizationTimeout(int seconds)
{
    return bwps::card::SetTimeoutSeconds(seconds);
}
