#include "journal/ui/spreadsheet_export_action.h"

#include "journal/csv_export.h"
#include "journal/xlsx_workbook_writer.h"
#include "journal/ui/work_progress.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScopeGuard>

namespace kv {

OverrideBusyCursor::~OverrideBusyCursor()
{
    setDefault();
}

void OverrideBusyCursor::setHourglass()
{
    if (m_set)
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_set = true;
}

void OverrideBusyCursor::setDefault()
{
    if (!m_set)
        return;
    QGuiApplication::restoreOverrideCursor();
    m_set = false;
}

namespace {

// The save runs on a thread of its own while the dialog stays live: Cancel calls it off
// until the file is being replaced, when the button goes. A save called off still runs
// to its end (the library can't stop packing a workbook), with the dialog up meanwhile.
void waitWithProgress(BackgroundSave& save, WorkProgress& progress)
{
    progress.setOnCancel([&save, &progress] {
        if (!save.cancel())
            return;
        progress.setLabel(QStringLiteral("Отмена сохранения…"));
        progress.setCancellable(false);
        progress.show();
    });
    const auto unhook = qScopeGuard([&progress] { progress.setOnCancel({}); });
    waitInEventLoop(save, [&progress] { progress.setCancellable(false); });
}

}  // namespace

QString SpreadsheetExportAction::runSaveDialog(QWidget* parent)
{
    const QString csvFilter = QStringLiteral("*.csv");
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("*.xls"), QStringLiteral("*.xlsx"), csvFilter});
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    // The suffix follows the filter, so that the dialog asks before replacing the file
    // that will be written.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &csvFilter](const QString& filter) {
        dialog.setDefaultSuffix(filter == csvFilter ? QStringLiteral("csv") : QStringLiteral("xlsx"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    QString name = dialog.selectedFiles().constFirst();
    // A native dialog may hand the name back as typed.
    if (dialog.selectedNameFilter() == csvFilter && !QFileInfo(name).fileName().contains(u'.'))
        name += QStringLiteral(".csv");
    return name;
}

void SpreadsheetExportAction::showNotice(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, parent ? parent->window()->windowTitle() : QString(), text);
}

void SpreadsheetExportAction::run(QWidget* parent, const JournalTable& table) const
{
    const QString chosen = m_chooseFile(parent);
    const bool csv = isCsvFileName(chosen);
    // A chooser other than the dialog (a native one) may hand back the name as typed.
    const QString fileName = csv ? chosen : workbookFileName(chosen);
    if (fileName.isEmpty())
        return;
    SpreadsheetExportResult result;
    {
        OverrideBusyCursor cursor;
        WorkProgress progress(parent, QStringLiteral("Передать в Excell"), QStringLiteral("Передача строк…"));
        const auto report = [&progress](int done, int total) {
            if (!progress.report(done, total))
                return false;
            if (done == total)
                progress.setLabel(QStringLiteral("Сохранение файла…"));
            return true;
        };
        const auto wait = [&progress](BackgroundSave& save) { waitWithProgress(save, progress); };
        result = csv ? exportGridToCsv(table, fileName, cursor, report, wait)
                     : exportGridToSpreadsheet(table, fileName,
                                               m_factory ? m_factory : WorkbookWriterFactory(&createXlsxWorkbookWriter),
                                               cursor, report, wait);
    }
    if (!result.cutRows.isEmpty() && m_notify)
        m_notify(parent, cutCellsNotice(result.cutRows));
}

}  // namespace kv
