#include "app/EntryColumn.h"

#include "platform/qt/Locale.h"
#include "zipformat/Records.h"

#include <QPainter>
#include <algorithm>

namespace {

// The padlock drawn before the name of an encrypted entry: a dark body with a keyhole under
// a shackle, 9 by 12 pixels on a transparent ground.
const QImage& lockMark() {
    static const QImage image = [] {
        QImage img(9, 12, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        const QColor ink(64, 64, 64);
        p.setPen(QPen(ink, 1.5));
        p.drawArc(QRectF(1.75, 0.75, 5.5, 7.0), 0, 180 * 16);
        p.drawLine(QPointF(1.75, 4.25), QPointF(1.75, 5.5));
        p.drawLine(QPointF(7.25, 4.25), QPointF(7.25, 5.5));
        p.fillRect(QRect(0, 5, 9, 7), ink);
        p.fillRect(QRect(4, 7, 1, 3), Qt::white);
        return img;
    }();
    return image;
}

} // namespace

QString EntryColumn::Text(std::uint32_t index) const {
    const ZipDirEntry* e = entry(index);
    if (!e)
        return {};
    switch (field_) {
    case Field::Name: {
        QString name = QString::fromStdString(displayName(*e, encoding_));
        if (backslashes_)
            name.replace('/', '\\');
        return name;
    }
    case Field::Compressed:
        return QString::number(e->CompressedSize64);
    case Field::Uncompressed:
        return QString::number(e->UncompressedSize64);
    default: // an impossible stored date or time leaves the cell empty
        return platform::dosDateTimeText(e->DateTime);
    }
}

const QImage* EntryColumn::Mark(std::uint32_t index) const {
    const ZipDirEntry* e = entry(index);
    if (field_ != Field::Name || !e)
        return nullptr;
    return (e->GeneralFlags & zipformat::FlagEncrypted) ? &lockMark() : nullptr;
}

bool EntryColumn::Utf8Text(std::uint32_t index, std::string& bytes) const {
    const ZipDirEntry* e = entry(index);
    if (field_ != Field::Name || !e)
        return false;
    const std::size_t start = bytes.size();
    bytes += displayName(*e, encoding_);
    if (backslashes_) {
        // A name that is not valid UTF-8 is left to its text: its decoding decides which of
        // its bytes remain slashes.
        if (!isValidUtf8(bytes.substr(start))) {
            bytes.resize(start);
            return false;
        }
        std::replace(bytes.begin() + std::ptrdiff_t(start), bytes.end(), '/', '\\');
    }
    return true;
}

bool EntryColumn::NumberText(std::uint32_t index, std::uint64_t& value) const {
    const ZipDirEntry* e = entry(index);
    if (!e || (field_ != Field::Compressed && field_ != Field::Uncompressed))
        return false;
    value = field_ == Field::Compressed ? e->CompressedSize64 : e->UncompressedSize64;
    return true;
}

bool EntryColumn::DateTimeText(std::uint32_t index, QDate& date, QTime& time) const {
    const ZipDirEntry* e = entry(index);
    if (field_ != Field::DateTime || !e)
        return false;
    if (!platform::dosDateAndTime(e->DateTime, date, time))
        date = QDate(); // an empty text
    return true;
}
