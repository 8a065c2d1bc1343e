#include "platform/Registry.h"

#include "platform/Errors.h"
#include "platform/Files.h"

#include <cctype>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

std::string failedToSet(const std::string& name) {
    return "Failed to set data for '" + name + "'";
}

std::string invalidType(const std::string& name) {
    return "Invalid data type for '" + name + "'";
}

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Key and value names compare without regard to ASCII letter case, as in the Windows registry.
bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

// The components of a key path, without empty ones ("\a\\b\" gives a, b).
std::vector<std::string> splitKey(const std::string& key) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : key) {
        if (c == '\\') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

std::string joinKey(const std::vector<std::string>& parts) {
    std::string text;
    for (const auto& p : parts) {
        if (!text.empty())
            text += '\\';
        text += p;
    }
    return text;
}

// Folders and the "Personal" value are looked up under this key.
const std::vector<std::string> shellFoldersKey = {"Software",       "Microsoft", "Windows",
                                                  "CurrentVersion", "Explorer",  "Shell Folders"};

[[maybe_unused]] bool isShellFoldersKey(RootKey root, const std::vector<std::string>& path) {
    if (root != RootKey::CurrentUser || path.size() != shellFoldersKey.size())
        return false;
    for (std::size_t i = 0; i < path.size(); ++i)
        if (!sameName(path[i], shellFoldersKey[i]))
            return false;
    return true;
}

} // namespace

std::string rootKeyName(RootKey root) {
    switch (root) {
    case RootKey::CurrentUser:
        return "HKEY_CURRENT_USER";
    case RootKey::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    case RootKey::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    }
    return "HKEY_CURRENT_USER";
}

#ifdef _WIN32

// ---------------------------------------------------------------------------------------------
// The real registry.

namespace {

HKEY rootHandle(RootKey root) {
    switch (root) {
    case RootKey::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RootKey::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    case RootKey::CurrentUser:
        break;
    }
    return HKEY_CURRENT_USER;
}

} // namespace

std::string registryHivePath() {
    return {};
}

// The real registry is always readable as a whole.
std::string registryHiveProblem() {
    return {};
}

// The real registry merges the machine's classes itself.
std::string machineHivePath() {
    return {};
}

struct Registry::Impl {
    HKEY key = nullptr;
    std::vector<std::string> path;
};

Registry::Registry(RootKey root) : root_(root), impl_(std::make_unique<Impl>()) {}

Registry::~Registry() {
    closeKey();
}

void Registry::setRootKey(RootKey root) {
    closeKey();
    root_ = root;
}

bool Registry::openKey(const std::string& key, bool canCreate) {
    std::vector<std::string> path = splitKey(key);
    if (!key.empty() && key[0] != '\\' && impl_->key) {
        std::vector<std::string> full = impl_->path;
        full.insert(full.end(), path.begin(), path.end());
        path = full;
    }
    const std::string sub = joinKey(path);
    HKEY handle = nullptr;
    LONG result;
    if (canCreate)
        result = RegCreateKeyExA(rootHandle(root_), sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                 nullptr, &handle, nullptr);
    else
        result = RegOpenKeyExA(rootHandle(root_), sub.c_str(), 0, KEY_ALL_ACCESS, &handle);
    if (result != ERROR_SUCCESS)
        return false;
    closeKey();
    impl_->key = handle;
    impl_->path = path;
    return true;
}

void Registry::closeKey() {
    if (impl_->key)
        RegCloseKey(impl_->key);
    impl_->key = nullptr;
    impl_->path.clear();
}

bool Registry::hasOpenKey() const {
    return impl_->key != nullptr;
}

bool Registry::valueExists(const std::string& name) const {
    return impl_->key && RegQueryValueExA(impl_->key, name.c_str(), nullptr, nullptr, nullptr,
                                          nullptr) == ERROR_SUCCESS;
}

std::string Registry::readString(const std::string& name) const {
    if (!impl_->key)
        return {};
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(impl_->key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException(invalidType(name));
    std::string data(size + 1, '\0');
    if (RegQueryValueExA(impl_->key, name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return {};
    data.resize(size);
    const auto end = data.find('\0');
    if (end != std::string::npos)
        data.resize(end);
    return data;
}

void Registry::writeString(const std::string& name, const std::string& value) {
    if (!impl_->key || RegSetValueExA(impl_->key, name.c_str(), 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(value.c_str()),
                                      static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
        throw ERegistryException(failedToSet(name));
}

std::string documentsFolder() {
    Registry registry(RootKey::CurrentUser);
    try {
        if (registry.openKey("\\" + joinKey(shellFoldersKey), false))
            return registry.readString("Personal");
    } catch (const ERegistryException&) {
    }
    return {};
}

#else

// ---------------------------------------------------------------------------------------------
// The hive file: REGEDIT4 text.
//
//   REGEDIT4
//
//   [HKEY_CLASSES_ROOT\tessaly.zip]
//   "PSW"="secret"
//   "Count"=dword:0000000a
//   "Blob"=hex:01,02,ff
//
// Lines the reader does not understand are kept and written back unchanged, so that nothing a
// user or another tool put in the file is lost when the program writes a value.

namespace {

struct Value {
    enum class Kind { String, Dword, Hex, Raw };
    Kind kind = Kind::String;
    std::string name;  // empty with Raw when the line names no value (comments)
    bool named = true; // false for Raw lines without a value name
    std::string text;  // String: the text; Hex: the bytes; Raw: the line as read
    std::uint32_t dword = 0;
    int hexType = -1; // Hex: the N of "hex(N):", -1 for plain "hex:"
};

struct Section {
    std::string path;      // full path, root name first; "" for lines before the first section
    bool deletion = false; // a "[-path]" section: removes a key when imported, names none
    std::vector<Value> values;
    // The named values by their name in lower case once there are many, so that a section of
    // many values reads in time in proportion to its length.
    std::unordered_map<std::string, std::size_t> byName;
};

struct Hive {
    std::vector<Section> sections;
    // The sections by "+" or "-" (deletion) and their path in lower case.
    std::unordered_map<std::string, std::size_t> index;
};

// The form under which names that sameName takes for one are the same text.
std::string lowered(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        c = lower(c);
    return out;
}

bool startsWithName(const std::string& path, const std::string& prefix) {
    return path.size() > prefix.size() && path[prefix.size()] == '\\' &&
           sameName(path.substr(0, prefix.size()), prefix);
}

std::string trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

// Reads a quoted text starting at s[pos] == '"'; on success POS is just past the closing quote.
bool readQuoted(const std::string& s, std::size_t& pos, std::string& out) {
    if (pos >= s.size() || s[pos] != '"')
        return false;
    out.clear();
    for (std::size_t i = pos + 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            out += s[++i];
        } else if (c == '"') {
            pos = i + 1;
            return true;
        } else {
            out += c;
        }
    }
    return false;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = lower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool parseHexBytes(const std::string& data, std::string& bytes) {
    bytes.clear();
    const std::string s = trim(data);
    if (s.empty())
        return true;
    std::size_t i = 0;
    while (true) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        if (i + 1 >= s.size())
            return false;
        const int hi = hexDigit(s[i]);
        const int lo = hexDigit(s[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes += static_cast<char>(hi * 16 + lo);
        i += 2;
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        if (i == s.size())
            return true;
        if (s[i] != ',')
            return false;
        ++i;
    }
}

// Parses the part after "=" of a value line.
bool parseData(const std::string& data, Value& v) {
    const std::string d = trim(data);
    if (!d.empty() && d[0] == '"') {
        std::size_t pos = 0;
        if (!readQuoted(d, pos, v.text) || !trim(d.substr(pos)).empty())
            return false;
        v.kind = Value::Kind::String;
        return true;
    }
    if (d.size() > 6 && sameName(d.substr(0, 6), "dword:")) {
        const std::string digits = d.substr(6);
        if (digits.empty() || digits.size() > 8)
            return false;
        std::uint32_t n = 0;
        for (char c : digits) {
            const int h = hexDigit(c);
            if (h < 0)
                return false;
            n = n * 16 + static_cast<std::uint32_t>(h);
        }
        v.kind = Value::Kind::Dword;
        v.dword = n;
        return true;
    }
    if (d.size() >= 4 && sameName(d.substr(0, 4), "hex:")) {
        v.kind = Value::Kind::Hex;
        v.hexType = -1;
        return parseHexBytes(d.substr(4), v.text);
    }
    if (d.size() >= 5 && sameName(d.substr(0, 4), "hex(")) {
        const auto close = d.find("):");
        if (close == std::string::npos || close <= 4)
            return false;
        int type = 0;
        for (std::size_t i = 4; i < close; ++i) {
            const int h = hexDigit(d[i]);
            // A type beyond the int it is kept in leaves the line as it is, unread.
            if (h < 0 || type > 0x7ffffff)
                return false;
            type = type * 16 + h;
        }
        v.kind = Value::Kind::Hex;
        v.hexType = type;
        return parseHexBytes(d.substr(close + 2), v.text);
    }
    return false;
}

// Adds V to SECTION; a later value of the same name replaces the earlier one, as importing
// the file would.
void putValue(Section& section, Value v) {
    constexpr std::size_t Indexed = 16; // from this many values on, they are looked up by name
    const auto isNamed = [](const Value& x) { return x.kind != Value::Kind::Raw || x.named; };
    if (isNamed(v)) {
        if (section.byName.empty() && section.values.size() >= Indexed)
            for (std::size_t k = 0; k < section.values.size(); ++k)
                if (isNamed(section.values[k]))
                    section.byName.emplace(lowered(section.values[k].name), k);
        if (section.byName.empty()) {
            for (auto& existing : section.values) {
                if (isNamed(existing) && sameName(existing.name, v.name)) {
                    existing = std::move(v);
                    return;
                }
            }
        } else {
            const auto [at, added] = section.byName.emplace(lowered(v.name), section.values.size());
            if (!added) {
                section.values[at->second] = std::move(v);
                return;
            }
        }
    }
    section.values.push_back(std::move(v));
}

Section& sectionFor(Hive& hive, const std::string& path, bool deletion) {
    const auto [at, added] =
        hive.index.emplace((deletion ? "-" : "+") + lowered(path), hive.sections.size());
    if (added)
        hive.sections.push_back(Section{path, deletion, {}, {}});
    return hive.sections[at->second];
}

enum class LoadResult { Ok, NotAHive, Unreadable };

LoadResult parseHive(const std::string& content, Hive& hive) {
    hive = Hive{};
    // Every carriage return before a line feed belongs to the line end: a file whose line
    // ends were converted twice ("\r\r\n") reads as one converted once, and a kept line
    // never ends in a carriage return that the next reading would take for part of its end.
    std::vector<std::string> lines;
    {
        std::string line;
        const auto endLine = [&] {
            while (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
            line.clear();
        };
        for (std::size_t at = 0; at < content.size();) {
            const std::size_t end = std::min(content.find('\n', at), content.size());
            line.assign(content, at, end - at);
            if (end < content.size() || !line.empty())
                endLine();
            at = end + 1;
        }
    }
    std::size_t i = 0;
    while (i < lines.size() && trim(lines[i]).empty())
        ++i;
    if (i == lines.size())
        return LoadResult::Ok; // an empty file is an empty hive
    std::string header = trim(lines[i]);
    if (header.size() >= 3 && static_cast<unsigned char>(header[0]) == 0xEF &&
        static_cast<unsigned char>(header[1]) == 0xBB &&
        static_cast<unsigned char>(header[2]) == 0xBF)
        header = header.substr(3); // a byte-order mark left by an editor
    if (header != "REGEDIT4")
        return LoadResult::NotAHive;
    ++i;

    Section* current = &sectionFor(hive, "", false); // lines before the first section
    for (; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::string t = trim(line);
        if (t.empty())
            continue;
        if (t[0] == '[' && t.back() == ']') {
            std::string path = t.substr(1, t.size() - 2);
            const bool deletion = !path.empty() && path[0] == '-';
            if (deletion)
                path.erase(0, 1);
            current = &sectionFor(hive, joinKey(splitKey(path)), deletion);
            continue;
        }
        Value v;
        std::size_t pos = 0;
        const std::string& lt = t;
        bool named = false;
        if (!lt.empty() && lt[0] == '"') {
            named = readQuoted(lt, pos, v.name);
        } else if (!lt.empty() && lt[0] == '@') {
            v.name.clear();
            pos = 1;
            named = true;
        }
        if (named) {
            while (pos < lt.size() && (lt[pos] == ' ' || lt[pos] == '\t'))
                ++pos;
            named = pos < lt.size() && lt[pos] == '=';
        }
        if (!named) {
            v.kind = Value::Kind::Raw;
            v.named = false;
            v.text = line;
            current->values.push_back(std::move(v));
            continue;
        }
        std::string data = lt.substr(pos + 1);
        std::string raw = line;
        // Long binary values continue on the next lines after a trailing backslash. Whether a
        // line continues is its own matter: an empty line taken in ends the value, whatever
        // the line before it ended with, and so does the end of the file.
        if (sameName(trim(data).substr(0, std::min<std::size_t>(3, trim(data).size())), "hex")) {
            std::string last = trim(data);
            if (!last.empty() && last.back() == '\\')
                data = last;
            // DATA grows in place, trimmed at its end only: a value continued over many lines
            // reads in time in proportion to its length.
            while (!last.empty() && last.back() == '\\') {
                while (!data.empty() && (data.back() == ' ' || data.back() == '\t'))
                    data.pop_back();
                data.pop_back();
                if (i + 1 == lines.size())
                    break;
                last = trim(lines[++i]);
                data += last;
                raw += "\n";
                raw += lines[i];
            }
        }
        if (trim(data) == "-")
            continue; // a value deletion names no value
        if (!parseData(data, v)) {
            v.kind = Value::Kind::Raw;
            v.named = true;
            v.text = raw;
        }
        putValue(*current, std::move(v));
    }
    return LoadResult::Ok;
}

std::string hexText(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i)
            out += ',';
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}

std::string serialize(const Hive& hive) {
    std::string out = "REGEDIT4\n\n";
    for (const auto& s : hive.sections) {
        if (s.path.empty() && s.values.empty())
            continue;
        // The lines before the first section have no heading; a deletion naming no key
        // ("[-]") keeps its own, or what follows it would join the section before.
        if (!s.path.empty() || s.deletion)
            out += "[" + std::string(s.deletion ? "-" : "") + s.path + "]\n";
        for (const auto& v : s.values) {
            if (v.kind == Value::Kind::Raw) {
                out += v.text + "\n";
                // A kept line ending in a continuation mark with nothing left to continue (at
                // the end of the file) would take the next line written here for part of
                // itself when read again: an empty line ends it.
                const std::string last = trim(v.text.substr(v.text.rfind('\n') + 1));
                if (!last.empty() && last.back() == '\\')
                    out += "\n";
                continue;
            }
            out += v.name.empty() ? std::string("@") : quoted(v.name);
            out += '=';
            switch (v.kind) {
            case Value::Kind::String:
                out += quoted(v.text);
                break;
            case Value::Kind::Dword: {
                char buffer[16];
                std::snprintf(buffer, sizeof buffer, "dword:%08x", v.dword);
                out += buffer;
                break;
            }
            case Value::Kind::Hex:
                if (v.hexType < 0) {
                    out += "hex:";
                } else {
                    char buffer[24];
                    std::snprintf(buffer, sizeof buffer, "hex(%x):", v.hexType);
                    out += buffer;
                }
                out += hexText(v.text);
                break;
            case Value::Kind::Raw:
                break;
            }
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

bool keyExists(const Hive& hive, const std::string& path) {
    for (const auto& s : hive.sections)
        if (!s.deletion && !s.path.empty() &&
            (sameName(s.path, path) || startsWithName(s.path, path)))
            return true;
    return false;
}

const Value* findValue(const Hive& hive, const std::string& path, const std::string& name) {
    for (const auto& s : hive.sections) {
        if (s.deletion || !sameName(s.path, path))
            continue;
        for (const auto& v : s.values)
            if ((v.kind != Value::Kind::Raw || v.named) && sameName(v.name, name))
                return &v;
    }
    return nullptr;
}

// The text of a string value; raises "Invalid data type" for any other type. REG_SZ and
// REG_EXPAND_SZ written in hex form are strings too, ending at their first zero byte.
std::string stringOf(const Value& v, const std::string& name) {
    if (v.kind == Value::Kind::String)
        return v.text;
    if (v.kind == Value::Kind::Hex && (v.hexType == 1 || v.hexType == 2)) {
        const auto end = v.text.find('\0');
        return end == std::string::npos ? v.text : v.text.substr(0, end);
    }
    throw ERegistryException(invalidType(name));
}

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

std::string configHome() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return config;
    return homeFolder() + "/.config";
}

bool isFolder(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool readWholeFile(const std::string& path, std::string& content, bool& missing) {
    missing = false;
    content.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        missing = errno == ENOENT || errno == ENOTDIR;
        return false;
    }
    char buffer[16384];
    bool ok = true;
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ok;
}

LoadResult loadHive(Hive& hive) {
    std::string content;
    bool missing = false;
    if (!readWholeFile(registryHivePath(), content, missing)) {
        hive = Hive{};
        return missing ? LoadResult::Ok : LoadResult::Unreadable;
    }
    return parseHive(content, hive);
}

bool createFolders(const std::string& folder) {
    if (folder.empty() || isFolder(folder))
        return true;
    const auto slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !createFolders(folder.substr(0, slash)))
        return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

bool writeAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The file that holds the hive: its path with symbolic links followed, so that a hive kept
// elsewhere and linked into place (as dotfile collections do) stays linked when it is
// rewritten, instead of the link being replaced by a file of its own.
std::string hiveFilePath() {
    std::string path = registryHivePath();
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        std::string target(4096, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size())
            break;
        target.resize(static_cast<std::size_t>(n));
        if (target[0] != '/') {
            const auto slash = path.find_last_of('/');
            if (slash != std::string::npos)
                target = path.substr(0, slash + 1) + target;
        }
        path = target;
    }
    return path;
}

// Replaces the hive with CONTENT: a temporary file beside it is written and flushed to disk,
// then renamed over the hive, so the hive is always either the old or the new whole file.
bool replaceHive(const std::string& content) {
    const std::string path = hiveFilePath();
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    if (!createFolders(folder))
        return false;
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data()); // created readable by the owner only
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, content) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

// Serialises writers of the hive, also across processes, so that two read-change-replace
// rounds cannot lose each other's values. Best effort: without a lock file the write still
// goes ahead (and fails on its own when the folder is not writable).
class HiveLock {
public:
    HiveLock() {
        const std::string path = registryHivePath();
        const auto slash = path.find_last_of('/');
        if (slash != std::string::npos && slash > 0)
            createFolders(path.substr(0, slash));
        fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~HiveLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

private:
    int fd_ = -1;
};

// The user-dirs.dirs entry for the documents folder, "$HOME" expanded; "" when none.
std::string userDirsDocuments() {
    std::ifstream in(configHome() + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        const std::string t = trim(line);
        if (t.compare(0, key.size(), key) != 0)
            continue;
        std::string value = trim(t.substr(key.size()));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0)
            value = homeFolder() + value.substr(5);
        else if (value.compare(0, 7, "${HOME}") == 0)
            value = homeFolder() + value.substr(7);
        if (value.empty() || value[0] != '/')
            return {};
        return value;
    }
    return {};
}

// The documents folder from the environment alone (no hive).
std::string xdgDocumentsFolder() {
    if (const char* dir = std::getenv("XDG_DOCUMENTS_DIR"); dir && *dir)
        return withoutTrailingSlash(dir);
    const std::string fromFile = userDirsDocuments();
    if (isFolder(fromFile))
        return withoutTrailingSlash(fromFile);
    const std::string home = homeFolder();
    const std::string documents = withoutTrailingSlash(home) + "/Documents";
    if (isFolder(documents))
        return documents;
    return withoutTrailingSlash(home);
}

} // namespace

std::string registryHivePath() {
    if (const char* path = std::getenv("QUEMBLY_REGISTRY"); path && *path)
        return path;
    return configHome() + "/quembly/registry.reg";
}

std::string registryHiveProblem() {
    Hive hive;
    switch (loadHive(hive)) {
    case LoadResult::Ok:
        return {};
    case LoadResult::Unreadable:
        return "The settings file " + registryHivePath() +
               " cannot be read; the password-protected commands stay locked";
    case LoadResult::NotAHive:
        break;
    }
    return "The settings file " + registryHivePath() +
           " is not a REGEDIT4 file; the password-protected commands stay locked";
}

std::string machineHivePath() {
    if (const char* path = std::getenv("QUEMBLY_MACHINE_REGISTRY"))
        return path;
    const std::string folder = programDirectory();
    for (const std::string& candidate :
         {folder + "/classes.reg", folder + "/../../share/quembly/classes.reg"}) {
        struct stat st;
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            return candidate;
    }
    return {};
}

namespace {

// The machine-wide layer: read only, and only for the machine's roots (HKEY_CLASSES_ROOT and
// HKEY_LOCAL_MACHINE), as Windows merges the machine's classes under the user's. A layer
// that is missing or cannot be read holds nothing.
Hive machineHive(RootKey root) {
    Hive hive;
    const std::string path = root == RootKey::CurrentUser ? std::string() : machineHivePath();
    std::string content;
    bool missing = false;
    if (path.empty() || !readWholeFile(path, content, missing) ||
        parseHive(content, hive) != LoadResult::Ok)
        return Hive{};
    return hive;
}

} // namespace

struct Registry::Impl {
    bool open = false;
    // The key answers for the shell folders even when the hive does not hold it.
    bool shellFolders = false;
    std::vector<std::string> path; // below the root

    std::string fullPath(RootKey root) const {
        const std::string sub = joinKey(path);
        return sub.empty() ? rootKeyName(root) : rootKeyName(root) + "\\" + sub;
    }
};

Registry::Registry(RootKey root) : root_(root), impl_(std::make_unique<Impl>()) {}

Registry::~Registry() = default;

void Registry::setRootKey(RootKey root) {
    closeKey();
    root_ = root;
}

bool Registry::openKey(const std::string& key, bool canCreate) {
    std::vector<std::string> path = splitKey(key);
    // A path without a leading backslash is relative to the key already open.
    if (!key.empty() && key[0] != '\\' && impl_->open) {
        std::vector<std::string> full = impl_->path;
        full.insert(full.end(), path.begin(), path.end());
        path = std::move(full);
    }
    Impl candidate;
    candidate.open = true;
    candidate.path = path;
    candidate.shellFolders = isShellFoldersKey(root_, path);
    const std::string full = candidate.fullPath(root_);

    if (path.empty() || candidate.shellFolders) {
        *impl_ = candidate; // the root and the shell folders always exist
        return true;
    }
    // A key the machine-wide layer holds opens as it stands; it is never copied.
    if (keyExists(machineHive(root_), full)) {
        *impl_ = candidate;
        return true;
    }
    if (!canCreate) {
        Hive hive;
        if (loadHive(hive) != LoadResult::Ok || !keyExists(hive, full))
            return false;
        *impl_ = candidate;
        return true;
    }
    HiveLock lock;
    Hive hive;
    if (loadHive(hive) != LoadResult::Ok)
        return false;
    if (!keyExists(hive, full)) {
        sectionFor(hive, full, false);
        if (!replaceHive(serialize(hive)))
            return false;
    }
    *impl_ = candidate;
    return true;
}

void Registry::closeKey() {
    *impl_ = Impl{};
}

bool Registry::hasOpenKey() const {
    return impl_->open;
}

bool Registry::valueExists(const std::string& name) const {
    if (!impl_->open)
        return false;
    Hive hive;
    if (loadHive(hive) == LoadResult::Ok && findValue(hive, impl_->fullPath(root_), name))
        return true;
    if (findValue(machineHive(root_), impl_->fullPath(root_), name))
        return true;
    return impl_->shellFolders && sameName(name, "Personal");
}

std::string Registry::readString(const std::string& name) const {
    if (!impl_->open)
        return {};
    Hive hive;
    if (loadHive(hive) == LoadResult::Ok) {
        if (const Value* v = findValue(hive, impl_->fullPath(root_), name)) {
            // An empty "Personal" would put the program's folders at the file-system root;
            // the environment's documents folder answers instead.
            const std::string text = stringOf(*v, name);
            if (!(impl_->shellFolders && sameName(name, "Personal") && text.empty()))
                return text;
        }
    }
    // The user's values overlay the machine's.
    if (const Hive machine = machineHive(root_);
        const Value* v = findValue(machine, impl_->fullPath(root_), name))
        return stringOf(*v, name);
    if (impl_->shellFolders && sameName(name, "Personal"))
        return xdgDocumentsFolder();
    return {};
}

void Registry::writeString(const std::string& name, const std::string& value) {
    if (!impl_->open)
        throw ERegistryException(failedToSet(name));
    HiveLock lock;
    Hive hive;
    if (loadHive(hive) != LoadResult::Ok)
        throw ERegistryException(failedToSet(name));
    const std::string full = impl_->fullPath(root_);
    // The key must still be there (another process may have removed it), except the ones
    // that always exist.
    // A key of the machine-wide layer gets its values in the user's hive.
    if (!keyExists(hive, full) && !impl_->shellFolders && !impl_->path.empty() &&
        !keyExists(machineHive(root_), full))
        throw ERegistryException(failedToSet(name));
    Value v;
    v.name = name;
    if (value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos) {
        v.kind = Value::Kind::String;
        v.text = value;
    } else {
        // A line break cannot stand inside a quoted text of the file: such a string is
        // written as its bytes with the zero terminator, typed REG_SZ.
        v.kind = Value::Kind::Hex;
        v.hexType = 1;
        v.text = value + std::string(1, '\0');
    }
    putValue(sectionFor(hive, full, false), std::move(v));
    if (!replaceHive(serialize(hive)))
        throw ERegistryException(failedToSet(name));
}

std::string documentsFolder() {
    Registry registry(RootKey::CurrentUser);
    if (registry.openKey("\\" + joinKey(shellFoldersKey), false)) {
        try {
            return registry.readString("Personal");
        } catch (const ERegistryException&) {
            // A "Personal" value of another type names no folder.
        }
    }
    return xdgDocumentsFolder();
}

#endif

} // namespace platform
