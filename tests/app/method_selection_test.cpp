// Fuel mode, method menu and result-label drops on the journal.

#include "app/result_label.h"
#include "form_fixture.h"
#include "journal/ui/journal_page.h"
#include "journal/ui/result_drag.h"

#include <QAction>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QToolButton>

#include <memory>

namespace kv::test {
namespace {

using MethodSelection = FormTest;

const JournalRow& lastRow(TForm1& f)
{
    const JournalTable& table = f.journalPage()->table();
    return table.row(table.rowCount() - 1);
}

// A result label dropped on the journal grid, as the drag machinery delivers it.
void dropLabel(TForm1& f, const QString& labelName)
{
    QWidget* viewport = f.journalPage()->grid()->viewport();
    std::unique_ptr<QMimeData> mime(makeResultLabelMimeData(labelName));
    const QPointF at(20, 20);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    ASSERT_TRUE(move.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
}

TEST_F(MethodSelection, DieselButtonSelectsCetaneAndTheEntryTakesItsLabel)
{
    TForm1& f = createClean();
    f.resultLabel(Cetane)->setText(QStringLiteral("48,2"));
    f.dbut()->click();
    EXPECT_TRUE(f.dieselMode());
    EXPECT_TRUE(f.dbut()->isChecked());
    EXPECT_FALSE(f.bbut()->isChecked());
    EXPECT_EQ(f.selectedMethod(), 4);
    EXPECT_EQ(f.journalPage()->editmetod()->text(), QStringLiteral("Ц"));

    f.journalPage()->writeBut()->click();
    EXPECT_EQ(lastRow(f).cells[2], QStringLiteral("Цетановое число"));
    EXPECT_EQ(lastRow(f).cells[3], QStringLiteral("48,2"));
}

TEST_F(MethodSelection, PetrolButtonAfterAMenuChoiceGoesBackToMethodOne)
{
    TForm1& f = createClean();
    f.popupMenuMetod()->actions()[2]->trigger();  // N5: AKI
    EXPECT_EQ(f.selectedMethod(), 3);
    EXPECT_EQ(f.journalPage()->editmetod()->text(), QStringLiteral("А"));
    f.bbut()->click();
    EXPECT_FALSE(f.dieselMode());
    EXPECT_EQ(f.selectedMethod(), 1);
    EXPECT_EQ(f.journalPage()->editmetod()->text(), QStringLiteral("И"));
}

TEST_F(MethodSelection, MenuItemsSelectTheirMethodAndNeverTheMode)
{
    TForm1& f = createClean();
    f.dbut()->click();
    const auto items = f.popupMenuMetod()->actions();
    const std::array<int, 4> methods = {1, 2, 3, 4};  // N2, N3, N5, N4
    const QStringList letters = {"И", "М", "А", "Ц"};
    for (std::size_t i = 0; i < 4; ++i) {
        items[qsizetype(i)]->trigger();
        EXPECT_EQ(f.selectedMethod(), methods[i]);
        EXPECT_EQ(f.journalPage()->editmetod()->text(), letters[qsizetype(i)]);
        EXPECT_TRUE(f.dieselMode());
    }
    // Motor in diesel mode: the entry keeps the label's diesel-mode text.
    f.resultLabel(Motor)->setText(QStringLiteral("*"));
    items[1]->trigger();
    f.journalPage()->writeButClick();
    EXPECT_EQ(lastRow(f).cells[2], QStringLiteral("Моторный метод"));
    EXPECT_EQ(lastRow(f).cells[3], QStringLiteral("*"));
}

TEST_F(MethodSelection, MethodButtonPopsTheMenu)
{
    TForm1& f = createClean();
    f.show();
    f.journalPage()->editmetod()->click();
    EXPECT_TRUE(f.popupMenuMetod()->isVisible());
    f.popupMenuMetod()->hide();
}

TEST_F(MethodSelection, EachLabelDroppedInEachModeRecordsItsMethodAndText)
{
    TForm1& f = createClean();
    const QStringList labels = {"txtIsRes", "txtMotRes", "txtAKIRes", "txtCetRes"};
    const QStringList letters = {"И", "М", "А", "Ц"};
    for (const bool diesel : {false, true}) {
        (diesel ? f.dbut() : f.bbut())->click();
        // The texts the conversion leaves in each mode.
        const QStringList texts = diesel ? QStringList{"*", "*", "*", "51,3"}
                                         : QStringList{"92,4 (Эталон)", "84,6", "88,5", "*"};
        for (int m = 1; m <= 4; ++m)
            f.resultLabel(m)->setText(texts[m - 1]);
        for (int m = 1; m <= 4; ++m) {
            SCOPED_TRACE(labels[m - 1].toStdString() + (diesel ? " diesel" : " petrol"));
            const JournalTable& table = f.journalPage()->table();
            // The very first entry reuses the empty journal's blank row.
            const int expectedRows = table.rowCount() + (table.isEmpty() ? 0 : 1);
            dropLabel(f, labels[m - 1]);
            EXPECT_EQ(table.rowCount(), expectedRows);
            EXPECT_EQ(lastRow(f).cells[2], methodName(m));
            EXPECT_EQ(lastRow(f).cells[3], texts[m - 1]);
            EXPECT_EQ(f.selectedMethod(), m);
            EXPECT_EQ(f.journalPage()->editmetod()->text(), letters[m - 1]);
            EXPECT_EQ(f.dieselMode(), diesel);
        }
    }
}

TEST_F(MethodSelection, ResultLabelsCarryTheirOwnName)
{
    TForm1& f = createClean();
    const QStringList labels = {"txtIsRes", "txtMotRes", "txtAKIRes", "txtCetRes"};
    for (int m = 1; m <= 4; ++m) {
        EXPECT_EQ(f.resultLabel(m)->objectName(), labels[m - 1]);
        EXPECT_EQ(methodOfResultLabel(f.resultLabel(m)->objectName()), m);
        EXPECT_EQ(f.resultLabelText(m), f.resultLabel(m)->text());
    }
}

}  // namespace
}  // namespace kv::test
