#pragma once
// The registry. On Windows the real one (advapi32); elsewhere a hive file in REGEDIT4 text
// form at $QUEMBLY_REGISTRY, default $XDG_CONFIG_HOME/quembly/registry.reg (~/.config when
// XDG_CONFIG_HOME is not set). The hive is read at openKey() and every write replaces the
// file atomically (temporary file + rename), so another process never sees half a file.
//
// Beside the user's hive stands a read-only machine-wide one, installed with the program
// (as a Windows installer registers the program's file type): its keys under
// HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE exist for every user. A key that exists in
// either hive opens; the user's values overlay the machine's; writes go to the user's hive.
#include <memory>
#include <optional>
#include <string>

namespace platform {

enum class RootKey { CurrentUser, ClassesRoot, LocalMachine };

// "HKEY_CURRENT_USER" etc., as the hive file names them.
std::string rootKeyName(RootKey root);
// The hive file used off Windows.
std::string registryHivePath();
// The machine-wide hive off Windows: $QUEMBLY_MACHINE_REGISTRY when set (empty: none), else
// "classes.reg" in the program's folder, else share/quembly/classes.reg of the installation
// the program's folder (lib/quembly) belongs to; "" when there is none.
std::string machineHivePath();

// Why the user's hive file cannot be relied on: "" when it is missing (an empty registry) or
// reads as a hive; else a message naming the file, which is then neither read nor written.
// The access lock stays shut while there is one: a password it may hold cannot be known.
std::string registryHiveProblem();

class Registry {
public:
    explicit Registry(RootKey root = RootKey::CurrentUser);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    RootKey rootKey() const { return root_; }
    void setRootKey(RootKey root); // closes an open key

    // Opens KEY (a leading "\" means directly under the root). Without canCreate a missing
    // key is not created and the result is false.
    bool openKey(const std::string& key, bool canCreate);
    void closeKey();
    bool hasOpenKey() const;

    bool valueExists(const std::string& name) const;
    // A missing value (or no open key) reads as "". A value of another type raises
    // ERegistryException("Invalid data type for 'NAME'").
    std::string readString(const std::string& name) const;
    // Raises ERegistryException("Failed to set data for 'NAME'") when no key is open or the
    // hive cannot be written.
    void writeString(const std::string& name, const std::string& value);

private:
    struct Impl;
    RootKey root_;
    std::unique_ptr<Impl> impl_;
};

// The user's documents folder as Windows' "Personal" value under
// HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders gives it: the hive's
// value when it holds one, else XDG_DOCUMENTS_DIR, else ~/Documents when it exists, else ~.
// Registry::readString answers this value through the same rule when the hive has none.
std::string documentsFolder();

} // namespace platform
