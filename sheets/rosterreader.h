#pragma once
#include <QString>
#include <memory>

#include "base/errors.h"

// The first worksheet of a roster file, cell by cell as text. Rows and columns
// count from 1; a cell outside the data is empty.
class RosterReader {
public:
    virtual ~RosterReader() = default;
    virtual QString cell(int row, int column) const = 0;

    // Opens a roster file. The content decides how it is read (an .xls that is
    // really text is read as text, and the other way round). Throws
    // RosterFileError with a message naming the file when it cannot be read.
    static std::unique_ptr<RosterReader> open(const QString &path);
};

// A roster file that cannot be opened or read.
class RosterFileError : public AppError {
public:
    using AppError::AppError;
};

// A number as a cell shows it: shortest decimal form that reads back as the
// same value (1001, 12.5, 0.274, 1e+20).
QString shortestNumberText(double value);
