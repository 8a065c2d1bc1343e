#include "ziplibs/zipper/Collect.h"

#include "ziplibs/common/Codes.h"
#include "ziplibs/common/Names.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ziplibs {

namespace {

bool isHidden(const std::string& name) {
    return !name.empty() && name[0] == '.';
}

std::string joinPath(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir == ".")
        return name;
    if (dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

// The names in a folder, sorted so that archives come out the same on every run.
bool listFolder(const std::string& dir, std::vector<std::string>& names, int& err) {
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d) {
        err = errno;
        return false;
    }
    while (dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        names.emplace_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return true;
}

// Why a file could not be stored under its own name; empty when it can. On this system "\"
// is a character of a file name, where a stored name takes it for a folder separator, and a
// stored name that begins with a drive ("C:") would lose it: either way the file would come
// back under another name, or collide with another file's entry.
std::string unstorableName(const std::string& path, bool noDirNames) {
    std::vector<std::string> kept; // the parts that are stored, as storedNameFor keeps them
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string part = path.substr(at, end - at);
        at = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!kept.empty())
                kept.pop_back();
            continue;
        }
        kept.push_back(part);
    }
    if (noDirNames && kept.size() > 1)
        kept.erase(kept.begin(), kept.end() - 1);
    for (const auto& part : kept)
        if (part.find('\\') != std::string::npos)
            return "a \\ in its name";
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (!kept.empty() && kept.front().size() >= 2 && kept.front()[1] == ':' &&
        letter(kept.front()[0]))
        return "a drive prefix";
    return {};
}

} // namespace

bool Collector::refuseName(const std::string& path) {
    const std::string why = unstorableName(path, opt_.noDirNames);
    if (why.empty())
        return false;
    rep_.message(NameRefused,
                 "Cannot be stored under its own name (" + why + "), left out: " + path);
    return true;
}

bool Collector::isArchive(const struct stat& st) const {
    return opt_.haveSkip && st.st_dev == opt_.skipDev && st.st_ino == opt_.skipIno;
}

void Collector::push(AddItem item) {
    auto it = byName_.find(item.name);
    if (it != byName_.end()) {
        AddItem& earlier = items_[it->second];
        if (!item.folder && earlier.path != item.path)
            rep_.message(EntrySkipped, "Two files have the entry name " + item.name + "; " +
                                           earlier.path + " is left out for " + item.path);
        earlier = std::move(item);
        return;
    }
    byName_.emplace(item.name, items_.size());
    items_.push_back(std::move(item));
}

bool Collector::addSpec(const std::string& spec) {
    if (spec.empty())
        return !rep_.stopped();
    struct stat st {};
    if (stat(spec.c_str(), &st) == 0 || !hasWildcards(spec))
        return addPath(spec, true);

    // A pattern in the last part of the path.
    const auto slash = spec.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : spec.substr(0, slash + 1);
    const std::string pattern = slash == std::string::npos ? spec : spec.substr(slash + 1);
    if (hasWildcards(dir) && slash != std::string::npos) {
        rep_.message(NothingMatched,
                     "Patterns are only expanded in the last part of a path: " + spec);
        return !rep_.stopped();
    }
    std::vector<std::string> names;
    int err = 0;
    if (!listFolder(dir, names, err)) {
        rep_.message(InputUnreadable, "Cannot read folder " + dir + ": " + std::strerror(err));
        return !rep_.stopped();
    }
    bool any = false;
    for (const auto& n : names) {
        if (!wildcardMatch(pattern, n) || (isHidden(n) && !opt_.hidden))
            continue;
        any = true;
        if (!addPath(slash == std::string::npos ? n : dir + n, false))
            return false;
    }
    if (!any)
        rep_.message(NothingMatched, "No files match " + spec);
    return !rep_.stopped();
}

bool Collector::addPath(const std::string& path, bool named) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        const int err = errno;
        struct stat lst {};
        if (lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode))
            rep_.message(InputUnreadable, "Broken symbolic link skipped: " + path);
        else
            rep_.message(InputUnreadable, "Cannot find " + path + ": " + std::strerror(err));
        return !rep_.stopped();
    }
    if (isArchive(st))
        return !rep_.stopped();
    const std::string name = storedNameFor(path, opt_.noDirNames);
    if (S_ISDIR(st.st_mode)) {
        if (!opt_.recurse) {
            rep_.message(EntrySkipped,
                         "Folder skipped (its contents are added only when recursing): " + path);
            return !rep_.stopped();
        }
        return walk(path, name);
    }
    if (!S_ISREG(st.st_mode)) {
        rep_.message(InputUnreadable, "Not a regular file, skipped: " + path);
        return !rep_.stopped();
    }
    if (refuseName(path))
        return !rep_.stopped();
    if (name.empty()) {
        rep_.message(InputUnreadable, "No name to store for " + path);
        return !rep_.stopped();
    }
    // Refuse early what cannot be read, so that one such file does not fail the whole add.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        rep_.message(InputUnreadable, "Cannot open " + path + ": " + std::strerror(errno));
        return !rep_.stopped();
    }
    close(fd);
    AddItem item;
    item.path = path;
    item.name = name;
    item.st = st;
    item.named = named;
    push(std::move(item));
    return !rep_.stopped();
}

bool Collector::walk(const std::string& folder, const std::string& name) {
    // A folder whose name is stored is left out as a whole when it cannot be.
    if (!opt_.noDirNames && refuseName(folder))
        return !rep_.stopped();
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0)
        return !rep_.stopped();
    if (!opt_.noDirNames && !name.empty()) {
        AddItem dir;
        dir.path = folder;
        dir.name = name + "/";
        dir.folder = true;
        dir.st = st;
        push(std::move(dir));
    }
    walked_.push_back(folder);
    std::vector<std::string> names;
    int err = 0;
    if (!listFolder(folder, names, err)) {
        rep_.message(InputUnreadable, "Cannot read folder " + folder + ": " + std::strerror(err));
        return !rep_.stopped();
    }
    for (const auto& n : names) {
        if (isHidden(n) && !opt_.hidden)
            continue;
        const std::string child = joinPath(folder, n);
        struct stat lst {};
        if (lstat(child.c_str(), &lst) != 0)
            continue;
        if (S_ISLNK(lst.st_mode)) {
            // A link to a file is stored with the file's contents; links to folders are not
            // followed, which keeps a walk from running in circles.
            struct stat target {};
            if (stat(child.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
                rep_.message(EntrySkipped, "Symbolic link to a folder not followed: " + child);
                if (rep_.stopped())
                    return false;
                continue;
            }
            if (!addPath(child, false))
                return false;
            continue;
        }
        if (S_ISDIR(lst.st_mode)) {
            if (!walk(child, opt_.noDirNames ? std::string() : joinPath(name, n)))
                return false;
            continue;
        }
        if (!addPath(child, false))
            return false;
    }
    return !rep_.stopped();
}

std::vector<AddItem> Collector::take() {
    byName_.clear();
    return std::move(items_);
}

} // namespace ziplibs
