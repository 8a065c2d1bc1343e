#pragma once
// One column of the entry table, read from the component's listing the table was filled from:
// the listing stays the one copy of each name, size and date, and the texts are made as they
// are painted, read or sorted, exactly as they were once written into the cells. A sort reads
// the names' UTF-8 bytes, the sizes and the dates and times straight from the listing.
#include "archive/Archiver.h"
#include "controls/StringGrid.h"

#include <cstdint>
#include <memory>
#include <string>

class EntryColumn : public TGridCellSource {
public:
    enum class Field { Name, Compressed, Uncompressed, DateTime };
    EntryColumn(std::shared_ptr<const ZipDirList> entries, Field field, std::int32_t encoding)
        : entries_(std::move(entries)), field_(field), encoding_(encoding) {}

    QString Text(std::uint32_t index) const override;
    const QImage* Mark(std::uint32_t index) const override;
    bool Utf8Text(std::uint32_t index, std::string& bytes) const override;
    bool NumberText(std::uint32_t index, std::uint64_t& value) const override;
    bool DateTimeText(std::uint32_t index, QDate& date, QTime& time) const override;

    // From now on the names separate folders with "\\" (the table's convention).
    void showBackslashes() { backslashes_ = true; }
    bool showsBackslashes() const { return backslashes_; }

private:
    const ZipDirEntry* entry(std::uint32_t index) const {
        return index < entries_->size() ? (*entries_)[index] : nullptr;
    }

    std::shared_ptr<const ZipDirList> entries_;
    Field field_;
    std::int32_t encoding_;
    bool backslashes_ = false;
};
