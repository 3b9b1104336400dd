#include "bench/LogGen.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tavrik::bench {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Randomness: xoshiro256** seeded through splitmix64, so every file can have its own stream
// and the output never depends on the order files are written in.

std::uint64_t splitmix(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

class Rng {
public:
    explicit Rng(std::uint64_t seed) {
        for (auto& word : m_s) {
            word = splitmix(seed);
        }
    }

    std::uint64_t next() {
        const std::uint64_t result = rotl(m_s[1] * 5, 7) * 9;
        const std::uint64_t t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = rotl(m_s[3], 45);
        return result;
    }

    // Uniform in [0, n); n must be positive.
    std::uint64_t below(std::uint64_t n) { return next() % n; }
    // Uniform in [lo, hi].
    std::int64_t range(std::int64_t lo, std::int64_t hi) {
        return lo + static_cast<std::int64_t>(below(static_cast<std::uint64_t>(hi - lo + 1)));
    }
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    bool chance(double p) { return uniform() < p; }
    double normal() {
        const double u1 = std::max(uniform(), 1e-300);
        const double u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }
    // Log-normal with the given median; sigma is the spread of the logarithm.
    double lognormal(double median, double sigma) { return median * std::exp(sigma * normal()); }

    template <class T, std::size_t N>
    const T& pick(const std::array<T, N>& items) {
        return items[below(N)];
    }
    template <class T>
    const T& pick(const std::vector<T>& items) {
        return items[below(items.size())];
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::array<std::uint64_t, 4> m_s{};
};

// ---------------------------------------------------------------------------------------------
// Text helpers.

void appendInt(std::string& out, std::int64_t v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void appendPadded(std::string& out, std::int64_t v, int width) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    for (auto n = r.ptr - buf; n < width; ++n) {
        out.push_back('0');
    }
    out.append(buf, r.ptr);
}

void appendHex(std::string& out, Rng& rng, int digits) {
    static constexpr char hex[] = "0123456789abcdef";
    std::uint64_t bits = rng.next();
    for (int i = 0; i < digits; ++i) {
        if (i % 16 == 15) {
            bits = rng.next();
        }
        out.push_back(hex[bits & 15]);
        bits >>= 4;
    }
}

void appendAlnum(std::string& out, Rng& rng, int count) {
    static constexpr char chars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int i = 0; i < count; ++i) {
        out.push_back(chars[rng.below(62)]);
    }
}

void appendBase64(std::string& out, Rng& rng, std::size_t count) {
    static constexpr char chars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 10 == 0) {
            bits = rng.next();
        }
        out.push_back(chars[bits & 63]);
        bits >>= 6;
    }
    out.append("==");
}

void appendUuid(std::string& out, Rng& rng) {
    appendHex(out, rng, 8);
    out.push_back('-');
    appendHex(out, rng, 4);
    out.append("-4");
    appendHex(out, rng, 3);
    out.push_back('-');
    out.push_back("89ab"[rng.below(4)]);
    appendHex(out, rng, 3);
    out.push_back('-');
    appendHex(out, rng, 12);
}

std::string makeUuid(Rng& rng) {
    std::string s;
    appendUuid(s, rng);
    return s;
}

// Appends text as the inside of a JSON string. With asciiOnly, every non-ASCII character is
// written as \u escapes (a surrogate pair above U+FFFF), as some writers do.
void appendEscaped(std::string& out, std::string_view text, bool asciiOnly = false) {
    static constexpr char hex[] = "0123456789abcdef";
    auto u16 = [&](unsigned v) {
        out.append("\\u");
        out.push_back(hex[(v >> 12) & 15]);
        out.push_back(hex[(v >> 8) & 15]);
        out.push_back(hex[(v >> 4) & 15]);
        out.push_back(hex[v & 15]);
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case '"':
                out.append("\\\"");
                continue;
            case '\\':
                out.append("\\\\");
                continue;
            case '\n':
                out.append("\\n");
                continue;
            case '\t':
                out.append("\\t");
                continue;
            case '\r':
                out.append("\\r");
                continue;
            default:
                break;
        }
        if (c < 0x20) {
            u16(c);
        } else if (c < 0x80 || !asciiOnly) {
            out.push_back(static_cast<char>(c));
        } else {
            // The texts fed here are valid UTF-8 made by this file.
            unsigned cp = 0;
            int extra = 0;
            if (c >= 0xF0) {
                cp = c & 0x07;
                extra = 3;
            } else if (c >= 0xE0) {
                cp = c & 0x0F;
                extra = 2;
            } else {
                cp = c & 0x1F;
                extra = 1;
            }
            for (int k = 0; k < extra && i + 1 < text.size(); ++k) {
                cp = (cp << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F);
            }
            if (cp >= 0x10000) {
                cp -= 0x10000;
                u16(0xD800 + (cp >> 10));
                u16(0xDC00 + (cp & 0x3FF));
            } else {
                u16(cp);
            }
        }
    }
}

// Calendar date of a day number (days since 1970-01-01), proleptic Gregorian.
void civilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = yoe + era * 400;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y += (m <= 2);
}

constexpr std::int64_t msPerDay = 86'400'000;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// How an instant is written: the agents write UTC with milliseconds and "Z"; a few lines
// carry a zone offset or whole seconds.
struct TsStyle {
    int offsetMinutes = 0;
    bool fraction = true;
};

void appendIso(std::string& out, std::int64_t utcMs, TsStyle style) {
    const std::int64_t local = utcMs + std::int64_t{style.offsetMinutes} * 60'000;
    const std::int64_t day = floorDiv(local, msPerDay);
    const std::int64_t msOfDay = local - day * msPerDay;
    std::int64_t y = 0;
    int m = 0;
    int d = 0;
    civilFromDays(day, y, m, d);
    appendPadded(out, y, 4);
    out.push_back('-');
    appendPadded(out, m, 2);
    out.push_back('-');
    appendPadded(out, d, 2);
    out.push_back('T');
    appendPadded(out, msOfDay / 3'600'000, 2);
    out.push_back(':');
    appendPadded(out, msOfDay / 60'000 % 60, 2);
    out.push_back(':');
    appendPadded(out, msOfDay / 1000 % 60, 2);
    if (style.fraction) {
        out.push_back('.');
        appendPadded(out, msOfDay % 1000, 3);
    }
    if (style.offsetMinutes == 0) {
        out.push_back('Z');
    } else {
        const int a = std::abs(style.offsetMinutes);
        out.push_back(style.offsetMinutes < 0 ? '-' : '+');
        appendPadded(out, a / 60, 2);
        out.push_back(':');
        appendPadded(out, a % 60, 2);
    }
}

// ---------------------------------------------------------------------------------------------
// Word material.

constexpr std::array<const char*, 48> kIdents = {
    "config", "parser",  "buffer",  "result",  "handler", "request", "response", "client",
    "server", "session", "token",   "cache",   "index",   "entry",   "value",    "payload",
    "stream", "reader",  "writer",  "builder", "context", "options", "error",    "status",
    "user",   "account", "invoice", "order",   "widget",  "layout",  "render",   "event",
    "queue",  "worker",  "job",     "task",    "metric",  "report",  "schema",   "record",
    "node",   "edge",    "graph",   "path",    "file",    "line",    "offset",   "count"};

constexpr std::array<const char*, 16> kTypes = {
    "Config", "Parser", "Buffer",  "Result", "Handler", "Request", "Session", "Token",
    "Cache",  "Entry",  "Payload", "Stream", "Context", "Options", "Report",  "Graph"};

constexpr std::array<const char*, 64> kWords = {
    "the",     "a",      "to",        "and",     "of",       "in",       "we",        "it",
    "this",    "that",   "should",    "now",     "then",     "when",     "file",      "function",
    "test",    "tests",  "fix",       "update",  "add",      "remove",   "check",     "error",
    "handle",  "case",   "bug",       "build",   "run",      "make",     "sure",      "value",
    "return",  "call",   "change",    "code",    "module",   "type",     "field",     "missing",
    "failing", "output", "input",     "parser",  "cache",    "config",   "request",   "instead",
    "because", "still",  "already",   "again",   "refactor", "rename",   "move",      "simplify",
    "quickly", "please", "carefully", "without", "breaking", "existing", "behaviour", "logic"};

constexpr std::array<const char*, 14> kUnicode = {"größe",  "résumé",   "naïve",    "→",      "✓",
                                                  "日本語", "данные",   "🚀",        "✨",      "—",
                                                  "façade", "Ελληνικά", "中文注释", "emoji 🎉"};

constexpr std::array<const char*, 12> kExts = {"rs", "ts", "tsx",  "py",    "go", "cpp",
                                               "h",  "md", "json", "swift", "kt", "sql"};

constexpr std::array<const char*, 20> kDirs = {
    "src",        "src/core",  "src/api",   "src/ui",   "src/util",          "lib",
    "tests",      "app",       "pkg/http",  "internal", "cmd/tool",          "web/components",
    "scripts",    "docs",      "src/store", "src/net",  "crates/engine/src", "server/routes",
    "client/src", "migrations"};

constexpr std::array<const char*, 24> kProjects = {
    "atlas",  "borealis", "cobalt",  "delta-api", "ember",    "fjord",  "granite", "harbor",
    "iris",   "juniper",  "kestrel", "lumen",     "meridian", "nimbus", "onyx",    "pylon",
    "quartz", "relay",    "sable",   "tundra",    "umbra",    "vertex", "willow",  "zephyr"};

void appendWords(std::string& out, Rng& rng, int n) {
    for (int i = 0; i < n; ++i) {
        if (i) {
            out.push_back(' ');
        }
        out.append(rng.pick(kWords));
    }
}

// A line of source code or tool output, raw (not escaped).
std::string makeSourceLine(Rng& rng) {
    std::string s;
    const int indent = static_cast<int>(rng.below(4)) * 4;
    const auto id = [&] { return std::string(rng.pick(kIdents)); };
    const auto ty = [&] { return std::string(rng.pick(kTypes)); };
    switch (rng.below(22)) {
        case 0:
            s = "";
            break;
        case 1:
            s = std::string(static_cast<std::size_t>(indent), ' ') + "}";
            break;
        case 2:
            s = std::string(static_cast<std::size_t>(indent), ' ') + "let " + id() + " = " + id()
                + "." + id() + "(" + id() + ", " + std::to_string(rng.below(1000)) + ");";
            break;
        case 3:
            s = "fn " + id() + "_" + id() + "(" + id() + ": &" + ty() + ") -> Result<" + ty()
                + ", Error> {";
            break;
        case 4:
            s = std::string(static_cast<std::size_t>(indent), ' ') + "if (" + id()
                + " == nullptr) { return " + id() + "; }";
            break;
        case 5:
            s = std::string(static_cast<std::size_t>(indent), ' ') + "// ";
            appendWords(s, rng, static_cast<int>(rng.range(3, 12)));
            break;
        case 6:
            s = std::string(static_cast<std::size_t>(indent), ' ') + "return \"";
            appendWords(s, rng, static_cast<int>(rng.range(2, 6)));
            s += "\";";
            break;
        case 7:
            s = "\tconst char* path = \"C:\\\\Users\\\\" + id() + "\\\\AppData\";";
            break;
        case 8:
            s = "    printf(\"%s: %d\\n\", " + id() + ", " + id() + ");";
            break;
        case 9:
            s = "# ";
            s += rng.pick(kUnicode);
            s += ' ';
            appendWords(s, rng, 4);
            s += ' ';
            s += rng.pick(kUnicode);
            break;
        case 10:
            s = "import { " + ty() + " } from './" + id() + "';";
            break;
        case 11:
            s = "def " + id() + "(self, " + id() + "=" + std::to_string(rng.below(100)) + "):";
            break;
        case 12:
            s = std::string(static_cast<std::size_t>(indent), ' ') + "<div className=\"" + id()
                + "\">{" + id() + "}</div>";
            break;
        case 13:
            s = "[2026-05-03 12:00:" + std::to_string(10 + rng.below(50)) + "] INFO ";
            appendWords(s, rng, 6);
            break;
        case 14:
            s = "test " + id() + "::" + id() + "_" + id() + " ... \x1b[32mok\x1b[0m";
            break;
        case 15:
            s = "  \"" + id() + "\": " + std::to_string(rng.below(100000)) + ",";
            break;
        case 16:
            s = std::string(static_cast<std::size_t>(indent), ' ') + "const " + id() + "_" + id()
                + ": " + ty() + " = new " + ty() + "();";
            break;
        case 17:
            s = "SELECT " + id() + ", " + id() + " FROM " + id() + "s WHERE " + id() + "_id = $1;";
            break;
        case 18:
            s = std::string(static_cast<std::size_t>(indent), ' ') + "for (auto& " + id() + " : "
                + id() + "s) {";
            break;
        case 19:
            s = "error[E0308]: mismatched types --> src/" + id()
                + ".rs:" + std::to_string(rng.below(900)) + ":" + std::to_string(rng.below(80));
            break;
        case 20:
            s = std::string(static_cast<std::size_t>(indent), ' ') + "/// ";
            appendWords(s, rng, 8);
            s += " — ";
            s += rng.pick(kUnicode);
            break;
        default:
            s = std::string(static_cast<std::size_t>(indent), ' ') + id() + "." + id() + " = "
                + id() + "." + id() + " + " + std::to_string(rng.below(64)) + ";";
            break;
    }
    return s;
}

// A sentence of prose for prompts and replies, raw.
std::string makeSentence(Rng& rng) {
    std::string s;
    const int n = static_cast<int>(rng.range(5, 24));
    for (int i = 0; i < n; ++i) {
        if (i) {
            s.push_back(' ');
        }
        const auto r = rng.below(40);
        if (r == 0) {
            s += '`';
            s += rng.pick(kIdents);
            s += "()`";
        } else if (r == 1) {
            s += rng.pick(kUnicode);
        } else if (r == 2) {
            s += "\"";
            s += rng.pick(kIdents);
            s += "\"";
        } else {
            s += rng.pick(kWords);
        }
    }
    s += rng.chance(0.15) ? "?" : ".";
    s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    return s;
}

// Escaped material made once: source lines (joined by escaped line feeds, so any run of them is
// a valid JSON string body) and sentences.
struct Pool {
    std::string text;                  // escaped lines, each followed by "\n" (two characters)
    std::vector<std::uint32_t> start;  // start of each line in text; one extra at the end
    std::vector<std::string> sentences;

    std::size_t lineCount() const { return start.size() - 1; }
    std::string_view line(std::size_t i) const {
        return std::string_view(text).substr(start[i], start[i + 1] - start[i] - 2);
    }
};

Pool makePool(std::uint64_t seed) {
    Rng rng(seed ^ 0x5EED5EED5EEDULL);
    Pool pool;
    constexpr std::size_t lines = 6000;
    pool.start.reserve(lines + 1);
    for (std::size_t i = 0; i < lines; ++i) {
        pool.start.push_back(static_cast<std::uint32_t>(pool.text.size()));
        appendEscaped(pool.text, makeSourceLine(rng), rng.chance(0.3));
        pool.text.append("\\n");
    }
    pool.start.push_back(static_cast<std::uint32_t>(pool.text.size()));
    for (int i = 0; i < 2000; ++i) {
        std::string escaped;
        appendEscaped(escaped, makeSentence(rng), rng.chance(0.3));
        pool.sentences.push_back(std::move(escaped));
    }
    return pool;
}

// Appends whole pool lines (each with its escaped line feed) until at least bytes were added;
// returns the number of line feeds written.
std::int64_t appendPoolRun(std::string& out, const Pool& pool, Rng& rng, std::size_t bytes) {
    std::size_t i = rng.below(pool.lineCount());
    std::size_t added = 0;
    std::int64_t feeds = 0;
    do {
        const std::size_t want = pool.start[i] + (bytes - added);
        auto it = std::lower_bound(pool.start.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                   pool.start.end(), want);
        if (it == pool.start.end()) {
            --it;
        }
        const auto e = static_cast<std::size_t>(it - pool.start.begin());
        out.append(pool.text, pool.start[i], pool.start[e] - pool.start[i]);
        added += pool.start[e] - pool.start[i];
        feeds += static_cast<std::int64_t>(e - i);
        i = 0;
    } while (added < bytes);
    return feeds;
}

// Appends a file's text as a JSON string body and returns how many lines a reader counts in it
// (line feeds + 1). Most files end with a line feed.
std::int64_t appendFileText(std::string& out, const Pool& pool, Rng& rng, std::size_t bytes) {
    const std::size_t before = out.size();
    std::int64_t feeds = appendPoolRun(out, pool, rng, std::max<std::size_t>(bytes, 1));
    if (rng.chance(0.15) && out.size() - before >= 2) {
        out.resize(out.size() - 2);  // no final line feed
        --feeds;
    }
    return feeds + 1;
}

// Calls line(mark) for each line of a diff hunk in order: ctx lines of context, del removed,
// add added, ctx more of context.
template <class Line>
void hunkLines(std::int64_t ctx, std::int64_t del, std::int64_t add, Line&& line) {
    const auto repeat = [&](std::int64_t n, char mark) {
        for (std::int64_t i = 0; i < n; ++i) {
            line(mark);
        }
    };
    repeat(ctx, ' ');
    repeat(del, '-');
    repeat(add, '+');
    repeat(ctx, ' ');
}

void appendProse(std::string& out, const Pool& pool, Rng& rng, std::size_t bytes) {
    const std::size_t before = out.size();
    while (out.size() - before < bytes) {
        if (out.size() != before) {
            out.append(rng.chance(0.2) ? "\\n\\n" : " ");
        }
        out.append(rng.pick(pool.sentences));
    }
}

// ---------------------------------------------------------------------------------------------
// Output: one file at a time, written in large blocks, lines counted as they end.

class FileOut {
public:
    explicit FileOut(GenTotals& totals) : m_totals(totals) { buf.reserve(kFlushAt + (1 << 20)); }
    ~FileOut() { close(); }
    FileOut(const FileOut&) = delete;
    FileOut& operator=(const FileOut&) = delete;

    void open(const fs::path& path) {
        m_file = std::fopen(path.c_str(), "wb");
        if (!m_file) {
            throw std::runtime_error("cannot create " + path.string() + ": "
                                     + std::strerror(errno));
        }
        m_path = path;
        m_written = 0;
        m_lineStart = 0;
    }

    void beginLine() { m_lineStart = buf.size(); }

    // Ends the current line; finalFeed false leaves the line without its line feed (a file
    // whose writer was interrupted before the newline).
    void endLine(bool finalFeed = true) {
        m_totals.longestLine =
            std::max<std::uint64_t>(m_totals.longestLine, buf.size() - m_lineStart);
        ++m_totals.lines;
        if (finalFeed) {
            buf.push_back('\n');
        }
        if (buf.size() >= kFlushAt) {
            flush();
        }
    }

    std::uint64_t written() const { return m_written + buf.size(); }

    // Closes the file; returns its size.
    std::uint64_t close() {
        if (!m_file) {
            return 0;
        }
        flush();
        const std::uint64_t size = m_written;
        const bool failed = std::fclose(m_file) != 0;
        m_file = nullptr;
        if (failed) {
            throw std::runtime_error("cannot write " + m_path.string());
        }
        return size;
    }

    std::string buf;

private:
    static constexpr std::size_t kFlushAt = 8u << 20;

    void flush() {
        if (!buf.empty() && std::fwrite(buf.data(), 1, buf.size(), m_file) != buf.size()) {
            throw std::runtime_error("cannot write " + m_path.string() + ": "
                                     + std::strerror(errno));
        }
        m_written += buf.size();
        buf.clear();
        m_lineStart = 0;
    }

    GenTotals& m_totals;
    std::FILE* m_file = nullptr;
    fs::path m_path;
    std::uint64_t m_written = 0;
    std::size_t m_lineStart = 0;
};

// ---------------------------------------------------------------------------------------------
// The plan: which file is which, how large, when it starts.

struct Project {
    std::string cwd;                 // raw path, plain ASCII
    std::string dirName;             // the transcript folder's name
    std::vector<std::string> files;  // absolute paths of its source files
};

struct FilePlan {
    bool codex = false;
    bool agent = false;  // a sub-agent transcript: sidechain lines only
    int project = 0;
    std::uint64_t budget = 0;
    std::int64_t startMs = 0;
    std::uint64_t seed = 0;
};

std::vector<Project> makeProjects(Rng& rng, std::int64_t files) {
    const auto count = std::clamp<std::int64_t>(files / 25, 1, 80);
    std::vector<Project> projects;
    for (std::int64_t i = 0; i < count; ++i) {
        Project p;
        const std::string name =
            std::string(kProjects[static_cast<std::size_t>(i) % kProjects.size()])
            + (i >= static_cast<std::int64_t>(kProjects.size()) ? "-" + std::to_string(i) : "");
        p.cwd = (rng.chance(0.5) ? "/home/dev/src/" : "/home/dev/work/acme.io/") + name;
        p.dirName = p.cwd;
        std::replace_if(
            p.dirName.begin(), p.dirName.end(), [](char c) { return c == '/' || c == '.'; }, '-');
        const auto nfiles = rng.range(20, 260);
        for (std::int64_t k = 0; k < nfiles; ++k) {
            p.files.push_back(p.cwd + "/" + rng.pick(kDirs) + "/" + rng.pick(kIdents) + "_"
                              + rng.pick(kIdents) + "." + rng.pick(kExts));
        }
        projects.push_back(std::move(p));
    }
    return projects;
}

// Long-tailed sizes (Pareto) scaled to the total, capped so no file is absurdly large.
std::vector<std::uint64_t> planSizes(Rng& rng, std::int64_t files, std::uint64_t total) {
    const auto n = static_cast<std::size_t>(files);
    std::vector<double> w(n);
    for (auto& x : w) {
        x = std::min(std::pow(1.0 - rng.uniform(), -1.0 / 1.2), 4000.0);
    }
    const double cap =
        std::clamp(static_cast<double>(total) / 6.0, 64.0 * 1024, 40.0 * 1000 * 1000);
    const double floor = 1500;
    std::vector<double> size(n);
    double sum = 0;
    for (double x : w) {
        sum += x;
    }
    for (std::size_t i = 0; i < n; ++i) {
        size[i] = w[i] / sum * static_cast<double>(total);
    }
    // Move what lies above the cap onto the files below it, proportionally.
    for (int round = 0; round < 8; ++round) {
        double excess = 0;
        double free = 0;
        for (double& s : size) {
            if (s > cap) {
                excess += s - cap;
                s = cap;
            } else {
                free += s;
            }
        }
        if (excess <= 0 || free <= 0) {
            break;
        }
        for (double& s : size) {
            if (s < cap) {
                s += s / free * excess;
            }
        }
    }
    std::vector<std::uint64_t> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<std::uint64_t>(std::max(size[i], floor));
    }
    return out;
}

constexpr std::array<double, 24> kHourWeights = {1, 1, 0.5, 0.3, 0.2, 0.2, 0.5, 1, 3, 6, 8, 8,
                                                 6, 7, 8,   8,   7,   6,   4,   3, 3, 3, 2, 1.5};

std::int64_t pickStart(Rng& rng, const GenOptions& o) {
    const std::int64_t day = o.lastDay - o.spanDays + 1 + rng.range(0, o.spanDays - 1);
    double total = 0;
    for (double w : kHourWeights) {
        total += w;
    }
    double r = rng.uniform() * total;
    int hour = 0;
    while (hour < 23 && r >= kHourWeights[static_cast<std::size_t>(hour)]) {
        r -= kHourWeights[static_cast<std::size_t>(hour)];
        ++hour;
    }
    return day * msPerDay + hour * 3'600'000LL + rng.range(0, 3'599'999);
}

// ---------------------------------------------------------------------------------------------
// Claude Code transcripts.

constexpr std::array<const char*, 12> kClaudeModels = {"claude-sonnet-4-5-20250929",
                                                       "claude-sonnet-4-5-20250929",
                                                       "claude-opus-4-5-20251101",
                                                       "claude-opus-4-6",
                                                       "claude-sonnet-4-6",
                                                       "claude-opus-4-8",
                                                       "claude-sonnet-4-20250514",
                                                       "claude-opus-4-1-20250805",
                                                       "claude-haiku-4-5-20251001",
                                                       "claude-sonnet-5",
                                                       "glm-4.6",
                                                       "kimi-k2-0905-preview"};

constexpr std::array<const char*, 4> kSideModels = {"claude-haiku-4-5-20251001",
                                                    "claude-3-5-haiku-20241022",
                                                    "claude-sonnet-4-5-20250929", "deepseek-chat"};

constexpr std::array<const char*, 6> kVersions = {"1.0.128", "2.0.14", "2.0.37",
                                                  "2.0.55",  "2.1.3",  "2.1.19"};

constexpr std::array<int, 7> kOffsets = {60, 120, -300, -420, 330, 540, -180};

class ClaudeWriter {
public:
    ClaudeWriter(FileOut& out, const Pool& pool, const Project& project, const FilePlan& plan,
                 std::uint64_t giantFileBytes, GenTotals& totals)
        : m_out(out),
          m_b(out.buf),
          m_pool(pool),
          m_project(project),
          m_plan(plan),
          m_totals(totals),
          m_rng(plan.seed),
          m_now(plan.startMs) {
        m_session = makeUuid(m_rng);
        m_version = m_rng.pick(kVersions);
        m_branch = m_rng.chance(0.6) ? "main" : "feature/" + std::string(m_rng.pick(kIdents));
        m_model = m_rng.pick(kClaudeModels);
        m_sideModel = m_rng.pick(kSideModels);
        m_agentId.clear();
        appendHex(m_agentId, m_rng, 8);
        if (plan.budget >= giantFileBytes) {
            m_giants = plan.budget >= giantFileBytes * 5 / 2 ? 2 : 1;
        }
    }

    void run() {
        const std::uint64_t budget = m_plan.budget;
        if (!m_plan.agent && m_rng.chance(0.2)) {
            const auto n = m_rng.range(1, 4);
            for (std::int64_t i = 0; i < n; ++i) {
                summaryLine();
            }
        }
        while (m_out.written() < budget) {
            turn(budget);
        }
        if (!m_plan.agent && m_rng.chance(0.2)) {
            lastPromptLine();
        }
        // Now and then the file ends mid-write, without the last line feed.
        if (m_rng.chance(0.03)) {
            systemLine("info", false);
        }
    }

private:
    void advance(std::int64_t loMs, std::int64_t hiMs) { m_now += m_rng.range(loMs, hiMs); }

    void timestamp() {
        TsStyle style;
        if (m_rng.chance(0.02)) {
            style.offsetMinutes = m_rng.pick(kOffsets);
        }
        style.fraction = !m_rng.chance(0.03);
        m_b.append("\"timestamp\":\"");
        appendIso(m_b, m_now, style);
        m_b.push_back('"');
    }

    void header(bool sidechain) {
        m_out.beginLine();
        m_b.append("{\"parentUuid\":");
        if (m_parent.empty()) {
            m_b.append("null");
        } else {
            m_b.push_back('"');
            m_b.append(m_parent);
            m_b.push_back('"');
        }
        m_b.append(",\"isSidechain\":");
        m_b.append(sidechain ? "true" : "false");
        m_b.append(",\"userType\":\"external\",\"cwd\":\"");
        m_b.append(m_project.cwd);
        m_b.append("\",\"sessionId\":\"");
        m_b.append(m_session);
        m_b.append("\",\"version\":\"");
        m_b.append(m_version);
        m_b.append("\",\"gitBranch\":\"");
        m_b.append(m_branch);
        m_b.push_back('"');
        if (m_plan.agent) {
            m_b.append(",\"agentId\":\"");
            m_b.append(m_agentId);
            m_b.push_back('"');
        }
    }

    // Closes a line begun by header(): its own uuid and timestamp, then the brace.
    void trailer(bool finalFeed = true) {
        m_parent = makeUuid(m_rng);
        m_b.append(",\"uuid\":\"");
        m_b.append(m_parent);
        m_b.append("\",");
        timestamp();
        m_b.push_back('}');
        m_out.endLine(finalFeed);
    }

    bool sidechain() const { return m_plan.agent || m_inTask; }

    void countPrompt(bool isMeta, bool isSidechain) {
        if (!isMeta && !isSidechain) {
            ++m_totals.prompts;
        }
    }

    void summaryLine() {
        m_out.beginLine();
        m_b.append("{\"type\":\"summary\",\"summary\":\"");
        appendWords(m_b, m_rng, static_cast<int>(m_rng.range(3, 8)));
        m_b.append("\",\"leafUuid\":\"");
        appendUuid(m_b, m_rng);
        m_b.append("\"}");
        m_out.endLine();
    }

    void lastPromptLine() {
        m_out.beginLine();
        m_b.append("{\"type\":\"last-prompt\",\"lastPrompt\":\"");
        appendProse(m_b, m_pool, m_rng, 80);
        m_b.append("\",\"sessionId\":\"");
        m_b.append(m_session);
        m_b.append("\"}");
        m_out.endLine();
        ++m_totals.prompts;
    }

    void snapshotLine() {
        m_out.beginLine();
        m_b.append("{\"type\":\"file-history-snapshot\",\"messageId\":\"");
        appendUuid(m_b, m_rng);
        m_b.append("\",\"snapshot\":{\"messageId\":\"");
        appendUuid(m_b, m_rng);
        m_b.append("\",\"trackedFileBackups\":{");
        const auto n = m_rng.range(0, 4);
        for (std::int64_t i = 0; i < n; ++i) {
            if (i) {
                m_b.push_back(',');
            }
            m_b.push_back('"');
            m_b.append(m_rng.pick(m_project.files));
            m_b.append("\":{\"backupFileName\":\"");
            appendHex(m_b, m_rng, 16);
            m_b.append("@v");
            appendInt(m_b, m_rng.range(1, 9));
            m_b.append("\",\"version\":1,\"backupTime\":\"");
            appendIso(m_b, m_now, {});
            m_b.append("\"}");
        }
        m_b.append("},\"timestamp\":\"");
        appendIso(m_b, m_now, {});
        m_b.append("\"},\"isSnapshotUpdate\":false}");
        m_out.endLine();
    }

    void systemLine(const char* level, bool finalFeed = true) {
        header(sidechain());
        m_b.append(",\"type\":\"system\",\"subtype\":\"");
        const bool compact = m_rng.chance(0.3);
        m_b.append(compact ? "compact_boundary" : "informational");
        m_b.append("\",\"content\":\"");
        m_b.append(compact ? "Conversation compacted" : "Running PostToolUse hooks…");
        m_b.append("\",\"isMeta\":false,\"level\":\"");
        m_b.append(level);
        m_b.push_back('"');
        if (compact) {
            m_b.append(",\"compactMetadata\":{\"trigger\":\"auto\",\"preTokens\":");
            appendInt(m_b, m_rng.range(120'000, 190'000));
            m_b.push_back('}');
        }
        trailer(finalFeed);
    }

    void queueLine() {
        m_out.beginLine();
        m_b.append("{\"type\":\"queue-operation\",\"operation\":\"enqueue\",");
        timestamp();
        m_b.append(",\"content\":\"");
        appendProse(m_b, m_pool, m_rng, 60);
        m_b.append("\",\"sessionId\":\"");
        m_b.append(m_session);
        m_b.append("\"}");
        m_out.endLine();
    }

    void promptLine() {
        const bool side = sidechain();
        if (!side && m_rng.chance(0.08)) {
            // A slash command: a meta caveat line, then the command itself as a string prompt.
            header(false);
            m_b.append(
                ",\"type\":\"user\",\"message\":{\"role\":\"user\",\"content\":\"<local-command-"
                "caveat>Caveat: The messages below were generated by the user while running "
                "local commands. DO NOT respond to these messages or otherwise consider them in "
                "your response unless the user explicitly asks you to.</local-command-caveat>\"},"
                "\"isMeta\":true");
            trailer();
            countPrompt(true, false);
            advance(50, 400);
            header(false);
            m_b.append(
                ",\"type\":\"user\",\"message\":{\"role\":\"user\",\"content\":\"<command-name>/"
                "model</command-name>\\n            <command-message>model</command-message>\\n  "
                "          <command-args></command-args>\"}");
            trailer();
            countPrompt(false, false);
            advance(50, 400);
        }
        header(side);
        m_b.append(",\"type\":\"user\",\"message\":{\"role\":\"user\",\"content\":");
        const auto form = m_rng.below(100);
        const std::size_t len =
            static_cast<std::size_t>(std::min(m_rng.lognormal(220, 1.1), side ? 4000.0 : 20000.0));
        if (form < 82) {
            m_b.push_back('"');
            appendProse(m_b, m_pool, m_rng, len);
            m_b.push_back('"');
        } else if (form < 92) {
            m_b.append("[{\"type\":\"text\",\"text\":\"");
            appendProse(m_b, m_pool, m_rng, len);
            m_b.append("\"}]");
        } else if (form < 96) {
            m_b.append(
                "[{\"type\":\"image\",\"source\":{\"type\":\"base64\",\"media_type\":"
                "\"image/png\",\"data\":\"");
            appendBase64(m_b, m_rng, static_cast<std::size_t>(m_rng.range(2000, 60000)));
            m_b.append("\"}},{\"type\":\"text\",\"text\":\"");
            appendProse(m_b, m_pool, m_rng, len);
            m_b.append("\"}]");
        } else {
            m_b.append("[{\"type\":\"text\",\"text\":\"[Request interrupted by user]\"}]");
        }
        m_b.append("}");
        trailer();
        countPrompt(false, side);
    }

    // Usage of one reply; every line of the reply repeats it and each line counts.
    struct Usage {
        std::int64_t in = 0, out = 0, cacheRead = 0, cacheWrite = 0;
        bool legacy = false;  // only input and output, as older versions wrote
    };

    Usage makeUsage() {
        Usage u;
        u.legacy = m_rng.chance(0.01);
        u.in = m_rng.chance(0.7) ? m_rng.range(1, 12) : m_rng.range(100, 30'000);
        u.out = static_cast<std::int64_t>(std::min(m_rng.lognormal(180, 1.3), 32'000.0)) + 1;
        m_context = std::min<std::int64_t>(m_context + m_rng.range(200, 9000), 190'000);
        u.cacheRead = u.legacy ? 0 : m_context;
        u.cacheWrite = u.legacy ? 0 : m_rng.range(0, 12'000);
        return u;
    }

    void assistantLine(const Usage& u, const std::string& model, char kind,
                       const std::string* toolName = nullptr,
                       const std::string* toolInput = nullptr, const char* stop = "null") {
        header(sidechain());
        m_b.append(",\"message\":{\"id\":\"msg_01");
        appendAlnum(m_b, m_rng, 22);
        m_b.append("\",\"type\":\"message\",\"role\":\"assistant\",\"model\":\"");
        m_b.append(model);
        m_b.append("\",\"content\":[");
        if (kind == 'k') {
            m_b.append("{\"type\":\"thinking\",\"thinking\":\"");
            appendProse(m_b, m_pool, m_rng, static_cast<std::size_t>(m_rng.range(200, 4000)));
            m_b.append("\",\"signature\":\"");
            appendBase64(m_b, m_rng, static_cast<std::size_t>(m_rng.range(300, 2500)));
            m_b.append("\"}");
        } else if (kind == 't') {
            m_b.append("{\"type\":\"text\",\"text\":\"");
            appendProse(m_b, m_pool, m_rng,
                        static_cast<std::size_t>(std::min(m_rng.lognormal(400, 1.0), 12000.0)));
            m_b.append("\"}");
        } else {
            m_b.append("{\"type\":\"tool_use\",\"id\":\"toolu_01");
            appendAlnum(m_b, m_rng, 22);
            m_toolId.assign(m_b, m_b.size() - 30, 30);
            m_b.append("\",\"name\":\"");
            m_b.append(*toolName);
            m_b.append("\",\"input\":");
            m_b.append(*toolInput);
            m_b.push_back('}');
        }
        m_b.append("],\"stop_reason\":");
        m_b.append(stop);
        m_b.append(",\"stop_sequence\":null,\"usage\":{\"input_tokens\":");
        appendInt(m_b, u.in);
        if (!u.legacy) {
            m_b.append(",\"cache_creation_input_tokens\":");
            appendInt(m_b, u.cacheWrite);
            m_b.append(",\"cache_read_input_tokens\":");
            appendInt(m_b, u.cacheRead);
            m_b.append(",\"cache_creation\":{\"ephemeral_5m_input_tokens\":");
            appendInt(m_b, u.cacheWrite);
            m_b.append(",\"ephemeral_1h_input_tokens\":0}");
        }
        m_b.append(",\"output_tokens\":");
        appendInt(m_b, u.out);
        m_b.append(",\"service_tier\":\"standard\"}},\"requestId\":\"req_011C");
        appendAlnum(m_b, m_rng, 20);
        m_b.append("\",\"type\":\"assistant\"");
        trailer();
        if (model != "<synthetic>") {
            ++m_totals.assistantMessages;
            m_totals.tokensIn += static_cast<double>(u.in);
            m_totals.tokensOut += static_cast<double>(u.out);
            m_totals.cacheRead += static_cast<double>(u.cacheRead);
            m_totals.cacheWrite += static_cast<double>(u.cacheWrite);
            m_totals.models.insert(model);
        }
    }

    void syntheticLine() {
        header(sidechain());
        m_b.append(",\"message\":{\"id\":\"");
        appendUuid(m_b, m_rng);
        m_b.append(
            "\",\"model\":\"<synthetic>\",\"role\":\"assistant\",\"stop_reason\":\"stop_sequence\","
            "\"stop_sequence\":\"\",\"type\":\"message\",\"usage\":{\"input_tokens\":0,\"output_"
            "tokens\":0,\"cache_creation_input_tokens\":0,\"cache_read_input_tokens\":0,\"server_"
            "tool_use\":{\"web_search_requests\":0},\"service_tier\":null},\"content\":[{\"type\":"
            "\"text\",\"text\":\"No response requested.\"}]},\"type\":\"assistant\","
            "\"isApiErrorMessage\":false");
        trailer();
    }

    // A tool result line: the message's tool_result block (body written by resultText) and
    // the structured toolUseResult (written by toolResult, or none).
    template <class Text, class Result>
    void resultLine(Text resultText, Result toolResult, bool isError = false) {
        header(sidechain());
        m_b.append(
            ",\"type\":\"user\",\"message\":{\"role\":\"user\",\"content\":[{\"tool_use_id\":"
            "\"");
        m_b.append(m_toolId);
        m_b.append("\",\"type\":\"tool_result\",\"content\":");
        resultText();
        if (isError) {
            m_b.append(",\"is_error\":true");
        }
        m_b.append("}]},\"toolUseResult\":");
        toolResult();
        trailer();
    }

    // Appends hunks as a structuredPatch array; counts their lines.
    void appendHunks(std::int64_t& added, std::int64_t& removed, int hunks) {
        m_b.push_back('[');
        for (int h = 0; h < hunks; ++h) {
            if (h) {
                m_b.push_back(',');
            }
            const bool contextOnly = m_rng.chance(0.02);
            const auto ctx = m_rng.range(0, 3);
            const auto del = contextOnly ? 0 : m_rng.range(0, 8);
            const auto add = contextOnly ? 0 : m_rng.range(del == 0 ? 1 : 0, 15);
            const auto oldStart = m_rng.range(1, 900);
            m_b.append("{\"oldStart\":");
            appendInt(m_b, oldStart);
            m_b.append(",\"oldLines\":");
            appendInt(m_b, 2 * ctx + del);
            m_b.append(",\"newStart\":");
            appendInt(m_b, oldStart + m_rng.range(0, 20));
            m_b.append(",\"newLines\":");
            appendInt(m_b, 2 * ctx + add);
            m_b.append(",\"lines\":[");
            std::size_t at = m_rng.below(m_pool.lineCount() - 40);
            bool first = true;
            auto line = [&](char mark) {
                if (!first) {
                    m_b.push_back(',');
                }
                first = false;
                m_b.push_back('"');
                m_b.push_back(mark);
                m_b.append(m_pool.line(at++));
                m_b.push_back('"');
            };
            hunkLines(ctx, del, add, line);
            if (m_rng.chance(0.03)) {
                m_b.append(first ? "" : ",");
                m_b.append("\"\\\\ No newline at end of file\"");
            }
            m_b.append("]}");
            added += add;
            removed += del;
        }
        m_b.push_back(']');
    }

    void countEdit(const std::string& path, std::int64_t added, std::int64_t removed) {
        if (added == 0 && removed == 0) {
            return;
        }
        m_totals.linesAdded += added;
        m_totals.linesRemoved += removed;
        m_totals.editedFiles.insert(path);
    }

    std::size_t fileBytes(std::uint64_t budget) {
        const double left = static_cast<double>(budget) - static_cast<double>(m_out.written());
        return static_cast<std::size_t>(
            std::clamp(m_rng.lognormal(7000, 1.0), 200.0, std::max(400.0, left * 0.5)));
    }

    void jsonInput(std::string& s, std::initializer_list<std::pair<const char*, std::string>> kv) {
        s = "{";
        bool first = true;
        for (const auto& [k, v] : kv) {
            if (!first) {
                s += ',';
            }
            first = false;
            s += '"';
            s += k;
            s += "\":\"";
            s += v;
            s += '"';
        }
        s += '}';
    }

    void editStep(std::uint64_t budget) {
        const std::string& path = m_rng.pick(m_project.files);
        std::string oldStr;
        std::string newStr;
        appendPoolRun(oldStr, m_pool, m_rng, static_cast<std::size_t>(m_rng.range(20, 600)));
        appendPoolRun(newStr, m_pool, m_rng, static_cast<std::size_t>(m_rng.range(20, 900)));
        std::string input;
        jsonInput(input, {{"file_path", path}, {"old_string", oldStr}, {"new_string", newStr}});
        const std::string name = m_rng.chance(0.1) ? "MultiEdit" : "Edit";
        assistantLine(makeUsage(), currentModel(), 'u', &name, &input, "\"tool_use\"");
        advance(200, 4000);
        std::int64_t added = 0;
        std::int64_t removed = 0;
        const auto size = fileBytes(budget);
        resultLine(
            [&] {
                m_b.append("\"The file ");
                m_b.append(path);
                m_b.append(
                    " has been updated. Here's the result of running `cat -n` on a "
                    "snippet of the edited file:\\n");
                numbered(static_cast<std::size_t>(m_rng.range(200, 1500)));
                m_b.push_back('"');
            },
            [&] {
                m_b.append("{\"filePath\":\"");
                m_b.append(path);
                m_b.append("\",\"oldString\":\"");
                m_b.append(oldStr);
                m_b.append("\",\"newString\":\"");
                m_b.append(newStr);
                m_b.append("\",\"originalFile\":\"");
                appendFileText(m_b, m_pool, m_rng, size);
                m_b.append("\",\"structuredPatch\":");
                appendHunks(added, removed, static_cast<int>(m_rng.range(1, 3)));
                m_b.append(",\"userModified\":false,\"replaceAll\":false}");
            });
        countEdit(path, added, removed);
    }

    // Write: a new file (content only, or an empty structuredPatch as newer versions write), or
    // an update of an existing one (content and hunks; the hunks count).
    void writeStep(std::size_t size) {
        const std::string& path = m_rng.pick(m_project.files);
        std::string content;
        const std::int64_t contentLines = appendFileText(content, m_pool, m_rng, size);
        std::string input = "{\"file_path\":\"" + path + "\",\"content\":\"" + content + "\"}";
        const std::string name = "Write";
        assistantLine(makeUsage(), currentModel(), 'u', &name, &input, "\"tool_use\"");
        advance(100, 2000);
        const auto kind = m_rng.below(100);
        std::int64_t added = 0;
        std::int64_t removed = 0;
        resultLine(
            [&] {
                m_b.append("\"File created successfully at: ");
                m_b.append(path);
                m_b.push_back('"');
            },
            [&] {
                m_b.append(kind < 30 ? "{\"type\":\"update\",\"filePath\":\""
                                     : "{\"type\":\"create\",\"filePath\":\"");
                m_b.append(path);
                m_b.append("\",\"content\":\"");
                m_b.append(content);
                m_b.push_back('"');
                if (kind < 30) {
                    m_b.append(",\"structuredPatch\":");
                    appendHunks(added, removed, static_cast<int>(m_rng.range(1, 4)));
                } else if (kind < 60) {
                    m_b.append(",\"structuredPatch\":[]");
                } else if (kind < 62) {
                    m_b.append(",\"structuredPatch\":null");
                } else {
                    added = contentLines;  // no patch: every line of the content counts
                }
                m_b.push_back('}');
            });
        countEdit(path, added, removed);
    }

    void numbered(std::size_t bytes) {
        const std::size_t before = m_b.size();
        std::size_t at = m_rng.below(m_pool.lineCount());
        std::int64_t n = m_rng.range(1, 400);
        while (m_b.size() - before < bytes) {
            const auto num = std::to_string(n++);
            m_b.append(6 - std::min<std::size_t>(num.size(), 6), ' ');
            m_b.append(num);
            m_b.append("→");
            m_b.append(m_pool.line(at));
            m_b.append("\\n");
            at = (at + 1) % m_pool.lineCount();
        }
    }

    void readStep(std::size_t size) {
        const std::string& path = m_rng.pick(m_project.files);
        std::string input = "{\"file_path\":\"" + path + "\"}";
        const std::string name = "Read";
        assistantLine(makeUsage(), currentModel(), 'u', &name, &input, "\"tool_use\"");
        advance(50, 800);
        resultLine(
            [&] {
                m_b.push_back('"');
                numbered(size);
                m_b.push_back('"');
            },
            [&] {
                m_b.append("{\"type\":\"text\",\"file\":{\"filePath\":\"");
                m_b.append(path);
                m_b.append("\",\"content\":\"");
                const auto lines = appendFileText(m_b, m_pool, m_rng, size);
                m_b.append("\",\"numLines\":");
                appendInt(m_b, lines);
                m_b.append(",\"startLine\":1,\"totalLines\":");
                appendInt(m_b, lines);
                m_b.append("}}");
            });
    }

    void bashStep(std::size_t size) {
        std::string input =
            "{\"command\":\"cargo test --workspace 2>&1 | tail -n 200\","
            "\"description\":\"Run the test suite\"}";
        const std::string name = "Bash";
        assistantLine(makeUsage(), currentModel(), 'u', &name, &input, "\"tool_use\"");
        advance(500, 90'000);
        std::string output;
        appendPoolRun(output, m_pool, m_rng, size);
        resultLine(
            [&] {
                m_b.push_back('"');
                m_b.append(output);
                m_b.push_back('"');
            },
            [&] {
                m_b.append("{\"stdout\":\"");
                m_b.append(output);
                m_b.append("\",\"stderr\":\"\",\"interrupted\":false,\"isImage\":false}");
            });
    }

    void searchStep() {
        std::string input = "{\"pattern\":\"" + std::string(m_rng.pick(kIdents)) + "\",\"path\":\""
                            + m_project.cwd + "\"}";
        const std::string name = m_rng.chance(0.5) ? "Grep" : "Glob";
        assistantLine(makeUsage(), currentModel(), 'u', &name, &input, "\"tool_use\"");
        advance(50, 600);
        std::vector<const std::string*> found;
        const auto n = m_rng.range(0, 30);
        for (std::int64_t i = 0; i < n; ++i) {
            found.push_back(&m_rng.pick(m_project.files));
        }
        resultLine(
            [&] {
                m_b.append("\"Found ");
                appendInt(m_b, n);
                m_b.append(" files\\n");
                for (const auto* f : found) {
                    m_b.append(*f);
                    m_b.append("\\n");
                }
                m_b.push_back('"');
            },
            [&] {
                m_b.append("{\"mode\":\"files_with_matches\",\"filenames\":[");
                for (std::size_t i = 0; i < found.size(); ++i) {
                    m_b.append(i ? ",\"" : "\"");
                    m_b.append(*found[i]);
                    m_b.push_back('"');
                }
                m_b.append("],\"numFiles\":");
                appendInt(m_b, n);
                m_b.push_back('}');
            });
    }

    void todoStep() {
        std::string input =
            "{\"todos\":[{\"content\":\"Fix the parser\",\"status\":"
            "\"in_progress\",\"activeForm\":\"Fixing the parser\"}]}";
        const std::string name = "TodoWrite";
        assistantLine(makeUsage(), currentModel(), 'u', &name, &input, "\"tool_use\"");
        advance(50, 300);
        resultLine(
            [&] {
                m_b.append(
                    "\"Todos have been modified successfully. Ensure that you continue to "
                    "use the todo list to track your progress.\"");
            },
            [&] {
                m_b.append(
                    "{\"oldTodos\":[],\"newTodos\":[{\"content\":\"Fix the parser\","
                    "\"status\":\"in_progress\",\"activeForm\":\"Fixing the parser\"},"
                    "{\"content\":\"Run the tests\",\"status\":\"pending\",\"activeForm\":"
                    "\"Running the tests\"}]}");
            });
    }

    void errorStep() {
        const std::string& path = m_rng.pick(m_project.files);
        std::string input = "{\"file_path\":\"" + path + "\",\"content\":\"x\"}";
        const std::string name = "Write";
        assistantLine(makeUsage(), currentModel(), 'u', &name, &input, "\"tool_use\"");
        advance(50, 300);
        resultLine(
            [&] {
                m_b.append(
                    "\"<tool_use_error>File has not been read yet. Read it first before "
                    "writing to it.</tool_use_error>\"");
            },
            [&] {
                m_b.append(
                    "\"Error: File has not been read yet. Read it first before writing to "
                    "it.\"");
            },
            true);
    }

    // A sub-agent run recorded inline: sidechain prompt and replies, then the Task result.
    void taskStep(std::uint64_t budget) {
        std::string input =
            "{\"description\":\"Explore the code base\",\"prompt\":\"Find every "
            "caller of the parser and summarise\",\"subagent_type\":\"Explore\"}";
        const std::string name = "Task";
        assistantLine(makeUsage(), currentModel(), 'u', &name, &input, "\"tool_use\"");
        const std::string taskTool = m_toolId;
        m_inTask = true;
        promptLine();
        const auto steps = m_rng.range(1, 4);
        for (std::int64_t i = 0; i < steps && m_out.written() < budget; ++i) {
            advance(500, 8000);
            if (m_rng.chance(0.5)) {
                readStep(fileBytes(budget));
            } else {
                searchStep();
            }
        }
        advance(500, 8000);
        assistantLine(makeUsage(), currentModel(), 't', nullptr, nullptr, "\"end_turn\"");
        m_inTask = false;
        m_toolId = taskTool;
        advance(100, 1000);
        resultLine(
            [&] {
                m_b.append("[{\"type\":\"text\",\"text\":\"");
                appendProse(m_b, m_pool, m_rng, 800);
                m_b.append("\"}]");
            },
            [&] {
                m_b.append(
                    "{\"status\":\"completed\",\"prompt\":\"Find every caller of the parser "
                    "and summarise\",\"agentId\":\"");
                appendHex(m_b, m_rng, 8);
                m_b.append("\",\"content\":[{\"type\":\"text\",\"text\":\"");
                appendProse(m_b, m_pool, m_rng, 600);
                m_b.append("\"}],\"totalDurationMs\":");
                appendInt(m_b, m_rng.range(5000, 200'000));
                m_b.append(",\"totalTokens\":");
                appendInt(m_b, m_rng.range(5000, 90'000));
                m_b.append(",\"totalToolUseCount\":");
                appendInt(m_b, steps);
                // A usage block inside a tool result is not a reply of its own.
                m_b.append(
                    ",\"usage\":{\"input_tokens\":7,\"cache_creation_input_tokens\":1200,"
                    "\"cache_read_input_tokens\":30000,\"output_tokens\":900}}");
            });
    }

    std::string currentModel() const { return m_inTask || m_plan.agent ? m_sideModel : m_model; }

    void giantStep() {
        --m_giants;
        const auto budget = static_cast<std::int64_t>(m_plan.budget);
        const auto size =
            static_cast<std::size_t>(m_rng.range(std::min<std::int64_t>(1'500'000, budget / 8),
                                                 std::min<std::int64_t>(4'000'000, budget / 4)));
        if (m_rng.chance(0.5)) {
            readStep(size);
        } else {
            writeStep(size);
        }
    }

    void turn(std::uint64_t budget) {
        // Between prompts: minutes; now and then the session is resumed days later.
        if (m_rng.chance(0.04)) {
            advance(86'400'000, 3 * 86'400'000);
        } else {
            advance(20'000, 1'800'000);
        }
        if (!m_plan.agent && m_rng.chance(0.3)) {
            snapshotLine();
        }
        if (m_rng.chance(0.03)) {
            queueLine();
        }
        promptLine();
        const auto steps = m_rng.range(1, 12);
        for (std::int64_t i = 0; i < steps && m_out.written() < budget; ++i) {
            advance(1500, 25'000);
            if (m_rng.chance(0.3)) {
                const Usage u = makeUsage();
                assistantLine(u, currentModel(), 'k');
                advance(100, 2000);
                assistantLine(u, currentModel(), 't');
                advance(100, 2000);
            }
            if (m_giants > 0 && m_out.written() > budget / 3) {
                giantStep();
                continue;
            }
            const auto r = m_rng.below(100);
            if (r < 30) {
                editStep(budget);
            } else if (r < 40) {
                writeStep(fileBytes(budget));
            } else if (r < 62) {
                readStep(fileBytes(budget));
            } else if (r < 80) {
                bashStep(static_cast<std::size_t>(std::min(m_rng.lognormal(1500, 1.4), 200'000.0)));
            } else if (r < 89) {
                searchStep();
            } else if (r < 93) {
                todoStep();
            } else if (r < 96) {
                errorStep();
            } else if (!m_plan.agent) {
                taskStep(budget);
            }
        }
        advance(1000, 20'000);
        assistantLine(makeUsage(), currentModel(), 't', nullptr, nullptr, "\"end_turn\"");
        if (m_rng.chance(0.03)) {
            syntheticLine();
        }
        if (m_rng.chance(0.05)) {
            systemLine("info");
        }
    }

    FileOut& m_out;
    std::string& m_b;
    const Pool& m_pool;
    const Project& m_project;
    const FilePlan& m_plan;
    GenTotals& m_totals;
    Rng m_rng;
    std::int64_t m_now;
    std::string m_session;
    std::string m_version;
    std::string m_branch;
    std::string m_model;
    std::string m_sideModel;
    std::string m_agentId;
    std::string m_parent;
    std::string m_toolId = "toolu_01";
    std::int64_t m_context = 12'000;
    int m_giants = 0;
    bool m_inTask = false;
};

// ---------------------------------------------------------------------------------------------
// Codex rollouts.

constexpr std::array<const char*, 7> kCodexModels = {
    "gpt-5-codex", "gpt-5-codex", "gpt-5", "gpt-5.1-codex", "gpt-5.5-codex", "gpt-5.5", "o3"};

class CodexWriter {
public:
    CodexWriter(FileOut& out, const Pool& pool, const Project& project, const FilePlan& plan,
                GenTotals& totals)
        : m_out(out),
          m_b(out.buf),
          m_pool(pool),
          m_project(project),
          m_plan(plan),
          m_totals(totals),
          m_rng(plan.seed),
          m_now(plan.startMs) {
        // Sessions that never name a model are priced as the default one.
        m_namesModel = m_rng.chance(0.9);
        m_model = m_rng.pick(kCodexModels);
    }

    void run() {
        if (m_rng.chance(0.08)) {
            runLegacy();
        } else {
            sessionMeta();
            environment();
            while (m_out.written() < m_plan.budget) {
                turn();
            }
        }
        // Settle the file as a reader does: one model, the last token totals.
        m_totals.prompts += m_prompts;
        m_totals.assistantMessages += m_assistant;
        m_totals.linesAdded += m_added;
        m_totals.linesRemoved += m_removed;
        if (m_usageSeen) {
            m_totals.tokensIn += std::max(0.0, static_cast<double>(m_in - m_cached));
            m_totals.tokensOut += static_cast<double>(m_outTokens);
            m_totals.cacheRead += static_cast<double>(m_cached);
            m_totals.models.insert(m_lastModel);
        }
    }

private:
    void advance(std::int64_t lo, std::int64_t hi) { m_now += m_rng.range(lo, hi); }

    void begin(const char* type) {
        m_out.beginLine();
        m_b.append("{\"timestamp\":\"");
        TsStyle style;
        style.offsetMinutes = m_rng.chance(0.01) ? m_rng.pick(kOffsets) : 0;
        appendIso(m_b, m_now, style);
        m_b.append("\",\"type\":\"");
        m_b.append(type);
        m_b.append("\",\"payload\":");
    }

    void end() {
        m_b.push_back('}');
        m_out.endLine();
    }

    void sessionMeta() {
        begin("session_meta");
        m_b.append("{\"id\":\"");
        appendUuid(m_b, m_rng);
        m_b.append("\",\"timestamp\":\"");
        appendIso(m_b, m_now, {});
        m_b.append("\",\"cwd\":\"");
        m_b.append(m_project.cwd);
        m_b.append("\",\"originator\":\"codex_cli_rs\",\"cli_version\":\"0.");
        appendInt(m_b, m_rng.range(40, 63));
        m_b.append(".0\",\"instructions\":");
        if (m_rng.chance(0.5)) {
            m_b.append("null");
        } else {
            m_b.push_back('"');
            appendProse(m_b, m_pool, m_rng, static_cast<std::size_t>(m_rng.range(500, 8000)));
            m_b.push_back('"');
        }
        m_b.append(",\"source\":\"cli\",\"model_provider\":\"openai\",\"git\":{\"commit_hash\":\"");
        appendHex(m_b, m_rng, 40);
        m_b.append("\",\"branch\":\"main\",\"repository_url\":\"git@github.com:acme/");
        m_b.append(m_project.cwd.substr(m_project.cwd.rfind('/') + 1));
        m_b.append(".git\"}}");
        end();
    }

    void message(const char* role, std::size_t bytes) {
        begin("response_item");
        m_b.append("{\"type\":\"message\",\"role\":\"");
        m_b.append(role);
        m_b.append("\",\"content\":[{\"type\":\"");
        m_b.append(std::string_view(role) == "assistant" ? "output_text" : "input_text");
        m_b.append("\",\"text\":\"");
        appendProse(m_b, m_pool, m_rng, bytes);
        m_b.append("\"}]}");
        end();
        if (std::string_view(role) == "user") {
            ++m_prompts;
        } else if (std::string_view(role) == "assistant") {
            ++m_assistant;
        }
    }

    void environment() {
        begin("response_item");
        m_b.append(
            "{\"type\":\"message\",\"role\":\"user\",\"content\":[{\"type\":\"input_text\","
            "\"text\":\"<environment_context>\\n  <cwd>");
        m_b.append(m_project.cwd);
        m_b.append(
            "</cwd>\\n  <approval_policy>on-request</approval_policy>\\n  <sandbox_mode>"
            "workspace-write</sandbox_mode>\\n  <network_access>restricted</network_access>"
            "\\n  <shell>bash</shell>\\n</environment_context>\"}]}");
        end();
        ++m_prompts;
        if (m_rng.chance(0.3)) {
            message("developer", 1200);
        }
    }

    void turnContext() {
        if (m_rng.chance(0.05)) {
            m_model = m_rng.pick(kCodexModels);  // switched with /model
        }
        begin("turn_context");
        m_b.append("{\"cwd\":\"");
        m_b.append(m_project.cwd);
        m_b.append(
            "\",\"approval_policy\":\"on-request\",\"sandbox_policy\":{\"mode\":\"workspace-"
            "write\",\"network_access\":false,\"exclude_tmpdir_env_var\":false,"
            "\"exclude_slash_tmp\":false}");
        if (m_namesModel) {
            m_b.append(",\"model\":\"");
            m_b.append(m_model);
            m_b.push_back('"');
            m_lastModel = m_model;
        } else {
            m_b.append(",\"model\":\"\"");  // an empty name does not replace the model
        }
        m_b.append(",\"effort\":\"medium\",\"summary\":\"auto\"}");
        end();
    }

    void tokenCount(bool withInfo) {
        begin("event_msg");
        m_b.append("{\"type\":\"token_count\",\"info\":");
        if (!withInfo) {
            m_b.append("null");
        } else {
            const auto turnIn = m_rng.range(8000, 120'000);
            const auto turnCached = turnIn * m_rng.range(60, 98) / 100;
            const auto turnOut = m_rng.range(50, 4000);
            m_in += turnIn;
            m_cached += turnCached;
            m_outTokens += turnOut;
            m_usageSeen = true;
            m_b.append("{\"total_token_usage\":{\"input_tokens\":");
            appendInt(m_b, m_in);
            m_b.append(",\"cached_input_tokens\":");
            appendInt(m_b, m_cached);
            m_b.append(",\"output_tokens\":");
            appendInt(m_b, m_outTokens);
            m_b.append(",\"reasoning_output_tokens\":");
            appendInt(m_b, m_outTokens / 2);
            m_b.append(",\"total_tokens\":");
            appendInt(m_b, m_in + m_outTokens);
            m_b.append("},\"last_token_usage\":{\"input_tokens\":");
            appendInt(m_b, turnIn);
            m_b.append(",\"cached_input_tokens\":");
            appendInt(m_b, turnCached);
            m_b.append(",\"output_tokens\":");
            appendInt(m_b, turnOut);
            m_b.append(",\"reasoning_output_tokens\":0,\"total_tokens\":");
            appendInt(m_b, turnIn + turnOut);
            m_b.append("},\"model_context_window\":272000}");
        }
        m_b.append(",\"rate_limits\":{\"primary\":{\"used_percent\":");
        appendInt(m_b, m_rng.range(0, 99));
        m_b.append(".0,\"window_minutes\":300,\"resets_in_seconds\":");
        appendInt(m_b, m_rng.range(0, 18000));
        m_b.append("},\"secondary\":{\"used_percent\":");
        appendInt(m_b, m_rng.range(0, 99));
        m_b.append(".0,\"window_minutes\":10080,\"resets_in_seconds\":");
        appendInt(m_b, m_rng.range(0, 600'000));
        m_b.append("}}}");
        end();
    }

    void reasoning() {
        begin("response_item");
        m_b.append("{\"type\":\"reasoning\",\"summary\":[{\"type\":\"summary_text\",\"text\":\"**");
        appendWords(m_b, m_rng, 3);
        m_b.append("**\\n\\n");
        appendProse(m_b, m_pool, m_rng, 300);
        m_b.append("\"}],\"content\":null,\"encrypted_content\":\"gAAAAA");
        appendBase64(m_b, m_rng, static_cast<std::size_t>(m_rng.range(800, 6000)));
        m_b.append("\"}");
        end();
        advance(10, 200);
        begin("event_msg");
        m_b.append("{\"type\":\"agent_reasoning\",\"text\":\"");
        appendProse(m_b, m_pool, m_rng, 300);
        m_b.append("\"}");
        end();
    }

    void shellCall() {
        std::string id = "call_";
        appendAlnum(id, m_rng, 24);
        begin("response_item");
        m_b.append(
            "{\"type\":\"function_call\",\"name\":\"shell\",\"arguments\":\"{\\\"command\\\":"
            "[\\\"bash\\\",\\\"-lc\\\",\\\"rg -n ");
        m_b.append(m_rng.pick(kIdents));
        m_b.append(" src\\\"],\\\"workdir\\\":\\\"");
        m_b.append(m_project.cwd);
        m_b.append("\\\"}\",\"call_id\":\"");
        m_b.append(id);
        m_b.append("\"}");
        end();
        advance(100, 30'000);
        // The output is a JSON text inside a JSON string: escaped twice.
        std::string once;
        appendPoolRun(once, m_pool, m_rng,
                      static_cast<std::size_t>(std::min(m_rng.lognormal(2000, 1.3), 150'000.0)));
        std::string inner =
            "{\"output\":\"" + once + "\",\"metadata\":{\"exit_code\":0,\"duration_seconds\":0.4}}";
        begin("response_item");
        m_b.append("{\"type\":\"function_call_output\",\"call_id\":\"");
        m_b.append(id);
        m_b.append("\",\"output\":\"");
        appendEscaped(m_b, inner);
        m_b.append("\"}");
        end();
    }

    void applyPatch() {
        std::string id = "call_";
        appendAlnum(id, m_rng, 24);
        begin("response_item");
        m_b.append("{\"type\":\"custom_tool_call\",\"status\":\"completed\",\"call_id\":\"");
        m_b.append(id);
        m_b.append("\",\"name\":\"apply_patch\",\"input\":\"*** Begin Patch\\n");
        const auto files = m_rng.range(1, 3);
        for (std::int64_t f = 0; f < files; ++f) {
            const std::string& path = m_rng.pick(m_project.files);
            const std::string_view rel = std::string_view(path).substr(m_project.cwd.size() + 1);
            if (m_rng.chance(0.2)) {
                m_b.append("*** Add File: ");
                m_b.append(rel);
                m_b.append("\\n");
                const auto n = m_rng.range(1, 80);
                std::size_t at = m_rng.below(m_pool.lineCount() - 100);
                for (std::int64_t i = 0; i < n; ++i) {
                    m_b.push_back('+');
                    m_b.append(m_pool.line(at++));
                    m_b.append("\\n");
                }
                m_added += n;
                continue;
            }
            m_b.append("*** Update File: ");
            m_b.append(rel);
            m_b.append("\\n");
            const auto hunks = m_rng.range(1, 4);
            for (std::int64_t h = 0; h < hunks; ++h) {
                m_b.append("@@ ");
                m_b.append(m_rng.pick(kIdents));
                m_b.append("\\n");
                std::size_t at = m_rng.below(m_pool.lineCount() - 60);
                const auto ctx = m_rng.range(0, 3);
                const auto del = m_rng.range(0, 6);
                const auto add = m_rng.range(0, 10);
                auto line = [&](char mark) {
                    m_b.push_back(mark);
                    m_b.append(m_pool.line(at++));
                    m_b.append("\\n");
                };
                hunkLines(ctx, del, add, line);
                m_added += add;
                m_removed += del;
            }
        }
        m_b.append("*** End Patch\"}");
        end();
        advance(50, 800);
        begin("response_item");
        m_b.append("{\"type\":\"custom_tool_call_output\",\"call_id\":\"");
        m_b.append(id);
        m_b.append(
            "\",\"output\":\"{\\\"output\\\":\\\"Success. Updated the following "
            "files:\\\\nM src/lib.rs\\\\n\\\",\\\"metadata\\\":{\\\"exit_code\\\":0,"
            "\\\"duration_seconds\\\":0.0}}\"}");
        end();
    }

    void turn() {
        advance(30'000, 1'800'000);
        turnContext();
        advance(10, 200);
        const auto promptBytes =
            static_cast<std::size_t>(std::min(m_rng.lognormal(250, 1.0), 12'000.0));
        message("user", promptBytes);
        begin("event_msg");
        m_b.append("{\"type\":\"user_message\",\"message\":\"");
        appendProse(m_b, m_pool, m_rng, promptBytes);
        m_b.append("\",\"images\":[]}");
        end();
        tokenCount(!m_usageSeen && m_rng.chance(0.5) ? false : true);
        const auto steps = m_rng.range(1, 15);
        for (std::int64_t i = 0; i < steps && m_out.written() < m_plan.budget; ++i) {
            advance(1000, 30'000);
            if (m_rng.chance(0.6)) {
                reasoning();
            }
            if (m_rng.chance(0.45)) {
                applyPatch();
            } else {
                shellCall();
            }
            if (m_rng.chance(0.7)) {
                tokenCount(true);
            }
        }
        advance(1000, 20'000);
        message("assistant", static_cast<std::size_t>(m_rng.range(100, 3000)));
        begin("event_msg");
        m_b.append("{\"type\":\"agent_message\",\"message\":\"");
        appendProse(m_b, m_pool, m_rng, 200);
        m_b.append("\"}");
        end();
        // The token count after the reply; sometimes without figures (an aborted turn).
        tokenCount(m_rng.chance(0.9));
    }

    // The early format: a header line without payload, state records, items without
    // timestamps. Only the header's timestamp counts.
    void runLegacy() {
        m_out.beginLine();
        m_b.append("{\"id\":\"");
        appendUuid(m_b, m_rng);
        m_b.append("\",\"timestamp\":\"");
        appendIso(m_b, m_now, {});
        m_b.append("\",\"instructions\":null,\"git\":{\"commit_hash\":\"");
        appendHex(m_b, m_rng, 40);
        m_b.append("\",\"branch\":\"main\"}}");
        m_out.endLine();
        while (m_out.written() < m_plan.budget) {
            m_out.beginLine();
            m_b.append("{\"record_type\":\"state\"}");
            m_out.endLine();
            m_out.beginLine();
            m_b.append(
                "{\"type\":\"message\",\"id\":null,\"role\":\"user\",\"content\":[{\"type\":"
                "\"input_text\",\"text\":\"");
            appendProse(m_b, m_pool, m_rng, 300);
            m_b.append("\"}]}");
            m_out.endLine();
            m_out.beginLine();
            m_b.append("{\"type\":\"function_call_output\",\"call_id\":\"call_1\",\"output\":\"");
            appendPoolRun(m_b, m_pool, m_rng, 3000);
            m_b.append("\"}");
            m_out.endLine();
        }
    }

    FileOut& m_out;
    std::string& m_b;
    const Pool& m_pool;
    const Project& m_project;
    const FilePlan& m_plan;
    GenTotals& m_totals;
    Rng m_rng;
    std::int64_t m_now;
    bool m_namesModel = true;
    std::string m_model;
    std::string m_lastModel = "gpt-5-codex";
    bool m_usageSeen = false;
    std::int64_t m_in = 0, m_cached = 0, m_outTokens = 0;
    std::int64_t m_prompts = 0, m_assistant = 0, m_added = 0, m_removed = 0;
};

// ---------------------------------------------------------------------------------------------

void writeSmall(const fs::path& path, std::string_view text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        throw std::runtime_error("cannot create " + path.string());
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !ok) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

void makeDirs(const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        throw std::runtime_error("cannot create " + dir.string() + ": " + ec.message());
    }
}

// Files a reader must pass over: hidden entries, other extensions, a Codex file that is not a
// rollout, and a symlink to a project folder (following it would count its files twice).
void writeDecoys(const fs::path& claude, const fs::path& codex, const Project& project,
                 const fs::path& codexDay) {
    const std::string line =
        "{\"type\":\"user\",\"message\":{\"role\":\"user\",\"content\":"
        "\"hidden\"},\"timestamp\":\"2026-01-01T00:00:00.000Z\"}\n";
    makeDirs(claude / ".trash");
    writeSmall(claude / ".trash" / "0b7c2d1e-0000-4000-8000-000000000000.jsonl", line);
    writeSmall(claude / project.dirName / ".draft.jsonl", line);
    writeSmall(claude / project.dirName / "notes.txt", "not a transcript\n");
    writeSmall(claude / project.dirName / "session.jsonl.bak", line);
    writeSmall(codexDay / "notes.jsonl", line);
    std::error_code ec;
    fs::create_directory_symlink(claude / project.dirName, claude / "linked-project", ec);
    (void)codex;
}

}  // namespace

GenTotals generateTree(const GenOptions& options) {
    if (options.files <= 0) {
        throw std::runtime_error("the number of files must be positive");
    }
    const fs::path claude = options.out / ".claude" / "projects";
    const fs::path codex = options.out / ".codex" / "sessions";
    for (const auto& root : {options.out / ".claude", options.out / ".codex"}) {
        std::error_code ec;
        if (fs::exists(fs::symlink_status(root, ec))) {
            throw std::runtime_error(root.string()
                                     + " already exists; give an empty output folder");
        }
    }
    makeDirs(claude);
    makeDirs(codex);

    Rng master(options.seed);
    const Pool pool = makePool(options.seed);
    const std::vector<Project> projects = makeProjects(master, options.files);
    const std::vector<std::uint64_t> sizes = planSizes(master, options.files, options.totalBytes);

    std::vector<FilePlan> plans(static_cast<std::size_t>(options.files));
    for (std::size_t i = 0; i < plans.size(); ++i) {
        FilePlan& p = plans[i];
        p.codex = master.chance(options.codexShare);
        p.agent = !p.codex && master.chance(0.08);
        const double u = master.uniform();
        p.project = static_cast<int>(static_cast<double>(projects.size()) * u * u);
        p.budget = sizes[i];
        p.startMs = pickStart(master, options);
        p.seed = master.next();
    }

    GenTotals totals;
    FileOut out(totals);
    fs::path firstCodexDay;
    for (const FilePlan& plan : plans) {
        const Project& project = projects[static_cast<std::size_t>(plan.project)];
        Rng names(plan.seed ^ 0xF11EULL);
        fs::path path;
        if (plan.codex) {
            std::int64_t y = 0;
            int m = 0;
            int d = 0;
            civilFromDays(floorDiv(plan.startMs, msPerDay), y, m, d);
            std::string ys, ms, ds;
            appendPadded(ys, y, 4);
            appendPadded(ms, m, 2);
            appendPadded(ds, d, 2);
            const fs::path dir = codex / ys / ms / ds;
            makeDirs(dir);
            if (firstCodexDay.empty()) {
                firstCodexDay = dir;
            }
            std::string name = "rollout-";
            appendIso(name, plan.startMs, {0, false});
            name.pop_back();  // the 'Z'
            std::replace(name.begin() + 8, name.end(), ':', '-');
            name.push_back('-');
            appendUuid(name, names);
            name += ".jsonl";
            path = dir / name;
        } else {
            const fs::path dir = claude / project.dirName;
            makeDirs(dir);
            std::string name;
            if (plan.agent) {
                name = "agent-";
                appendHex(name, names, 8);
            } else {
                appendUuid(name, names);
            }
            name += ".jsonl";
            path = dir / name;
        }
        out.open(path);
        if (plan.codex) {
            CodexWriter(out, pool, project, plan, totals).run();
            ++totals.codexFiles;
        } else {
            ClaudeWriter(out, pool, project, plan, options.giantFileBytes, totals).run();
            ++totals.claudeFiles;
        }
        const std::uint64_t size = out.close();
        totals.bytes += size;
        totals.largestFile = std::max(totals.largestFile, size);
    }
    if (firstCodexDay.empty()) {
        firstCodexDay = codex / "2026" / "01" / "01";
        makeDirs(firstCodexDay);
    }
    makeDirs(claude / projects.front().dirName);
    writeDecoys(claude, codex, projects.front(), firstCodexDay);
    return totals;
}

std::string manifestJson(const GenOptions& options, const GenTotals& totals) {
    std::string s = "{\"generator\":1,\"seed\":";
    auto num = [&](const char* key, auto value, bool comma = true) {
        s += '"';
        s += key;
        s += "\":";
        appendInt(s, static_cast<std::int64_t>(value));  // token sums are whole numbers too
        if (comma) {
            s += ',';
        }
    };
    appendInt(s, static_cast<std::int64_t>(options.seed));
    s += ',';
    num("totalBytes", options.totalBytes);
    num("files", options.files);
    s += "\"codexShare\":" + std::to_string(options.codexShare) + ",";
    num("lastDay", options.lastDay);
    num("spanDays", options.spanDays);
    s += "\"totals\":{";
    num("claudeFiles", totals.claudeFiles);
    num("codexFiles", totals.codexFiles);
    num("bytes", totals.bytes);
    num("largestFile", totals.largestFile);
    num("longestLine", totals.longestLine);
    num("lines", totals.lines);
    num("prompts", totals.prompts);
    num("assistantMessages", totals.assistantMessages);
    num("tokensIn", totals.tokensIn);
    num("tokensOut", totals.tokensOut);
    num("cacheRead", totals.cacheRead);
    num("cacheWrite", totals.cacheWrite);
    num("linesAdded", totals.linesAdded);
    num("linesRemoved", totals.linesRemoved);
    num("filesEdited", totals.editedFiles.size());
    s += "\"models\":[";
    bool first = true;
    for (const auto& m : totals.models) {
        if (!first) {
            s += ',';
        }
        first = false;
        s += '"';
        appendEscaped(s, m);
        s += '"';
    }
    s += "]}}\n";
    return s;
}

}  // namespace tavrik::bench
