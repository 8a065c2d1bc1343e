// Fuzzing entry point of the grid's delimited-file loader: the first byte is the separator,
// the bytes after it the file. Faults beside crashes: a row count that is not the file's
// line count, and a save followed by a load that does not give back the same cells (after a
// load no cell holds the separator or a line break, so the round trip must be exact).
#include "controls/SortingGrid.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QApplication>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

using fuzzsupport::fault;

QString file;

int lineCount(const QByteArray& bytes) {
    int lines = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            ++lines;
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        }
    }
    const char last = bytes.isEmpty() ? '\n' : bytes.back();
    return lines + (last == '\r' || last == '\n' ? 0 : 1);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication app(*argc, *argv);
    file = QString::fromStdString((fuzzsupport::scratchFolder("gridload") / "cells.txt").string());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    QChar separator = QChar::fromLatin1(static_cast<char>(data[0]));
    if (separator == u'\r' || separator == u'\n')
        separator = u',';
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            fault("cannot write the input file");
    }
    auto grid = std::make_unique<TSortingGrid>();
    grid->LoadFromFile(file, separator);
    if (grid->RowCount() != std::max(1, lineCount(bytes)))
        fault("row count " + std::to_string(grid->RowCount()) + " for " +
              std::to_string(lineCount(bytes)) + " lines");

    grid->SaveToFile(file, separator);
    TSortingGrid again;
    again.LoadFromFile(file, separator);
    if (again.RowCount() != grid->RowCount() || again.ColCount() != grid->ColCount())
        fault("the saved file loads with another size");
    for (int c = 0; c < grid->ColCount(); ++c)
        for (int r = 0; r < grid->RowCount(); ++r)
            if (again.Cells(c, r) != grid->Cells(c, r))
                fault("cell " + std::to_string(c) + "," + std::to_string(r) +
                      " changed in a save and load");
    return 0;
}
