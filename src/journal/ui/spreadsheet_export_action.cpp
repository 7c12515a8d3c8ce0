#include "journal/ui/spreadsheet_export_action.h"

#include "journal/builtin_spreadsheet.h"
#include "journal/spreadsheet_export.h"
#include "journal/ui/work_progress.h"

#include <QFileDialog>
#include <QGuiApplication>

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

QString SpreadsheetExportAction::runSaveDialog(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("*.xls"));
    // The name goes to the spreadsheet as typed.
    dialog.setDefaultSuffix(QString());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void SpreadsheetExportAction::run(QWidget* parent, const JournalTable& table) const
{
    const QString fileName = m_chooseFile(parent);
    if (fileName.isEmpty())
        return;
    OverrideBusyCursor cursor;
    WorkProgress progress(parent, QStringLiteral("Передать в Excell"), QStringLiteral("Передача строк…"));
    exportGridToSpreadsheet(table, fileName, m_factory ? m_factory : builtinSpreadsheetFactory(),
                            cursor, [&progress](int done, int total) {
                                if (!progress.report(done, total))
                                    return false;
                                if (done == total) {
                                    progress.setLabel(QStringLiteral("Сохранение файла…"));
                                    progress.setCancellable(false);
                                }
                                return true;
                            });
}

}  // namespace kv
