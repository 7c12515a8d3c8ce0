#include "journal/ui/spreadsheet_export_action.h"

#include "journal/xlsx_workbook_writer.h"
#include "journal/ui/work_progress.h"

#include <QFileDialog>
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
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("*.xls"), QStringLiteral("*.xlsx")});
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void SpreadsheetExportAction::showNotice(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, parent ? parent->window()->windowTitle() : QString(), text);
}

void SpreadsheetExportAction::run(QWidget* parent, const JournalTable& table) const
{
    // A chooser other than the dialog (a native one) may hand back the name as typed.
    const QString fileName = workbookFileName(m_chooseFile(parent));
    if (fileName.isEmpty())
        return;
    SpreadsheetExportResult result;
    {
        OverrideBusyCursor cursor;
        WorkProgress progress(parent, QStringLiteral("Передать в Excell"), QStringLiteral("Передача строк…"));
        result = exportGridToSpreadsheet(
            table, fileName, m_factory ? m_factory : WorkbookWriterFactory(&createXlsxWorkbookWriter), cursor,
            [&progress](int done, int total) {
                if (!progress.report(done, total))
                    return false;
                if (done == total)
                    progress.setLabel(QStringLiteral("Сохранение файла…"));
                return true;
            },
            [&progress](BackgroundSave& save) { waitWithProgress(save, progress); });
    }
    if (!result.cutRows.isEmpty() && m_notify)
        m_notify(parent, cutCellsNotice(result.cutRows));
}

}  // namespace kv
