// bwpos-authorizer: serves the card-authorization exchange of one folder.
//
// It holds a write lock on FOLDER/AUTHORIZER.LCK (the file names its pid)
// for as long as it runs, picks up each request file AUTHnnnn.IN, answers
// it in AUTHnnnn.OUT by its rules and logs each exchange in
// FOLDER/AUTHORIZER.LOG with the card number masked. See PROTOCOL.md.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kLockName = "AUTHORIZER.LCK";
constexpr const char* kLogName = "AUTHORIZER.LOG";
constexpr const char* kParameterName = "ATOM.PRM";
constexpr std::size_t kRequestFields = 14;
constexpr std::size_t kMaxRequest = 1024;
constexpr std::size_t kCodeWidth = 6;
constexpr std::size_t kTextWidth = 32;
constexpr int kPollMs = 20;

constexpr const char* kUsage =
    "usage: bwpos-authorizer FOLDER [--rules FILE] [--delay-ms N] [--idle-exit S]\n"
    "       bwpos-authorizer init FOLDER TEXT1 TEXT2\n"
    "\n"
    "Serves the card-authorization requests of FOLDER: each AUTHnnnn.IN is\n"
    "answered in AUTHnnnn.OUT (see PROTOCOL.md).\n"
    "  --rules FILE    answers by card-number ending, amount or transaction code\n"
    "                  (first match wins); without rules everything is approved\n"
    "  --delay-ms N    waits N milliseconds before each answer\n"
    "  --idle-exit S   ends after S seconds without a request (600 unless given);\n"
    "                  it also ends when FOLDER is removed or replaced\n"
    "init writes the parameter file FOLDER/ATOM.PRM with the two texts that the\n"
    "voice-approval screen shows.\n";

volatile sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

// ------------------------------------------------------------------ rules

enum class Action { Approve, Decline, NoAnswer };

struct Rule {
    std::string cardEnding;        // empty: any card
    std::optional<long long> cents;
    char code = 0;                 // transaction code, 0: any
    int delayMs = -1;              // -1: the program's delay
    Action action = Action::Approve;
    char letter = '0';
    std::string approval;          // code of the answer, empty: generated
    std::string text;
};

struct Options {
    std::string folder;
    std::vector<Rule> rules;
    int delayMs = 0;
    int idleExitSeconds = 600;
};

[[noreturn]] void Refuse(const std::string& why)
{
    std::fprintf(stderr, "bwpos-authorizer: %s\n", why.c_str());
    std::exit(2);
}

bool AllDigits(const std::string& s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(),
                                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

bool ParseNumber(const std::string& text, int& out)
{
    if (!AllDigits(text) || text.size() > 9)
        return false;
    out = std::stoi(text);
    return true;
}

// "12.34", "12" or "0.5" as cents.
std::optional<long long> ParseAmount(const std::string& text)
{
    const auto dot = text.find('.');
    const std::string whole = text.substr(0, dot);
    std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);
    if (!AllDigits(whole) || whole.size() > 10 || fraction.size() > 2 ||
        (!fraction.empty() && !AllDigits(fraction)))
        return std::nullopt;
    fraction.resize(2, '0');
    return std::stoll(whole) * 100 + std::stoll(fraction);
}

std::string Clean(std::string text, std::size_t width)
{
    std::replace(text.begin(), text.end(), ',', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    if (text.size() > width)
        text.resize(width);
    return text;
}

std::vector<Rule> ReadRules(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        Refuse("the rules file " + path + " cannot be read");
    std::vector<Rule> rules;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string where = "rules " + path + " line " + std::to_string(number) + ": ";
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;)
            w.push_back(word);
        if (w.empty() || w[0][0] == '#')
            continue;
        Rule rule;
        std::size_t i = 0;
        bool matchGiven = false;
        for (; i < w.size(); ++i) {
            const std::string& word = w[i];
            if (word == "any") {
                matchGiven = true;
            } else if (word.rfind("card=", 0) == 0) {
                rule.cardEnding = word.substr(5);
                if (!AllDigits(rule.cardEnding))
                    Refuse(where + "card= takes the last digits of the card number");
                matchGiven = true;
            } else if (word.rfind("amount=", 0) == 0) {
                rule.cents = ParseAmount(word.substr(7));
                if (!rule.cents)
                    Refuse(where + "amount= takes an amount such as 12.50");
                matchGiven = true;
            } else if (word.rfind("code=", 0) == 0) {
                if (word.size() != 6 || std::strchr("012578", word[5]) == nullptr)
                    Refuse(where + "code= takes one transaction code: 0, 1, 2, 5, 7 or 8");
                rule.code = word[5];
                matchGiven = true;
            } else if (word.rfind("delay=", 0) == 0) {
                if (!ParseNumber(word.substr(6), rule.delayMs))
                    Refuse(where + "delay= takes milliseconds");
            } else {
                break;
            }
        }
        if (!matchGiven)
            Refuse(where + "a rule begins with card=, amount=, code= or any");
        if (i == w.size())
            Refuse(where + "the rule has no action (approve, decline or noanswer)");
        const std::string action = w[i++];
        auto rest = [&]() {
            std::string text;
            for (; i < w.size(); ++i)
                text += (text.empty() ? "" : " ") + w[i];
            return text;
        };
        if (action == "approve") {
            rule.action = Action::Approve;
            if (i < w.size()) {
                rule.approval = w[i++];
                if (rule.approval.size() > kCodeWidth)
                    Refuse(where + "an approval code has at most 6 characters");
            }
            rule.text = rest();
        } else if (action == "decline") {
            rule.action = Action::Decline;
            if (i + 1 >= w.size() || (w[i] != "1" && w[i] != "2"))
                Refuse(where + "decline takes 1 or 2, then a code and a text");
            rule.letter = w[i++][0];
            rule.approval = w[i++];
            rule.text = rest();
        } else if (action == "noanswer") {
            rule.action = Action::NoAnswer;
            if (i != w.size())
                Refuse(where + "noanswer takes nothing more");
        } else {
            Refuse(where + "unknown action " + action);
        }
        rule.approval = Clean(rule.approval, kCodeWidth);
        rule.text = Clean(rule.text, kTextWidth);
        rules.push_back(rule);
    }
    return rules;
}

Options ParseArguments(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                Refuse(a + " needs a value");
            return argv[++i];
        };
        if (a == "--rules") {
            options.rules = ReadRules(value());
        } else if (a == "--delay-ms") {
            if (!ParseNumber(value(), options.delayMs))
                Refuse("--delay-ms takes milliseconds");
        } else if (a == "--idle-exit") {
            if (!ParseNumber(value(), options.idleExitSeconds) || options.idleExitSeconds == 0)
                Refuse("--idle-exit takes seconds (at least 1)");
        } else if (!a.empty() && a[0] == '-') {
            Refuse("unknown option " + a + " (--help for usage)");
        } else if (options.folder.empty()) {
            options.folder = a;
        } else {
            Refuse("one folder only (--help for usage)");
        }
    }
    if (options.folder.empty())
        Refuse("no folder given (--help for usage)");
    struct stat st {};
    if (::stat(options.folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        Refuse("the folder " + options.folder + " does not exist");
    if (options.folder.back() != '/')
        options.folder += '/';
    return options;
}

// --------------------------------------------------------------- requests

struct Request {
    char letter = 0;     // 'W' or 'C'
    char code = 0;
    char mode = 0;
    std::string cardData;
    std::string amount;  // cents
    std::string approval;
    std::string reference;
};

std::vector<std::string> Split(const std::string& text)
{
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string::npos ? std::string::npos
                                                                       : comma - start));
        if (comma == std::string::npos)
            return fields;
        start = comma + 1;
    }
}

// The request, or the fault that makes it unreadable.
std::optional<Request> ParseRequest(const std::string& line, std::string& fault)
{
    const std::vector<std::string> f = Split(line);
    if (f.size() != kRequestFields) {
        fault = "BAD REQUEST " + std::to_string(f.size()) + " FIELDS";
        return std::nullopt;
    }
    Request r;
    if (f[0].size() != 1 || (f[0][0] != 'W' && f[0][0] != 'C')) {
        fault = "BAD REQUEST KIND";
        return std::nullopt;
    }
    if (f[1] != "P") {
        fault = "BAD REQUEST PREFIX";
        return std::nullopt;
    }
    if (f[2].size() != 1 || std::strchr("012578", f[2][0]) == nullptr) {
        fault = "BAD TRANSACTION CODE";
        return std::nullopt;
    }
    if (f[3].size() != 1 || std::strchr("0123", f[3][0]) == nullptr) {
        fault = "BAD ENTRY MODE";
        return std::nullopt;
    }
    r.letter = f[0][0];
    r.code = f[2][0];
    r.mode = f[3][0];
    r.cardData = f[4];
    r.amount = f[5];
    r.approval = f[8];
    r.reference = f[9];
    // A void names its request by the file's number: the repeated fields
    // may be empty, but what is there must be sound.
    const bool isVoid = r.letter == 'C';
    if ((r.cardData.empty() && !isVoid) || r.cardData.size() > 80) {
        fault = "BAD CARD DATA";
        return std::nullopt;
    }
    if (r.mode == '0' && !r.cardData.empty()) {
        const auto plus = r.cardData.find('+');
        if (plus == std::string::npos || !AllDigits(r.cardData.substr(0, plus)) ||
            r.cardData.size() != plus + 5 || !AllDigits(r.cardData.substr(plus + 1))) {
            fault = "BAD CARD NUMBER OR EXPIRY";
            return std::nullopt;
        }
    }
    if ((!r.amount.empty() || !isVoid) && (!AllDigits(r.amount) || r.amount.size() > 9)) {
        fault = "BAD AMOUNT";
        return std::nullopt;
    }
    if ((r.code == '1' || r.code == '2') && r.letter == 'W' &&
        (r.approval.empty() || r.approval.size() > kCodeWidth ||
         !std::all_of(r.approval.begin(), r.approval.end(),
                      [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))) {
        fault = "BAD VOICE APPROVAL CODE";
        return std::nullopt;
    }
    return r;
}

// The digits of the card number inside the card data.
std::string CardNumber(const Request& r)
{
    std::string data = r.cardData;
    if (r.mode == '1' && !data.empty() && (data[0] == 'B' || data[0] == 'b'))
        data.erase(0, 1);
    const auto end = data.find_first_of("+^=");
    if (end != std::string::npos && r.mode != '3')
        data.resize(end);
    std::string digits;
    for (char c : data)
        if (std::isdigit(static_cast<unsigned char>(c)))
            digits += c;
    return digits;
}

std::string Masked(const std::string& number)
{
    if (number.size() <= 4)
        return std::string(number.size(), '*');
    return std::string(number.size() - 4, '*') + number.substr(number.size() - 4);
}

bool EndsWith(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// ----------------------------------------------------------------- server

struct Pending {
    bool unanswered = false;     // held for ever: only a void ends it
    Clock::time_point due;
    std::string answer;
    std::string approval;
    std::string echo;            // the request's reference and amount
};

class Server {
public:
    explicit Server(Options options) : o_(std::move(options)) {}

    int Run()
    {
        if (!TakeLock())
            return 3;
        // The folder is held open: removed, it keeps its number, so another
        // folder made at its name never looks like it.
        const int served = ::open(o_.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        auto lastRequest = Clock::now();
        while (!g_stop) {
            // The folder removed, or another put in its place: nobody can
            // send to this program any more.
            struct stat held {}, now {};
            if (served < 0 || ::fstat(served, &held) != 0 || held.st_nlink == 0 ||
                ::stat(o_.folder.c_str(), &now) != 0 || now.st_ino != held.st_ino || now.st_dev != held.st_dev)
                break;
            bool any = false;
            for (const std::string& name : RequestNames()) {
                Serve(name);
                any = true;
            }
            AnswerDue();
            if (any)
                lastRequest = Clock::now();
            const bool due = std::any_of(pending_.begin(), pending_.end(),
                                         [](const auto& p) { return !p.second.unanswered; });
            if (o_.idleExitSeconds > 0 && !due &&
                Clock::now() - lastRequest >= std::chrono::seconds(o_.idleExitSeconds))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
        }
        if (served >= 0)
            ::close(served);
        Log("stopped");
        return 0;
    }

private:
    bool TakeLock()
    {
        const std::string path = o_.folder + kLockName;
        lock_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (lock_ < 0) {
            std::fprintf(stderr, "bwpos-authorizer: the lock file %s cannot be opened: %s\n",
                         path.c_str(), std::strerror(errno));
            return false;
        }
        struct flock l {};
        l.l_type = F_WRLCK;
        l.l_whence = SEEK_SET;
        if (::fcntl(lock_, F_SETLK, &l) != 0) {
            std::fprintf(stderr, "bwpos-authorizer: another authorizer serves %s\n",
                         o_.folder.c_str());
            return false;
        }
        char pid[32];
        const int n = std::snprintf(pid, sizeof pid, "%d\n", static_cast<int>(::getpid()));
        if (::ftruncate(lock_, 0) != 0 || ::pwrite(lock_, pid, static_cast<std::size_t>(n), 0) != n) {
            std::fprintf(stderr, "bwpos-authorizer: the lock file %s cannot be written\n",
                         path.c_str());
            return false;
        }
        Log("serving " + o_.folder);
        return true;
    }

    std::vector<std::string> RequestNames() const
    {
        std::vector<std::string> names;
        DIR* dir = ::opendir(o_.folder.c_str());
        if (dir == nullptr)
            return names;
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name.size() >= 11 && name.rfind("AUTH", 0) == 0 && EndsWith(name, ".IN") &&
                AllDigits(name.substr(4, name.size() - 7)))
                names.push_back(name);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string Sequence(const std::string& requestName) const
    {
        return requestName.substr(4, requestName.size() - 7);
    }

    void Serve(const std::string& name)
    {
        echo_.clear();
        const std::string path = o_.folder + name;
        std::string text;
        {
            // a regular file only: a pipe or device put there is never
            // waited on
            const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
            struct stat st {};
            char buffer[kMaxRequest + 1] = {};
            ssize_t n = 0;
            if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
                n = ::read(fd, buffer, kMaxRequest);
            if (fd >= 0)
                ::close(fd);
            text.assign(buffer, ::strnlen(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0))));
        }
        ::unlink(path.c_str());
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        const std::string seq = Sequence(name);

        std::string fault;
        const std::optional<Request> request = ParseRequest(text, fault);
        if (!request) {
            pending_.erase(seq);
            const std::string answer = "2,96," + Clean(fault, kTextWidth);
            Write(seq, answer);
            Log("AUTH" + seq + " unreadable request (" + fault + ") -> " + answer);
            return;
        }
        const Request& r = *request;
        // Every answer names the request it answers: its reference and
        // amount follow the text.
        echo_ = "," + r.reference + "," + r.amount;
        const std::string card = Masked(CardNumber(r));
        const std::string what = "AUTH" + seq + " " + r.letter + " code " + r.code + " card " +
                                 card + " amount " + r.amount;

        if (r.letter == 'C') {
            const auto held = pending_.find(seq);
            std::string answer;
            if (held != pending_.end()) {
                answer = "0," + CodeOr(r.approval, held->second.approval) + ",CANCELLED";
                pending_.erase(held);
            } else {
                answer = "0," + CodeOr(r.approval, "") + ",VOIDED";
            }
            Write(seq, answer);
            Log(what + " void -> " + answer);
            return;
        }

        if (pending_.erase(seq) != 0)
            Log("AUTH" + seq + " earlier request left unanswered: replaced");

        if (r.code == '1' || r.code == '2') {
            Answer(seq, what, "0," + r.approval + ",VOICE APPROVED", o_.delayMs, r.approval);
            return;
        }
        const Rule* rule = Match(r);
        if (rule == nullptr) {
            const std::string code = NewCode();
            Answer(seq, what, "0," + code + ",APPROVED", o_.delayMs, code);
            return;
        }
        const int delay = rule->delayMs >= 0 ? rule->delayMs : o_.delayMs;
        switch (rule->action) {
        case Action::NoAnswer: {
            Pending p;
            p.unanswered = true;
            pending_[seq] = p;
            Log(what + " -> no answer");
            return;
        }
        case Action::Decline: {
            const std::string code = rule->approval.empty() ? "05" : rule->approval;
            const std::string text = rule->text.empty() ? "DECLINED" : rule->text;
            Answer(seq, what, std::string(1, rule->letter) + "," + code + "," + text, delay, "");
            return;
        }
        case Action::Approve: {
            const std::string code = rule->approval.empty() ? NewCode() : rule->approval;
            const std::string text = rule->text.empty() ? "APPROVED" : rule->text;
            Answer(seq, what, "0," + code + "," + text, delay, code);
            return;
        }
        }
    }

    static std::string CodeOr(const std::string& sent, const std::string& kept)
    {
        if (!sent.empty())
            return Clean(sent, kCodeWidth);
        return kept.empty() ? "000000" : kept;
    }

    const Rule* Match(const Request& r) const
    {
        const std::string number = CardNumber(r);
        const long long cents = r.amount.empty() ? 0 : std::stoll(r.amount);
        for (const Rule& rule : o_.rules) {
            if (!rule.cardEnding.empty() && !EndsWith(number, rule.cardEnding))
                continue;
            if (rule.cents && *rule.cents != cents)
                continue;
            if (rule.code != 0 && rule.code != r.code)
                continue;
            return &rule;
        }
        return nullptr;
    }

    std::string NewCode()
    {
        char code[16];
        std::snprintf(code, sizeof code, "%06u", static_cast<unsigned>(100000 + ++issued_ % 900000));
        return code;
    }

    void Answer(const std::string& seq, const std::string& what, const std::string& answer,
                int delayMs, const std::string& approval)
    {
        if (delayMs > 0) {
            Pending p;
            p.due = Clock::now() + std::chrono::milliseconds(delayMs);
            p.answer = answer;
            p.approval = approval;
            p.echo = echo_;
            pending_[seq] = p;
            Log(what + " -> " + answer + " after " + std::to_string(delayMs) + " ms");
            return;
        }
        Write(seq, answer);
        Log(what + " -> " + answer);
    }

    void AnswerDue()
    {
        const auto now = Clock::now();
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (!it->second.unanswered && it->second.due <= now) {
                echo_ = it->second.echo;
                Write(it->first, it->second.answer);
                Log("AUTH" + it->first + " answered");
                it = pending_.erase(it);
            } else {
                ++it;
            }
        }
    }

    // The answer is written aside and renamed, so that it is never read half
    // written.
    void Write(const std::string& seq, const std::string& answer)
    {
        const std::string aside = o_.folder + "AUTH" + seq + ".OUT.tmp";
        const std::string final = o_.folder + "AUTH" + seq + ".OUT";
        const std::string line = answer + echo_;
        echo_.clear();
        ::unlink(aside.c_str());
        const int fd = ::open(aside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        bool ok = fd >= 0;
        if (ok) {
            ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
            ok = ::close(fd) == 0 && ok;
        }
        if (!ok || ::rename(aside.c_str(), final.c_str()) != 0) {
            ::unlink(aside.c_str());
            Log("AUTH" + seq + " the answer could not be written: " + std::strerror(errno));
        }
    }

    void Log(const std::string& line)
    {
        const std::string path = o_.folder + kLogName;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW,
                              0600);
        if (fd < 0)
            return;
        char stamp[32] = {};
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        ::localtime_r(&now, &local);
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
        const std::string text = std::string(stamp) + " " + line + "\n";
        if (::write(fd, text.data(), text.size()) < 0) {
            // nothing to do: the log is a record, not part of the exchange
        }
        ::close(fd);
    }

    Options o_;
    std::string echo_;  // what the next answer written carries after its text
    int lock_ = -1;
    unsigned issued_ = 0;
    std::map<std::string, Pending> pending_;
};

// ------------------------------------------------------------------- init

int WriteParameterFile(int argc, char** argv)
{
    if (argc != 5)
        Refuse("init takes FOLDER TEXT1 TEXT2");
    std::string folder = argv[2];
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        Refuse("the folder " + folder + " does not exist");
    if (folder.back() != '/')
        folder += '/';
    std::vector<char> bytes(2048, '\0');
    const std::string text1 = std::string(argv[3]).substr(0, 19);
    const std::string text2 = std::string(argv[4]).substr(0, 17);
    std::memcpy(bytes.data() + 1270, text1.data(), text1.size());
    std::memcpy(bytes.data() + 1649, text2.data(), text2.size());
    const std::string path = folder + kParameterName;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "bwpos-authorizer: %s cannot be written\n", path.c_str());
        return 3;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    if (argc >= 2 && std::strcmp(argv[1], "init") == 0)
        return WriteParameterFile(argc, argv);
    Options options = ParseArguments(argc, argv);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    ::signal(SIGHUP, SIG_IGN);
    ::umask(077);
    return Server(std::move(options)).Run();
}
