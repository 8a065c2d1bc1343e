#pragma once
// Turns the file specs of an add into the list of files and folders to store:
// named files, folders walked when recursing, "*" and "?" patterns in the last part of a
// path, hidden names only when asked for. Problems are reported and the item is left out.
#include "ziplibs/common/Reporter.h"

#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

namespace ziplibs {

struct AddItem {
    std::string path; // the file as the caller named or reached it
    std::string name; // the entry name ("dir/" for a folder entry)
    bool folder = false;
    struct stat st {};  // the file's state when it was listed
    bool named = false; // named by the caller rather than found by a walk or pattern
};

struct CollectOptions {
    bool recurse = false;
    bool hidden = false;
    bool noDirNames = false;
    dev_t skipDev = 0; // the archive itself, never added to itself
    ino_t skipIno = 0;
    bool haveSkip = false;
};

class Collector {
public:
    Collector(const CollectOptions& options, Reporter& reporter) : opt_(options), rep_(reporter) {}

    // Adds what one file spec names. Returns false when the caller asked to stop.
    bool addSpec(const std::string& spec);

    // The items in the order they were found, one per entry name (a later item with the same
    // name takes the place of the earlier one).
    std::vector<AddItem> take();
    // The folders walked, deepest last.
    const std::vector<std::string>& walkedFolders() const { return walked_; }

private:
    bool addPath(const std::string& path, bool named);
    bool walk(const std::string& folder, const std::string& name);
    void push(AddItem item);
    bool isArchive(const struct stat& st) const;
    // Reports and answers true when the file or folder cannot be stored under its own name.
    bool refuseName(const std::string& path);

    CollectOptions opt_;
    Reporter& rep_;
    std::vector<AddItem> items_;
    std::map<std::string, std::size_t> byName_;
    std::vector<std::string> walked_;
};

} // namespace ziplibs
