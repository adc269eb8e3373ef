// The statistics and the report without widgets: the tallies as the counts
// table holds them, the four rates, and the bytes of the CSV report.
#ifndef REPORT_H
#define REPORT_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// The rows of the counts table, tb_Result.
enum TallyRow {
    TotalRow = 0,
    MissedRow = 1,
    CorrectRow = 2,
    WrongRow = 3,
    MultiEmptyRow = 4,
    NonMotorRow = 5,
};

// What the rates are computed from. The counts are held in single precision,
// as the rates are computed in it.
struct Tallies
{
    float total = 0;
    float correct = 0;
    float wrong = 0;
    float multiEmpty = 0;
    float nonMotor = 0;
    int plateInvalid = 0;
};

// The tallies from the texts of the counts table's rows 0 to 5 (the missed
// row 1 enters only through the total) and the plate-invalid count. A text
// that is no number counts as 0.
Tallies talliesFromCells(const QStringList &countCells, int plateInvalid);

// The four rates as the rates table shows them, in its row order: capture,
// recognition, false shot, overall; each with two decimals and "%", and
// 0.00% where its denominator is 0.
QStringList rateTexts(const Tallies &tallies);

// The CSV report of the counts table's rows 0 to 5 and the rates table's rows
// 0 to 3: five lines in GB18030 separated by CR LF, the last one without.
// Counts are written as integers (a text that is no number as 0), rates as
// shown. Empty only if the system lacks the GB18030 codec.
QByteArray reportBytes(const QStringList &countCells, const QStringList &rateCells);

// Writes `bytes` as the file `path`, whole or not at all: an earlier file of
// that name is replaced in one step, and stays as it was if the write fails.
// False if the file could not be written.
bool writeWhole(const QString &path, const QByteArray &bytes);

#endif // REPORT_H
