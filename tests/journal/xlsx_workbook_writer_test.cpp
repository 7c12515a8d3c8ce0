#include "journal/spreadsheet_export.h"
#include "journal/xlsx_workbook_writer.h"

#include "recording_reporter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include <csignal>
#include <sys/resource.h>

namespace kv {
namespace {

class NoCursor : public BusyCursor {
public:
    void setHourglass() override { ++changes; }
    void setDefault() override { ++changes; }
    int changes = 0;
};

// One part of the workbook's zip container, read with unzip(1).
QString part(const QString& xlsx, const QString& name)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), xlsx, name});
    if (!unzip.waitForFinished(30000) || unzip.exitCode() != 0)
        return {};
    return QString::fromUtf8(unzip.readAllStandardOutput());
}

struct Style {
    double size = 0;
    bool bold = false;
    QString align;
};

// Each cell format of styles.xml with its font's size and weight and its alignment.
std::vector<Style> cellStyles(const QString& stylesXml)
{
    std::vector<std::pair<double, bool>> fonts;
    std::vector<Style> styles;
    QXmlStreamReader xml(stylesXml);
    QString section;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == section)
            section.clear();
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        const auto attributes = xml.attributes();
        if (name == u"fonts" || name == u"cellXfs")
            section = name.toString();
        else if (name == u"font" && section == u"fonts")
            fonts.push_back({0, false});
        else if (name == u"sz" && section == u"fonts")
            fonts.back().first = attributes.value("val").toDouble();
        else if (name == u"b" && section == u"fonts")
            fonts.back().second = true;
        else if (name == u"xf" && section == u"cellXfs")
            styles.push_back({fonts.at(attributes.value("fontId").toUInt()).first,
                              fonts.at(attributes.value("fontId").toUInt()).second, {}});
        else if (name == u"alignment" && section == u"cellXfs")
            styles.back().align = attributes.value("horizontal").toString();
    }
    return styles;
}

struct SheetCell {
    QString text;
    QString type;
    Style style;
};

std::map<QString, SheetCell> sheetCells(const QString& sheetXml, const std::vector<Style>& styles)
{
    std::map<QString, SheetCell> cells;
    QXmlStreamReader xml(sheetXml);
    QString current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"c") {
            current = xml.attributes().value("r").toString();
            SheetCell& cell = cells[current];
            cell.type = xml.attributes().value("t").toString();
            cell.style = styles.at(xml.attributes().value("s").toUInt());
        } else if (xml.name() == u"t") {
            cells[current].text = xml.readElementText();
        }
    }
    return cells;
}

JournalTable threeRows()
{
    JournalTable table;
    table.setRowCount(4);
    table.setRow(1, {{"1", "08.12.2026 14:05:09", "Исследовательский метод", "83,3", ""}});
    table.setRow(2, {{"002", "08.12.2026 14:06:10", "Моторный метод", "78", "<5% воды & \"осадок\""}});
    table.setRow(3, {{"3", "08.12.2026 15:00:00", "Цетановое число", "1e5", " "}});
    return table;
}

class XlsxWorkbookWriterTest : public testing::Test {
protected:
    const WorkbookWriterFactory xlsx = &createXlsxWorkbookWriter;
    QTemporaryDir dir;
    NoCursor cursor;
    QString path(const QString& name) { return dir.filePath(name); }
};

// The workbook as a spreadsheet program reads it: one sheet, the widths, the fonts, the
// alignments and every cell a text exactly as it stood, numbers-like ones included.
TEST_F(XlsxWorkbookWriterTest, WritesTheLaidOutWorkbook)
{
    const QString file = path(QStringLiteral("журнал.xls"));
    exportGridToSpreadsheet(threeRows(), file, xlsx, cursor);
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_EQ(test::readFile(file).left(2), QByteArray("PK")) << "an Office Open XML container";

    const QString workbook = part(file, QStringLiteral("xl/workbook.xml"));
    EXPECT_EQ(workbook.count(QStringLiteral("<sheet ")), 1);
    EXPECT_TRUE(workbook.contains(QStringLiteral("name=\"Лист1\"")));

    const QString sheet = part(file, QStringLiteral("xl/worksheets/sheet1.xml"));
    ASSERT_FALSE(sheet.isEmpty());
    // libxlsxwriter stores a width of n characters with its padding, as a spreadsheet does.
    const QRegularExpression col(QStringLiteral("<col min=\"(\\d+)\" max=\"(\\d+)\" width=\"([0-9.]+)\""));
    std::map<int, double> widths;
    for (const auto& m : col.globalMatch(sheet))
        if (m.captured(1) == m.captured(2))
            widths[m.captured(1).toInt()] = m.captured(3).toDouble();
    ASSERT_EQ(widths.size(), 5u);
    const int expected[] = {10, 30, 40, 20, 90};
    for (int c = 1; c <= 5; ++c)
        EXPECT_NEAR(widths[c], expected[c - 1] + 0.7109375, 1e-9) << "column " << c;

    const std::vector<Style> styles = cellStyles(part(file, QStringLiteral("xl/styles.xml")));
    const auto cells = sheetCells(sheet, styles);
    // The sheet claims only the five columns it uses, so a reader that trusts its extent
    // doesn't get 16,384 cells a row; the columns beyond keep the sheet's defaults.
    EXPECT_TRUE(sheet.contains(QStringLiteral("<dimension ref=\"A1:E6\"/>"))) << sheet.left(400).toStdString();
    EXPECT_FALSE(sheet.contains(QStringLiteral("<col min=\"6\"")));
    for (const auto& [ref, cell] : cells) {
        if (!cell.text.isEmpty()) {
            EXPECT_EQ(cell.type, QStringLiteral("inlineStr")) << ref.toStdString();
        }
    }

    auto at = [&](const char* ref) {
        const auto it = cells.find(QString::fromLatin1(ref));
        EXPECT_NE(it, cells.end()) << ref;
        return it == cells.end() ? SheetCell{} : it->second;
    };
    EXPECT_EQ(at("B1").text, QStringLiteral("Октанометр КВ-4410 ПК"));
    for (const char* ref : {"A1", "B1"}) {
        EXPECT_EQ(at(ref).style.size, 15) << ref;
        EXPECT_TRUE(at(ref).style.bold) << ref;
        EXPECT_EQ(at(ref).style.align, QStringLiteral("center")) << ref;
    }
    EXPECT_EQ(cells.count(QStringLiteral("C1")), 0u) << "the title's range is a1:b1";
    EXPECT_EQ(cells.count(QStringLiteral("A2")), 0u) << "row 2 stays empty";

    const char* headings[] = {"№", "Дата", "Метод", "Значение", "Комментарий"};
    for (int c = 0; c < 5; ++c) {
        const SheetCell h = at(QStringLiteral("%1%2").arg(QChar('A' + c)).arg(3).toLatin1());
        EXPECT_EQ(h.style.size, 10);
        EXPECT_TRUE(h.style.bold);
        EXPECT_EQ(h.style.align, QStringLiteral("center"));
        EXPECT_EQ(h.text, QString::fromUtf8(headings[c]));
    }
    EXPECT_EQ(cells.count(QStringLiteral("F3")), 0u);

    const JournalTable table = threeRows();
    for (int r = 1; r <= 3; ++r)
        for (int c = 0; c < 5; ++c) {
            const QByteArray ref = QStringLiteral("%1%2").arg(QChar('A' + c)).arg(r + 3).toLatin1();
            const SheetCell cell = at(ref.constData());
            EXPECT_EQ(cell.text, table.cell(r, c)) << ref.constData();
            EXPECT_EQ(cell.style.size, 8) << ref.constData();
            EXPECT_FALSE(cell.style.bold) << ref.constData();
            EXPECT_EQ(cell.style.align, QStringLiteral("center")) << ref.constData();
        }
    EXPECT_EQ(cells.count(QStringLiteral("A7")), 0u);
    EXPECT_EQ(cursor.changes, 2);
}

// The name is used as given, with no extension added.
TEST_F(XlsxWorkbookWriterTest, NameAsGiven)
{
    const QString file = path(QStringLiteral("без расширения"));
    exportGridToSpreadsheet(JournalTable(), file, xlsx, cursor);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"без расширения"});
    EXPECT_TRUE(part(file, QStringLiteral("xl/worksheets/sheet1.xml")).contains(QStringLiteral("r=\"A4\"")));
}

// A save that can't be made raises the file error; an older file of that name is left
// whole and no scratch file stays behind.
TEST_F(XlsxWorkbookWriterTest, FailedSaveLeavesTheOldFile)
{
    const QString file = path(QStringLiteral("busy.xls"));
    test::blockWithDirectory(file);
    try {
        exportGridToSpreadsheet(threeRows(), file, xlsx, cursor);
        FAIL() << "no error raised";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot create file \"%1\"").arg(file)))
            << e.message().toStdString();
    }
    EXPECT_TRUE(QFileInfo(file).isDir());
    EXPECT_EQ(cursor.changes, 2);

    const QString old = path(QStringLiteral("old.xls"));
    test::writeFile(old, "old workbook");
    EXPECT_THROW(exportGridToSpreadsheet(threeRows(), path(QStringLiteral("no/such/dir.xls")),
                                         xlsx, cursor),
                 Error);
    EXPECT_EQ(test::readFile(old), QByteArray("old workbook"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.xls"});
}

// A failure names the file chosen and the system's cause, and the workbook is made on
// the target's disk: a temporary folder that can't be used doesn't stop the export.
TEST_F(XlsxWorkbookWriterTest, SaveFailuresNameTheFileAndTheCause)
{
    const QByteArray savedTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", path(QStringLiteral("no-such-folder")).toLocal8Bit());
    const QString file = path(QStringLiteral("journal.xlsx"));
    EXPECT_NO_THROW(exportGridToSpreadsheet(threeRows(), file, xlsx, cursor));
    qputenv("TMPDIR", savedTmp);
    EXPECT_EQ(test::readFile(file).left(2), QByteArray("PK"));

    // A disk that takes no more than 1000 bytes: "File too large" from the system, both
    // when it stays full to the end and when it fills while rows go out and has room
    // again at the save (the rows lost on the way must not make a workbook).
    JournalTable big;
    big.setRowCount(2001);
    for (int r = 1; r < big.rowCount(); ++r)
        big.setRow(r, {{QString::number(r), "08.12.2026 14:05:09", "Моторный метод",
                        QString::number(70 + r % 30), QString::number(r * 7919, 36)}});
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 1000;
    for (const bool roomAtSave : {false, true}) {
        SCOPED_TRACE(roomAtSave);
        ::setrlimit(RLIMIT_FSIZE, &small);
        QString message;
        try {
            exportGridToSpreadsheet(big, file, xlsx, cursor, [&](int done, int total) {
                if (roomAtSave && done == total)
                    ::setrlimit(RLIMIT_FSIZE, &saved);
                return true;
            });
        } catch (const Error& e) {
            message = e.message();
        }
        ::setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(message, QStringLiteral("Cannot create file \"%1\". File too large").arg(file));
        EXPECT_EQ(test::readFile(file).left(2), QByteArray("PK"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{"journal.xlsx"});
    }
    std::signal(SIGXFSZ, previousHandler);
}

// A cell text beyond what a spreadsheet cell holds is cut with "…" and the rest of the
// table goes out; the export tells which rows.
TEST_F(XlsxWorkbookWriterTest, OverlongCommentsAreCutNotRefused)
{
    JournalTable table = threeRows();
    table.setCell(1, 4, QString(40000, u'ж'));
    table.setCell(3, 4, QString(kMaxCellText - 2, u'a') + QString::fromUtf8("😀b"));
    const QString file = path(QStringLiteral("long.xlsx"));
    const SpreadsheetExportResult result =
        exportGridToSpreadsheet(table, file, xlsx, cursor);
    EXPECT_EQ(result.cutRows, (QList<int>{1, 3}));
    const auto cells = sheetCells(part(file, QStringLiteral("xl/worksheets/sheet1.xml")),
                                  cellStyles(part(file, QStringLiteral("xl/styles.xml"))));
    const QString e4 = cells.at(QStringLiteral("E4")).text;
    EXPECT_EQ(e4.size(), kMaxCellText);
    EXPECT_TRUE(e4.endsWith(QStringLiteral("жж…")));
    // Never half a character: the emoji's pair goes whole.
    EXPECT_EQ(cells.at(QStringLiteral("E6")).text, QString(kMaxCellText - 2, u'a') + u'…');
    EXPECT_EQ(cells.at(QStringLiteral("E5")).text, table.cell(2, 4));
    EXPECT_EQ(cutCellsNotice(result.cutRows),
              QStringLiteral("Текст длиннее 32767 знаков не помещается в ячейку таблицы: он обрезан и "
                             "кончается знаком «…». Строки: 1, 3."));
}

// A range over several rows reaches each of them, also rows no text comes to and rows
// after the last text, later formats over earlier ones.
TEST_F(XlsxWorkbookWriterTest, RangesOverSeveralRowsReachEveryRow)
{
    const QString file = path(QStringLiteral("ranges.xlsx"));
    const std::unique_ptr<WorkbookWriter> writer = createXlsxWorkbookWriter(file);
    writer->create();
    writer->formatRange({2, 1, 6, 2}, {12, true, std::nullopt});
    writer->formatRange({2, 2, 3, 2}, {std::nullopt, false, HorizontalAlignment::Right});
    writer->setCellText(4, 1, QStringLiteral("x"));
    EXPECT_TRUE(writer->save(file, {}));
    writer->close();
    const auto cells = sheetCells(part(file, QStringLiteral("xl/worksheets/sheet1.xml")),
                                  cellStyles(part(file, QStringLiteral("xl/styles.xml"))));
    EXPECT_EQ(cells.size(), 10u);
    for (int row = 2; row <= 6; ++row)
        for (const QChar column : {u'A', u'B'}) {
            const QString ref = column + QString::number(row);
            const SheetCell& cell = cells.at(ref);
            const bool second = column == u'B' && row <= 3;
            EXPECT_EQ(cell.style.size, 12) << ref.toStdString();
            EXPECT_EQ(cell.style.bold, !second) << ref.toStdString();
            EXPECT_EQ(cell.style.align, second ? QStringLiteral("right") : QString()) << ref.toStdString();
        }
    EXPECT_EQ(cells.at(QStringLiteral("A4")).text, QStringLiteral("x"));
}

// A save called off at its gate, the workbook whole, replaces nothing: the old file
// stays, and the close takes the scratch workbook away.
TEST_F(XlsxWorkbookWriterTest, SaveCalledOffAtTheGateLeavesTheOldFile)
{
    const QString file = path(QStringLiteral("old.xlsx"));
    test::writeFile(file, "old workbook");
    const std::unique_ptr<WorkbookWriter> writer = createXlsxWorkbookWriter(file);
    writer->create();
    writer->setCellText(4, 1, QStringLiteral("x"));
    bool asked = false;
    EXPECT_FALSE(writer->save(file, [&] { return !(asked = true); }));
    EXPECT_TRUE(asked);
    writer->close();
    EXPECT_EQ(test::readFile(file), QByteArray("old workbook"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"old.xlsx"});
}

// Steps the sheet can't take are refused: cells outside it, a range running backwards,
// a row already written out (rows stream out in order). The workbook is then closed
// unsaved and nothing stays behind.
TEST_F(XlsxWorkbookWriterTest, RefusesWhatTheSheetCannotTake)
{
    const QString file = path(QStringLiteral("refused.xlsx"));
    const std::function<void(WorkbookWriter&)> steps[] = {
        [](WorkbookWriter& w) { w.setCellText(0, 1, QStringLiteral("x")); },
        [](WorkbookWriter& w) { w.setCellText(1, 16385, QStringLiteral("x")); },
        [](WorkbookWriter& w) { w.setCellText(1, 1, QString(kMaxCellText + 1, u'x')); },
        [](WorkbookWriter& w) { w.formatRange({2, 1, 1, 7}, {}); },
        [](WorkbookWriter& w) {
            w.setCellText(5, 1, QStringLiteral("x"));
            w.setCellText(6, 1, QStringLiteral("y"));
            w.setCellText(5, 2, QStringLiteral("z"));
        },
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        const std::unique_ptr<WorkbookWriter> writer = createXlsxWorkbookWriter(file);
        writer->create();
        EXPECT_THROW(steps[i](*writer), Error);
        writer->close();
        writer->quit();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList());
    }
    EXPECT_THROW(createXlsxWorkbookWriter(file)->setCellText(1, 1, {}), Error) << "no workbook yet";
    EXPECT_EQ(createXlsxWorkbookWriter(file)->maxRows(), 1048576);
}

}  // namespace
}  // namespace kv
