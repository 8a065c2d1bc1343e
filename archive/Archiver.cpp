#include "archive/Archiver.h"

#include "archive/DirectoryReader.h"
#include "platform/DynLib.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Messages.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <filesystem>
#include <limits>
#include <string.h> // explicit_bzero

// The library state is process-wide: one handle and one set of entry points per library,
// shared by every component.
namespace ZIPPER {
void* ZipDllHandle = nullptr;
ZipperExecFunc ZipperExec = nullptr;
GetZipperVersionFunc GetZipperVersion = nullptr;
} // namespace ZIPPER

namespace UNZIPPER {
void* UnzDllHandle = nullptr;
UnzipperExecFunc UnzipperExec = nullptr;
GetUnzipperVersionFunc GetUnzipperVersion = nullptr;
} // namespace UNZIPPER

namespace {

void show(const std::string& text) {
    platform::messages().showMessage(text);
}

std::int32_t flag(bool value) {
    return value ? RecordTrue : RecordFalse;
}

// A zero-ended text for a command record: at least 256 bytes and always room for the whole
// string, so nothing is cut short.
std::unique_ptr<char[]> makeText(const std::string& s) {
    const std::size_t size = std::max<std::size_t>(256, s.size() + 1);
    auto text = std::make_unique<char[]>(size); // zero-filled
    std::memcpy(text.get(), s.data(), s.size());
    return text;
}

// Loads one library and looks up its two entry points, reporting each problem in a box.
template <typename ExecFunc, typename VersionFunc>
void loadOne(bool trace, const char* module, const char* loadedText, const char* execName,
             const char* versionName, void*& handle, ExecFunc& exec, VersionFunc& version) {
    platform::setErrorMode(3);
    handle = platform::loadLibrary(module);
    if (!handle) {
        exec = nullptr;
        version = nullptr;
        show(std::string(module) + " not found");
    } else {
        if (trace)
            show(loadedText);
        exec = reinterpret_cast<ExecFunc>(platform::getProcAddress(handle, execName));
        version = reinterpret_cast<VersionFunc>(platform::getProcAddress(handle, versionName));
        if (!exec)
            show(std::string(execName) + " function not found in " + module);
        if (!version)
            show(std::string(versionName) + " function not found in " + module);
    }
    platform::setErrorMode(0);
}

template <typename ExecFunc, typename VersionFunc>
void unloadOne(void*& handle, ExecFunc& exec, VersionFunc& version) {
    if (handle)
        platform::freeLibrary(handle);
    handle = nullptr;
    exec = nullptr;
    version = nullptr;
}

// Clears a busy guard and Cancel on every way out of an operation.
class BusyScope {
public:
    BusyScope(bool& busy, bool& cancel) : busy_(busy), cancel_(cancel) {
        busy_ = true;
        cancel_ = false;
    }
    ~BusyScope() {
        cancel_ = false;
        busy_ = false;
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& busy_;
    bool& cancel_;
};

// Drops the message's line end: of the last two characters, the first that is a carriage
// return or a line feed ends the text.
std::string withoutLineEnd(std::string text) {
    auto isEnd = [](char c) { return c == '\r' || c == '\n'; };
    const std::size_t n = text.size();
    if (n >= 2 && isEnd(text[n - 2]))
        text.resize(n - 2);
    else if (n >= 1 && isEnd(text[n - 1]))
        text.resize(n - 1);
    return text;
}

} // namespace

TArchiver::TArchiver(void* /*owner*/) {}

TArchiver::~TArchiver() {
    ClearDirectory();
}

void TArchiver::setZipFilename(const std::string& path) {
    zipFilename_ = path;
    toldDifference_.clear();
    if (!designMode)
        ReadDirectory();
}

int TArchiver::Count() const {
    return zipFilename_.empty() ? 0 : static_cast<int>(dirEntries_->size());
}

void TArchiver::ClearDirectory() {
    // A fresh list: whoever holds the old one (SharedDirEntries) keeps it as it was.
    dirEntries_ = std::make_shared<ZipDirList>();
}

void TArchiver::ReadDirectory() {
    if (designMode)
        return;
    ClearDirectory();
    if (!platform::fileExists(zipFilename_)) {
        if (OnDirUpdate)
            OnDirUpdate(this);
        return;
    }
    // An open failure leaves at once, without OnDirUpdate.
    auto source = std::make_unique<archive_detail::FileSource>(zipFilename_);
    std::exception_ptr error;
    try {
        ZipDirList& list = *dirEntries_;
        archive_detail::readEntries(
            *source,
            [&list](std::unique_ptr<ZipDirEntry> entry) { list.push_back(std::move(*entry)); },
            &toldDifference_);
    } catch (...) {
        error = std::current_exception();
    }
    // The file is closed before the owner hears of the new listing, and before an error
    // leaves, so that the owner may at once write or delete it.
    source.reset();
    if (OnDirUpdate)
        OnDirUpdate(this);
    if (error)
        std::rethrow_exception(error);
}

void TArchiver::LoadZipLibrary() {
    loadOne(Trace, "ZIPPER.DLL", "ZIP DLL Loaded", "ZipperExec", "GetZipperVersion",
            ZIPPER::ZipDllHandle, ZIPPER::ZipperExec, ZIPPER::GetZipperVersion);
}

void TArchiver::LoadUnzLibrary() {
    loadOne(Trace, "UNZIPPER.DLL", "UNZ DLL Loaded", "UnzipperExec", "GetUnzipperVersion",
            UNZIPPER::UnzDllHandle, UNZIPPER::UnzipperExec, UNZIPPER::GetUnzipperVersion);
}

void TArchiver::UnloadZipLibrary() {
    unloadOne(ZIPPER::ZipDllHandle, ZIPPER::ZipperExec, ZIPPER::GetZipperVersion);
}

void TArchiver::UnloadUnzLibrary() {
    unloadOne(UNZIPPER::UnzDllHandle, UNZIPPER::UnzipperExec, UNZIPPER::GetUnzipperVersion);
}

void TArchiver::fillZipRecord(bool deleting) {
    ZipCommandRecord& r = zipRecord_;
    std::memset(&r, 0, sizeof r);
    const bool adding = !deleting;
    auto has = [this](AddOptsEnum o) { return AddOptions.contains(o); };
    r.WindowHandle = 0;
    r.Caller = this;
    r.Reserved8 = 120;
    r.CallbackAddress = &TArchiver::LibraryCallback;
    r.TraceFlag = flag(Trace);
    r.HiddenFilesFlag = flag(has(AddOptsEnum::AddHiddenFiles));
    r.Reserved44 = RecordTrue;
    r.VerboseFlag = flag(Verbose || Trace);
    r.Reserved56 = RecordTrue;
    r.CompressionLevel = AddCompLevel;
    r.NoDirNamesFlag = flag(adding && !has(AddOptsEnum::AddDirNames));
    r.RecurseFlag = flag(adding && has(AddOptsEnum::AddRecurseDirs));
    r.Reserved80 = flag(adding);
    r.ForceDosFlag = flag(has(AddOptsEnum::AddForceDOS));
    r.MoveFlag = flag(adding && has(AddOptsEnum::AddMove));
    r.DeleteFlag = flag(deleting);
    r.UpdateFlag = flag(adding && has(AddOptsEnum::AddUpdate));
    r.FreshenFlag = flag(adding && has(AddOptsEnum::AddFreshen) && !has(AddOptsEnum::AddUpdate));
    r.ZipTimeFlag = flag(has(AddOptsEnum::AddZipTime));
    if (adding && AddEncryption == AddEncryptionEnum::Aes256)
        r.EncryptMethod = ZipEncryptAes256;
    else if (adding && AddEncryption == AddEncryptionEnum::ZipCrypto)
        r.EncryptMethod = ZipEncryptZipCrypto;
    // Field 36, a fixed 0 whose meaning is the library's, carries the code page of names
    // stored without the UTF-8 flag; 0 (automatic) leaves the record as it always was.
    r.Reserved36 = NameEncoding;
    r.Reserved128 = 7;
}

void TArchiver::fillUnzRecord() {
    UnzCommandRecord& r = unzRecord_;
    std::memset(&r, 0, sizeof r);
    auto has = [this](ExtrOptsEnum o) { return ExtrOptions.contains(o); };
    r.WindowHandle = 0;
    r.Caller = this;
    r.Reserved8 = 120;
    r.CallbackAddress = &TArchiver::LibraryCallback;
    r.TraceFlag = flag(Trace);
    r.Reserved40 = RecordTrue;
    r.VerboseFlag = flag(Verbose || Trace);
    r.UpdateFlag = flag(has(ExtrOptsEnum::ExtrUpdate));
    r.FreshenFlag = flag(has(ExtrOptsEnum::ExtrFreshen) && !has(ExtrOptsEnum::ExtrUpdate));
    r.DirNamesFlag = flag(has(ExtrOptsEnum::ExtrDirNames));
    r.OverwriteFlag = flag(has(ExtrOptsEnum::ExtrOverWrite));
    r.Reserved36 = NameEncoding; // as in the zipper's record
    r.Reserved72 = 7;
    if (testing_)
        r.Reserved20 = UnzTestMode;
}

template <typename Record, typename Exec, typename Fill>
bool TArchiver::callLibrary(Record& record, Exec exec, Fill fill, std::string archiveName) {
    // More file specs than the record holds go in several calls whose counts add up;
    // an empty list is one call with none. The list is taken as it stands now: an event
    // handler may start another operation that replaces FSpecArgs between two calls.
    const std::vector<std::string> specs = fspecArgs_;
    const std::size_t total = specs.size();
    std::size_t first = 0;
    std::int64_t processed = 0;
    bool anyReturned = false;
    bool ok = true;
    do {
        const std::size_t count = std::min<std::size_t>(total - first, MaxSpecs);
        fill();
        auto archiveText = makeText(archiveName);
        std::vector<std::unique_ptr<char[]>> specTexts;
        specTexts.reserve(count);
        record.ArchiveName = archiveText.get();
        record.SpecCount = 0;
        for (std::size_t i = first; i < first + count; ++i) {
            specTexts.push_back(makeText(specs[i]));
            record.Specs[record.SpecCount++] = specTexts.back().get();
        }

        const bool outerFailed = callbackFailed_;
        callbackFailed_ = false;
        std::int32_t result = 0;
        bool returned = false;
        if (exec) {
            try {
                result = exec(&record);
                returned = true;
            } catch (...) {
                returned = false;
            }
        }
        const bool handlerFailed = callbackFailed_;
        callbackFailed_ = outerFailed;

        // The texts live for this call only; the last slot is freed first.
        while (!specTexts.empty())
            specTexts.pop_back();
        archiveText.reset();
        record.ArchiveName = nullptr;
        std::fill(std::begin(record.Specs), std::end(record.Specs), nullptr);

        if (!returned || handlerFailed) {
            fail("Fatal DLL Error: abort exception");
            ok = false;
            break;
        }
        processed += result;
        anyReturned = true;
        first += count;
    } while (first < total && !Cancel);
    wasCancelled_ = Cancel;
    if (anyReturned)
        processedCount_ = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(processed, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max()));
    return ok;
}

void TArchiver::startOperation() {
    processedCount_ = 0;
    lastError_.clear();
    wasCancelled_ = false;
}

void TArchiver::fail(const std::string& text) {
    show(text);
    lastError_ = text;
}

void TArchiver::zipperOperation(bool deleting) {
    // A second operation while one runs is refused without touching the running one's record.
    if (zipBusy_ || unzBusy_) {
        lastError_ = "an operation is still running";
        return;
    }
    startOperation();
    if (fspecArgs_.empty()) {
        fail(deleting ? "Error - no files selected for deletion" : "Error - no files to zip");
        return;
    }
    if (deleting ? !platform::fileExists(zipFilename_) : zipFilename_.empty()) {
        fail("Error - no zip file specified");
        return;
    }
    if (isSelfExtractingName(zipFilename_)) {
        fail(deleting ? "Error - this pgm can NOT delete files from a self-extracting archive"
                      : "Error - this pgm can NOT add files to a self-extracting archive");
        return;
    }
    {
        BusyScope busy(zipBusy_, Cancel);
        bool loadedHere = false;
        if (!ZIPPER::ZipDllHandle) {
            LoadZipLibrary();
            loadedHere = true;
            if (!ZIPPER::ZipDllHandle) {
                lastError_ = "ZIPPER.DLL not found";
                return;
            }
        }
        callLibrary(
            zipRecord_, ZIPPER::ZipperExec, [this, deleting] { fillZipRecord(deleting); },
            zipFilename_);
        fspecArgs_.clear();
        if (loadedHere)
            UnloadZipLibrary();
    }
    if (processedCount_ > 0)
        ReadDirectory();
}

void TArchiver::Add() {
    zipperOperation(false);
}

void TArchiver::Delete() {
    zipperOperation(true);
}

void TArchiver::Extract() {
    if (zipBusy_ || unzBusy_) {
        lastError_ = "an operation is still running";
        return;
    }
    startOperation();
    BusyScope busy(unzBusy_, Cancel);
    bool loadedHere = false;
    if (!UNZIPPER::UnzDllHandle) {
        LoadUnzLibrary();
        loadedHere = true;
        if (!UNZIPPER::UnzDllHandle) {
            lastError_ = "UNZIPPER.DLL not found";
            return;
        }
    }
    // The library extracts into the current directory; it is not restored afterwards. An
    // empty base folder extracts into the current one.
    if (!ExtrBaseDir.empty()) {
        // A relative archive path would name another file once the current directory has
        // changed (for this call, the reread after an Add or Delete, and every later
        // operation): it is made absolute first, naming the same file as before.
        if (!zipFilename_.empty()) {
            std::error_code ec;
            const std::filesystem::path path(zipFilename_);
            if (path.is_relative()) {
                const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
                if (!ec)
                    zipFilename_ = absolute.string();
            }
        }
        if (!platform::directoryExists(ExtrBaseDir) ||
            !platform::setCurrentDirectory(ExtrBaseDir)) {
            // A base folder that is gone or cannot be entered: extracting anyway would write
            // into whatever folder happens to be current.
            fail("Error - cannot open the folder " + ExtrBaseDir);
            if (loadedHere)
                UnloadUnzLibrary();
            return;
        }
    }
    callLibrary(
        unzRecord_, UNZIPPER::UnzipperExec, [this] { fillUnzRecord(); }, zipFilename_);
    fspecArgs_.clear();
    if (loadedHere)
        UnloadUnzLibrary();
}

void TArchiver::Test() {
    if (unzBusy_)
        return;
    BusyScope busy(unzBusy_, Cancel);
    bool loadedHere = false;
    if (!UNZIPPER::UnzDllHandle) {
        LoadUnzLibrary();
        loadedHere = true;
        if (!UNZIPPER::UnzDllHandle)
            return;
    }
    {
        BusyScope testing(testing_, Cancel);
        callLibrary(
            unzRecord_, UNZIPPER::UnzipperExec, [this] { fillUnzRecord(); }, zipFilename_);
    }
    fspecArgs_.clear();
    if (loadedHere)
        UnloadUnzLibrary();
}

bool TArchiver::answerPassword(CallbackRecord& record, const std::string& name) {
    std::string password;
    // The handler's copy is cleared before its memory is given back, also when it throws.
    struct Wipe {
        std::string& text;
        ~Wipe() { explicit_bzero(text.data(), text.size()); }
    } wipe{password};
    const bool go = !OnPassword || OnPassword(this, record.ErrorCode, name, password);
    const std::size_t n = go ? std::min(password.size(), sizeof record.Text - 1) : 0;
    std::memcpy(record.Text, password.data(), n);
    std::memset(record.Text + n, 0, sizeof record.Text - n);
    if (!go)
        Cancel = true;
    return go;
}

std::int32_t QUEMBLY_STDCALL TArchiver::LibraryCallback(CallbackRecord* record) {
    if (!record || !record->Caller)
        return CallbackStop;
    auto* self = static_cast<TArchiver*>(record->Caller);
    // After a handler failed, the library is only asked to stop.
    if (self->callbackFailed_)
        return CallbackStop;
    // An error of an event handler must not unwind through the library: it is held and the
    // call reported as failed once the library has returned.
    try {
        auto text = [record] {
            const char* begin = record->Text;
            const char* end = std::find(begin, begin + sizeof record->Text, '\0');
            return std::string(begin, end);
        };
        switch (record->ActionCode) {
        case ActionNewFile:
            if (self->OnProgress)
                self->OnProgress(self, ProgressType::NewFile, text(), record->EntrySize);
            break;
        case ActionProgress:
            if (self->OnProgress)
                self->OnProgress(self, ProgressType::ProgressUpdate, " ", 0);
            break;
        case ActionEndOfBatch:
            if (self->OnProgress)
                self->OnProgress(self, ProgressType::EndOfBatch, " ", 0);
            break;
        case ActionMessage:
            if (self->OnMessage)
                self->OnMessage(self, record->ErrorCode, withoutLineEnd(text()));
            break;
        case ActionPassword:
            if (!self->answerPassword(*record, text()))
                return CallbackStop;
            break;
        default:
            break;
        }
    } catch (...) {
        self->callbackFailed_ = true;
        return CallbackStop;
    }
    return self->Cancel ? CallbackStop : CallbackContinue;
}
