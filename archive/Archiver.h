#pragma once
// TArchiver: the archive component. It lists an archive's entries itself (ReadDirectory)
// and has the ZIPPER and UNZIPPER libraries add, delete and extract. It knows nothing of Qt:
// boxes go through platform::messages(), errors are raised as platform exceptions.
#include "archive/UNZIPPER.h"
#include "archive/ZIPPER.h"

#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// A one-byte set of an enumeration whose value n is bit n.
template <typename E> class ByteSet {
public:
    constexpr ByteSet() = default;
    constexpr ByteSet(std::initializer_list<E> values) {
        for (E v : values)
            bits_ |= bit(v);
    }
    static constexpr ByteSet fromBits(std::uint8_t bits) {
        ByteSet s;
        s.bits_ = bits;
        return s;
    }
    constexpr bool contains(E v) const { return (bits_ & bit(v)) != 0; }
    constexpr ByteSet& include(E v) {
        bits_ |= bit(v);
        return *this;
    }
    constexpr ByteSet& exclude(E v) {
        bits_ &= static_cast<std::uint8_t>(~bit(v));
        return *this;
    }
    constexpr bool empty() const { return bits_ == 0; }
    constexpr std::uint8_t bits() const { return bits_; }
    constexpr bool operator==(const ByteSet&) const = default;

private:
    static constexpr std::uint8_t bit(E v) {
        return static_cast<std::uint8_t>(1u << static_cast<unsigned>(v));
    }
    std::uint8_t bits_ = 0;
};

enum class AddOptsEnum : std::uint8_t {
    AddDirNames,
    AddRecurseDirs,
    AddMove,
    AddFreshen,
    AddUpdate,
    AddZipTime,
    AddForceDOS,
    AddHiddenFiles
};
using AddOpts = ByteSet<AddOptsEnum>;

// How Add encrypts the entries it adds (the entries already in the archive keep theirs).
enum class AddEncryptionEnum : std::uint8_t { None, Aes256, ZipCrypto };

enum class ExtrOptsEnum : std::uint8_t { ExtrDirNames, ExtrOverWrite, ExtrFreshen, ExtrUpdate };
using ExtrOpts = ByteSet<ExtrOptsEnum>;

enum class ProgressType : std::uint8_t { NewFile = 0, ProgressUpdate = 1, EndOfBatch = 2 };

// Fields 1 to 9 lie exactly as bytes 4 to 29 of a local file header, so that one read of
// those 26 bytes fills them.
#pragma pack(push, 1)
struct ZipDirEntryHeader {
    std::uint16_t VersionNeeded;
    std::uint16_t GeneralFlags;
    std::uint16_t CompressionMethod;
    std::uint32_t DateTime; // MS-DOS time in the low 16 bits, date in the high 16 bits
    std::uint32_t Crc32;
    std::int32_t CompressedSize;
    std::int32_t UncompressedSize;
    std::uint16_t FileNameLength;
    std::uint16_t ExtraFieldLength;
};
#pragma pack(pop)
static_assert(sizeof(ZipDirEntryHeader) == 26);

// A text most entries do not have: while empty it takes one pointer's room, not a string's.
// Reads as a const std::string.
class RareText {
public:
    RareText() = default;
    RareText(const RareText& other) { *this = other.str(); }
    RareText(RareText&&) noexcept = default;
    RareText& operator=(const RareText& other) {
        if (this != &other)
            *this = other.str();
        return *this;
    }
    RareText& operator=(RareText&&) noexcept = default;
    RareText& operator=(std::string text) {
        if (text.empty())
            text_.reset();
        else
            text_ = std::make_unique<std::string>(std::move(text));
        return *this;
    }
    RareText& assign(std::string_view text, std::size_t pos = 0,
                     std::size_t count = std::string_view::npos) {
        return *this = std::string(text.substr(pos, count));
    }
    const std::string& str() const {
        static const std::string none;
        return text_ ? *text_ : none;
    }
    operator const std::string&() const { return str(); }
    bool empty() const { return !text_; }
    std::size_t size() const { return text_ ? text_->size() : 0; }
    std::string substr(std::size_t pos = 0, std::size_t count = std::string::npos) const {
        return str().substr(pos, count);
    }
    friend bool operator==(const RareText& a, std::string_view b) { return a.str() == b; }
    friend std::ostream& operator<<(std::ostream& out, const RareText& t) { return out << t.str(); }

private:
    std::unique_ptr<std::string> text_;
};

struct ZipDirEntry : ZipDirEntryHeader {
    std::string FileName; // as stored, at most 256 bytes, up to the first zero byte
    // The whole stored name up to its first zero byte, when it is longer than the 256 bytes
    // FileName keeps (else empty: FileName is whole); the name shown and handed back to the
    // libraries must be whole to name the entry.
    RareText FullName;
    // The name in UTF-8 from the entry's Unicode Path extra field, when it has one that
    // belongs to the stored name; shown (and handed back) in place of the stored name.
    RareText UnicodeName;
    // The true sizes: from the ZIP64 extra field when the header holds 0xFFFFFFFF, else the
    // header's 32-bit values taken unsigned.
    std::uint64_t CompressedSize64 = 0;
    std::uint64_t UncompressedSize64 = 0;
};

// The listing's entries, kept side by side in blocks (no allocation of their own: a million
// entries cost a million records, not a million records and their bookkeeping). Entry i
// reads as a pointer to it, as in a list of owned entries.
class ZipDirList {
public:
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const ZipDirEntry* operator[](std::size_t i) const {
        return &blocks_[i / BlockSize][i % BlockSize];
    }
    void push_back(ZipDirEntry&& entry) {
        if (size_ % BlockSize == 0)
            blocks_.push_back(std::make_unique<ZipDirEntry[]>(BlockSize));
        blocks_[size_ / BlockSize][size_ % BlockSize] = std::move(entry);
        ++size_;
    }

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = const ZipDirEntry*;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = const ZipDirEntry*;
        const_iterator() = default;
        const_iterator(const ZipDirList* list, std::size_t i) : list_(list), i_(i) {}
        const ZipDirEntry* operator*() const { return (*list_)[i_]; }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator was = *this;
            ++i_;
            return was;
        }
        bool operator==(const const_iterator& other) const { return i_ == other.i_; }

    private:
        const ZipDirList* list_ = nullptr;
        std::size_t i_ = 0;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size_}; }

private:
    static constexpr std::size_t BlockSize = 4096;
    std::vector<std::unique_ptr<ZipDirEntry[]>> blocks_;
    std::size_t size_ = 0;
};

class TArchiver;
using TNotifyEvent = std::function<void(TArchiver* sender)>;
using TProgressEvent = std::function<void(TArchiver* sender, ProgressType progrType,
                                          const std::string& filename, std::int32_t fileSize)>;
using TMessageEvent =
    std::function<void(TArchiver* sender, std::int32_t errCode, const std::string& message)>;
// Asked when a library needs an archive password. REASON is PasswordToRead, PasswordWrong
// (the last answer did not open entry NAME) or PasswordToEncrypt (NAME is the archive), from
// LibCallBack.h. The handler puts the password in PASSWORD and answers true; an empty
// password means there is none (encrypted entries are then skipped with a message); false
// cancels the operation.
using TPasswordEvent = std::function<bool(TArchiver* sender, std::int32_t reason,
                                          const std::string& name, std::string& password)>;

class TArchiver {
public:
    explicit TArchiver(void* owner = nullptr);
    ~TArchiver();
    TArchiver(const TArchiver&) = delete;
    TArchiver& operator=(const TArchiver&) = delete;

    // Published properties.
    bool Verbose = false;
    bool Trace = false;
    std::int32_t AddCompLevel = 9;
    AddOpts AddOptions;
    std::string ExtrBaseDir;
    ExtrOpts ExtrOptions;
    // The code page of names stored without the UTF-8 flag, by its Windows number (866,
    // 932 ...; ziplibs/common/CodePages.h lists them); 0 decodes them as UTF-8 when valid,
    // else CP437. The listing shows names by it and both libraries match and write names
    // by it, so a name shown is the name asked for.
    std::int32_t NameEncoding = 0;
    const std::vector<std::string>& FSpecArgs() const { return fspecArgs_; }
    std::vector<std::string>& FSpecArgs() { return fspecArgs_; }
    void setFSpecArgs(const std::vector<std::string>& specs) { fspecArgs_ = specs; }
    const std::string& ZipFilename() const { return zipFilename_; }
    // Stores the path and reads the archive (ReadDirectory), except in design mode; the same
    // path written twice reads twice. Errors of the reader go to the caller.
    void setZipFilename(const std::string& path);
    TNotifyEvent OnDirUpdate;
    TProgressEvent OnProgress;
    TMessageEvent OnMessage;
    TPasswordEvent OnPassword;
    AddEncryptionEnum AddEncryption = AddEncryptionEnum::None;

    // Public members.
    int Count() const; // entries while ZipFilename is not empty, else 0
    const ZipDirList& DirEntries() const { return *dirEntries_; }
    // The same entries, kept for as long as the holder wants: a later reading of the archive
    // makes a new list instead of changing this one, so that a table filled from it shows
    // what it was filled with until it is filled again.
    std::shared_ptr<const ZipDirList> SharedDirEntries() const { return dirEntries_; }
    // Files the current (or last) operation processed; reset to 0 as each operation starts.
    std::int32_t ProcessedCount() const { return processedCount_; }
    // Why the last Add, Delete or Extract did not run or failed as a whole ("" when it ran):
    // the text of the box it showed, or the refusal of a second operation while one runs.
    const std::string& LastError() const { return lastError_; }
    // True when the last operation was stopped by Cancel.
    bool WasCancelled() const { return wasCancelled_; }
    // True while an Add, Delete, Extract or Test runs (also while its events run).
    bool Busy() const { return zipBusy_ || unzBusy_; }
    bool Cancel = false;
    std::uint32_t Handle = 0;
    bool designMode = false; // writing ZipFilename only stores it; ReadDirectory does nothing

    void ClearDirectory();
    // Rebuilds DirEntries from the archive's local headers and fires OnDirUpdate. Raises
    // platform::EStreamError (and EFOpenError) on the reader's errors.
    void ReadDirectory();

    void Add();
    void Delete();
    void Extract();
    // Has the UNZIPPER library test every entry, or those FSpecArgs names: each is read and
    // its CRC checked, nothing is written. Failures arrive as messages naming the entry;
    // ProcessedCount is the number of entries found sound.
    void Test();
    void LoadZipLibrary();
    void UnloadZipLibrary();
    void LoadUnzLibrary();
    void UnloadUnzLibrary();

    // The callback whose address goes into the command records.
    static std::int32_t QUEMBLY_STDCALL LibraryCallback(CallbackRecord* record);

private:
    // One Add or Delete (DELETING) from its checks to its reread.
    void zipperOperation(bool deleting);
    void fillZipRecord(bool deleting);
    void fillUnzRecord();
    // Answers a library's password request (action 5) in RECORD through OnPassword; false
    // when the handler cancelled.
    bool answerPassword(CallbackRecord& record, const std::string& name);
    // Hands the file specs to the library in calls of at most MaxSpecs each, the texts
    // living for one call. Returns false when a call failed (the failure already shown).
    // FILL fills the record's fixed fields before each call.
    template <typename Record, typename Exec, typename Fill>
    bool callLibrary(Record& record, Exec exec, Fill fill, std::string archiveName);

    std::vector<std::string> fspecArgs_;
    std::string zipFilename_;
    std::shared_ptr<ZipDirList> dirEntries_ = std::make_shared<ZipDirList>();
    // What the listing last told of a difference between the local headers and the central
    // directory: told once per archive opened, not again on every reread.
    std::string toldDifference_;
    std::int32_t processedCount_ = 0;
    // Starts an operation's record: no count, no error, not cancelled.
    void startOperation();
    // Shows TEXT in a box and keeps it as the operation's LastError.
    void fail(const std::string& text);

    std::string lastError_;
    bool wasCancelled_ = false;
    bool zipBusy_ = false;
    bool unzBusy_ = false;
    ZipCommandRecord zipRecord_{};
    UnzCommandRecord unzRecord_{};
    // Set by LibraryCallback when an event handler raised an error during a library call:
    // the error is held there (it must not unwind through the library) and the call is then
    // reported as failed.
    bool callbackFailed_ = false;
    bool testing_ = false; // the UNZIPPER call being made is a test
};

// The table's view of an entry, shared by the window and the command-line listing:
// the name from the Unicode Path extra field when there is one, else the whole stored name
// decoded (UTF-8 when valid or flagged with bit 11, else CP437; a name without the flag in the
// code page NAMEENCODING when that is not 0).
std::string displayName(const ZipDirEntry& entry, std::int32_t nameEncoding = 0);
// True when PATH names a self-extracting archive: its last four characters are ".exe" in any
// letter case. Such an archive is never changed (the window, the component and the command
// line all refuse it).
bool isSelfExtractingName(const std::string& path);
// Decodes CP437 bytes to UTF-8.
std::string cp437ToUtf8(const std::string& bytes);
bool isValidUtf8(const std::string& bytes);
