// Fuel mode and method selection as the operator meets them in the window: the fuel
// buttons, the method button and its menu, and result labels dropped on the journal.

#include "app/result_label.h"
#include "app/result_panel.h"
#include "form_fixture.h"
#include "journal/ui/journal_page.h"
#include "measure/measurement_state.h"
#include "ui/result_drag.h"

#include <QAction>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QToolButton>

#include <memory>

namespace kv::test {
namespace {

class MethodSelection : public FormTest {
protected:
    QToolButton* button(const char* name) const
    {
        return form->findChild<QToolButton*>(QLatin1StringView(name));
    }
    QString editmetod() const { return button("editmetod")->text(); }
    const JournalRow& lastRow() const
    {
        const JournalTable& table = form->journalPage()->table();
        return table.row(table.rowCount() - 1);
    }
};

// A result label dropped on the journal grid with the value it shows, as the drag
// machinery delivers it.
void dropLabel(TForm1& f, const QString& labelName)
{
    QWidget* viewport = f.journalPage()->grid()->viewport();
    const QString value = f.resultPanel()->resultLabel(methodOfResultLabel(labelName))->text();
    std::unique_ptr<QMimeData> mime(makeResultLabelMimeData(labelName, value));
    const QPointF at(20, 20);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    ASSERT_TRUE(move.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
}

TEST_F(MethodSelection, FuelButtonsAndTheMethodMenuShowOnTheButtons)
{
    TForm1& f = createClean();
    EXPECT_EQ(editmetod(), QStringLiteral("И"));
    EXPECT_TRUE(button("Bbut")->isChecked());

    button("Dbut")->click();
    EXPECT_TRUE(state().dieselMode());
    EXPECT_TRUE(button("Dbut")->isChecked());
    EXPECT_FALSE(button("Bbut")->isChecked());
    EXPECT_EQ(editmetod(), QStringLiteral("Ц"));

    const auto items = f.journalPage()->popupMenuMetod()->actions();
    const QStringList names = {"N2", "N3", "N5", "N4"};
    const QStringList letters = {"И", "М", "А", "Ц"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(items[i]->objectName(), names[i]);
        EXPECT_EQ(items[i]->text(), methodName(i + 1));
        items[i]->trigger();
        EXPECT_EQ(state().selectedMethod(), i + 1);
        EXPECT_EQ(editmetod(), letters[i]);
        EXPECT_TRUE(state().dieselMode());
    }

    button("Bbut")->click();
    EXPECT_FALSE(state().dieselMode());
    EXPECT_EQ(editmetod(), QStringLiteral("И"));
}

TEST_F(MethodSelection, MethodButtonPopsTheMenu)
{
    TForm1& f = createClean();
    f.show();
    button("editmetod")->click();
    EXPECT_TRUE(f.journalPage()->popupMenuMetod()->isVisible());
    f.journalPage()->popupMenuMetod()->hide();
}

TEST_F(MethodSelection, EachLabelDroppedInEachModeRecordsItsMethodAndShownText)
{
    TForm1& f = createClean();
    const QStringList letters = {"И", "М", "А", "Ц"};
    for (const bool diesel : {false, true}) {
        button(diesel ? "Dbut" : "Bbut")->click();
        state().applyCount(8000);
        const QStringList texts = diesel ? QStringList{"*", "*", "*", "36,7"}
                                         : QStringList{"83,3", "78", "80,7", "*"};
        for (int m = 1; m <= 4; ++m) {
            const QString name = resultLabelObjectName(m);
            SCOPED_TRACE(name.toStdString() + (diesel ? " diesel" : " petrol"));
            EXPECT_EQ(f.resultPanel()->resultLabel(m)->objectName(), name);
            EXPECT_EQ(f.resultPanel()->resultLabel(m)->text(), texts[m - 1]);
            const JournalTable& table = f.journalPage()->table();
            // The very first entry reuses the empty journal's blank row.
            const int expectedRows = table.rowCount() + (table.isEmpty() ? 0 : 1);
            dropLabel(f, name);
            EXPECT_EQ(table.rowCount(), expectedRows);
            EXPECT_EQ(lastRow().cells[2], methodName(m));
            EXPECT_EQ(lastRow().cells[3], texts[m - 1]);
            EXPECT_EQ(state().selectedMethod(), m);
            EXPECT_EQ(editmetod(), letters[m - 1]);
            EXPECT_EQ(state().dieselMode(), diesel);
        }
    }
}

}  // namespace
}  // namespace kv::test
