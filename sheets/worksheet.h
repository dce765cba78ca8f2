#pragma once
#include <QString>
#include <QStringList>
#include <vector>

// A table of text ready to be saved as a spreadsheet: one header row, the data
// rows and how each column looks. Every cell carries the same colours and font.
struct Worksheet {
    struct Column {
        QString header;
        int widthPx = 100;
        bool centred = true;
    };
    QString name;
    std::vector<Column> columns;
    std::vector<QStringList> rows; // each as many cells as there are columns
    int rowHeightPx = 42;
    QString fontName;
    int fontPx = 27;
};
