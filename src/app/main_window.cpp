#include "app/main_window.h"

#include "app/about_box.h"
#include "app/key_preview.h"
#include "app/panel_status_bar.h"
#include "app/program_constants.h"
#include "app/result_label.h"
#include "app/trace_page.h"
#include "core/methods.h"
#include "device/hid/hid_device_controller.h"
#include "journal/ui/archive_page.h"
#include "journal/ui/journal_page.h"
#include "journal/ui/page_setup.h"
#include "journal/ui/result_drag.h"
#include "measure/ui/calibrations_page.h"
#include "measure/ui/system_correction_page.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QResizeEvent>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace kv {

namespace {

constexpr int kResultPanelWidth = 329;
constexpr int kResBoxHeight = 384;
constexpr int kNameLabelHeight = 29;
constexpr int kResultLabelHeight = 44;
constexpr int kJournalPage = 0;
constexpr int kCalibrationsPage = 2;
constexpr int kSystemCorrectionPage = 3;
constexpr int kTracePage = 4;

const QStringList kLabelFamilies = {QStringLiteral("DejaVu Sans"),
                                    QStringLiteral("Liberation Sans"), QStringLiteral("Arial")};

// The largest pixel size up to `pixels` at which every text fits the width.
QFont fittingFont(QFont font, int pixels, const QStringList& texts, int width)
{
    for (; pixels > 8; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        bool fits = true;
        for (const QString& text : texts)
            fits = fits && metrics.horizontalAdvance(text) <= width;
        if (fits)
            break;
    }
    font.setPixelSize(pixels);
    return font;
}

QWidget* tabSheet(QWidget* content, const QString& name)
{
    auto* sheet = new QWidget;
    sheet->setObjectName(name);
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    return sheet;
}

// A hidden widget gets no resize events, so its layouts keep their old geometry; this
// lays out a hidden subtree as if it had been resized.
void layOutSubtree(QWidget* widget)
{
    QResizeEvent event(widget->size(), widget->size());
    QCoreApplication::sendEvent(widget, &event);
    for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow())
            layOutSubtree(child);
    }
}

}  // namespace

TForm1::TForm1(const QString& programDir, HidPlatform& hidPlatform, ErrorReporter* errors,
               QWidget* parent)
    : QMainWindow(parent)
    , m_programDir(programDir)
    , m_externalErrors(errors)
{
    setObjectName(QStringLiteral("Form1"));
    // The window's own type size, inherited by every page: small enough that the five
    // tabs and the tool bars fit the window's design width.
    QFont windowFont(kLabelFamilies.first());
    windowFont.setFamilies(kLabelFamilies);
    windowFont.setPixelSize(11);
    setFont(windowFont);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(500);
    connect(m_timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    m_getdata = new QTimer(this);
    m_getdata->setObjectName(QStringLiteral("Getdata"));
    m_getdata->setInterval(1000);
    connect(m_getdata, &QTimer::timeout, this, &TForm1::GetdataTimer);
    // The controller posts its first notification now; the scan runs from the event loop,
    // when the window is complete.
    m_hid = std::make_unique<THidDeviceController>(hidPlatform, *this);

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildResultPanel());
    layout->addWidget(buildPagePanel(), 1);
    setCentralWidget(central);

    m_statusBar = new PanelStatusBar(this);
    setStatusBar(m_statusBar);
    buildMenus();

    new KeyPreview(this, [this](QWidget* focused, QChar key) { FormKeyPress(focused, key); });

    // 933 x 798 with the frame: the client area of that window.
    resize(917, 760);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(933 / 2, 798 / 2));

    FormCreate();

    m_timer1->start();
    m_getdata->start();
}

TForm1::~TForm1() = default;

void TForm1::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = bar->addMenu(QStringLiteral("Файл"));
    file->setObjectName(QStringLiteral("N1"));
    QAction* close = file->addAction(QStringLiteral("Закрыть"));
    close->setObjectName(QStringLiteral("N6"));
    connect(close, &QAction::triggered, this, &TForm1::N6Click);

    QMenu* help = bar->addMenu(QStringLiteral("Справка"));
    help->setObjectName(QStringLiteral("N7"));
    QAction* callHelp = help->addAction(QStringLiteral("Вызов справки"));
    callHelp->setObjectName(QStringLiteral("N9"));
    connect(callHelp, &QAction::triggered, this, &TForm1::N9Click);
    QAction* separator = help->addSeparator();
    separator->setObjectName(QStringLiteral("N10"));
    QAction* about = help->addAction(QStringLiteral("О программе"));
    about->setObjectName(QStringLiteral("N8"));
    connect(about, &QAction::triggered, this, &TForm1::N8Click);

    m_popupMenuMetod = new QMenu(this);
    m_popupMenuMetod->setObjectName(QStringLiteral("PopupMenuMetod"));
    const std::array<std::pair<const char*, void (TForm1::*)()>, 4> items = {{
        {"N2", &TForm1::N2Click},
        {"N3", &TForm1::N3Click},
        {"N5", &TForm1::N5Click},
        {"N4", &TForm1::N4Click},
    }};
    // The captions are set in FormCreate.
    for (const auto& [name, handler] : items) {
        QAction* action = m_popupMenuMetod->addAction(QString());
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this,
                [this, handler] { runGuarded(*this, [this, handler] { (this->*handler)(); }); });
    }
}

QWidget* TForm1::buildResultPanel()
{
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFixedWidth(kResultPanelWidth);

    m_resBox = new QGroupBox(panel);
    m_resBox->setObjectName(QStringLiteral("ResBox"));
    m_resBox->setFixedHeight(kResBoxHeight);

    static constexpr std::array<const char*, 4> nameLabels = {"txtIs", "txtMot", "txtAKI",
                                                              "txtCet"};
    static constexpr std::array<const char*, 4> resultLabels = {"txtIsRes", "txtMotRes",
                                                                "txtAKIRes", "txtCetRes"};
    QStringList names;
    for (int m = Research; m <= Cetane; ++m)
        names << methodName(m);
    QFont nameFont;
    nameFont.setFamilies(kLabelFamilies);
    nameFont = fittingFont(nameFont, 24, names, kResultPanelWidth - 24);
    QFont resultFont;
    resultFont.setFamilies(kLabelFamilies);
    resultFont.setPixelSize(37);
    resultFont.setBold(true);

    auto* box = new QVBoxLayout(m_resBox);
    box->setSpacing(0);
    for (std::size_t i = 0; i < 4; ++i) {
        auto* name = new QLabel(m_resBox);
        name->setObjectName(QString::fromLatin1(nameLabels[i]));
        name->setAlignment(Qt::AlignCenter);
        name->setFixedHeight(kNameLabelHeight);
        name->setFont(nameFont);
        m_nameLabels[i] = name;
        box->addWidget(name);

        auto* result = new ResultLabel(m_resBox);
        result->setObjectName(QString::fromLatin1(resultLabels[i]));
        result->setFixedHeight(kResultLabelHeight);
        result->setFont(resultFont);
        m_resultLabels[i] = result;
        box->addWidget(result);
    }
    box->addStretch(1);

    m_bbut = new QToolButton(m_resBox);
    m_bbut->setObjectName(QStringLiteral("Bbut"));
    m_bbut->setFixedSize(145, 25);
    m_bbut->setAutoRaise(true);  // drawn flat
    m_dbut = new QToolButton(m_resBox);
    m_dbut->setObjectName(QStringLiteral("Dbut"));
    m_dbut->setFixedSize(153, 25);
    m_fuelGroup = new QButtonGroup(this);
    m_fuelGroup->setExclusive(true);
    for (QToolButton* button : {m_bbut, m_dbut}) {
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        m_fuelGroup->addButton(button);
    }
    m_bbut->setChecked(true);
    connect(m_bbut, &QToolButton::clicked, this, [this] { runGuarded(*this, [this] { BbutClick(); }); });
    connect(m_dbut, &QToolButton::clicked, this, [this] { runGuarded(*this, [this] { DbutClick(); }); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_bbut);
    buttons->addStretch(1);
    buttons->addWidget(m_dbut);
    box->addLayout(buttons);

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_resBox);
    layout->addStretch(1);
    return panel;
}

QWidget* TForm1::buildPagePanel()
{
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("Panel2"));

    m_label1 = new QLabel(panel);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setAlignment(Qt::AlignCenter);
    m_label1->setFixedHeight(24);
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(21);
    m_label1->setFont(font);

    m_pageControl = new QTabWidget(panel);
    m_pageControl->setObjectName(QStringLiteral("PageControl1"));
    m_archivePage = new ArchivePage(*this);
    m_journalPage = new JournalPage(*this, *m_archivePage, *this);
    m_calibrationsPage = new CalibrationsPage(m_calibrations);
    m_systemCorrectionPage = new SystemCorrectionPage;
    m_tracePage = new TracePage;
    m_pageControl->addTab(tabSheet(m_journalPage, QStringLiteral("TabSheet1")), QString());
    m_pageControl->addTab(tabSheet(m_archivePage, QStringLiteral("TabSheet2")), QString());
    m_pageControl->addTab(tabSheet(m_calibrationsPage, QStringLiteral("TabSheet3")), QString());
    m_pageControl->addTab(tabSheet(m_systemCorrectionPage, QStringLiteral("TabSheet4")),
                          QStringLiteral("System korr"));
    m_pageControl->addTab(tabSheet(m_tracePage, QStringLiteral("TabSheet5")),
                          QStringLiteral("TabSheet5"));
    m_pageControl->setTabVisible(kSystemCorrectionPage, false);
    m_pageControl->setTabVisible(kTracePage, false);
    m_pageControl->setCurrentIndex(kCalibrationsPage);
    // With the service pages shown, five captions share the panel: in the grids' condensed
    // face at the window's size they fit the design width whole. A narrower window
    // shortens the captions rather than hiding tabs behind scroll arrows.
    QFont tabFont = gridFont();
    tabFont.setPixelSize(this->font().pixelSize());
    m_pageControl->tabBar()->setFont(tabFont);
    m_pageControl->setElideMode(Qt::ElideRight);
    // The calibrations grid reads like the journal grids.
    applyGridFont(m_calibrationsPage->grid(), gridFont());

    connect(m_journalPage->editmetod(), &QToolButton::clicked, this,
            [this] { runGuarded(*this, [this] { editmetodClick(); }); });

    // A result dragged towards any page brings the journal forward under the cursor.
    m_dragSwitcher = new JournalDragSwitcher([this] { showJournalPage(); }, this);
    m_dragSwitcher->watch(m_pageControl);
    m_dragSwitcher->watch(m_pageControl->tabBar());
    m_dragSwitcher->watch(m_archivePage->grid()->viewport());
    m_dragSwitcher->watch(m_calibrationsPage->grid()->viewport());

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_label1);
    layout->addWidget(m_pageControl, 1);
    return panel;
}

void TForm1::FormCreate()
{
    m_link = std::make_unique<InstrumentLink>(*m_hid, *this, *m_timer1, *m_getdata);
    setWindowTitle(kMainWindowCaption);

    m_resBox->setTitle(QStringLiteral("Результат измерения"));
    for (int m = Research; m <= Cetane; ++m)
        m_nameLabels[std::size_t(m - 1)]->setText(methodName(m));
    m_resultLabels[Cetane - 1]->setText(QStringLiteral("*"));
    for (int m = Research; m <= Aki; ++m)
        m_resultLabels[std::size_t(m - 1)]->setText(QStringLiteral("0"));
    for (ResultLabel* label : m_resultLabels)
        label->setToolTip(QStringLiteral("Перетащите значение в журнал для добавления..."));
    m_bbut->setText(QStringLiteral("Бензин"));
    m_dbut->setText(QStringLiteral("Дизельное т."));
    m_selectedMethod = Research;
    m_label1->setText(QStringLiteral("Журнал"));
    m_pageControl->setTabText(0, QStringLiteral("Журнал измерений"));
    m_pageControl->setTabText(1, QStringLiteral("Архив измерений"));
    m_pageControl->setTabText(2, QStringLiteral("Компьютерные калибровки"));
    for (int i = 0; i < m_pageControl->count(); ++i)
        m_pageControl->setTabToolTip(i, m_pageControl->tabText(i));
    const auto menuItems = m_popupMenuMetod->actions();
    const std::array<int, 4> itemMethods = {Research, Motor, Aki, Cetane};
    for (std::size_t i = 0; i < itemMethods.size(); ++i)
        menuItems[qsizetype(i)]->setText(methodName(itemMethods[i]));

    m_writeCalibrations = loadDataFile(kCalibrationFileName, [this](const QString& path) {
        m_calibrations.LoadCalibrations(path);
    });
    m_calibrationsPage->FillCalibrationGrid();

    m_journalPage->editmetod()->setText(methodLetter(m_selectedMethod));

    m_journalPage->fitColumnsAtCreate();
    m_archivePage->fitColumnsAtCreate();
    m_calibrationsPage->fitColumnsAtCreate();

    m_writeArchive = loadDataFile(kArchiveFileName,
                                  [this](const QString& path) { m_archivePage->loadFile(path); });
    m_writeJournal = loadDataFile(kJournalFileName,
                                  [this](const QString& path) { m_journalPage->loadFile(path); });

    m_pageControl->setCurrentIndex(kJournalPage);
}

bool TForm1::loadDataFile(const QString& fileName,
                          const std::function<void(const QString&)>& load)
{
    const QString path = dataFilePath(fileName);
    if (runGuarded(*this, [&] { load(path); }))
        return true;
    // A missing file is simply created at close; one that is there but unreadable keeps
    // its content.
    return !QFileInfo::exists(path);
}

QString TForm1::dataFilePath(const QString& fileName) const
{
    return QDir(m_programDir).filePath(fileName);
}

void TForm1::showError(const QString& message)
{
    if (m_externalErrors) {
        m_externalErrors->showError(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, message, QMessageBox::Ok, this);
    box.exec();
}

void TForm1::selectMethod(int method)
{
    if (!isMethod(method))
        return;
    m_journalPage->editmetod()->setText(methodLetter(method));
    m_selectedMethod = method;
}

QString TForm1::resultLabelText(int method) const
{
    const ResultLabel* label = resultLabel(method);
    return label ? label->text() : QString();
}

void TForm1::showJournalPage()
{
    m_pageControl->setCurrentIndex(kJournalPage);
}

ResultLabel* TForm1::resultLabel(int method) const
{
    return isMethod(method) ? m_resultLabels[std::size_t(method - 1)] : nullptr;
}

void TForm1::BbutClick()
{
    m_dieselMode = false;
    N2Click();
}

void TForm1::DbutClick()
{
    m_dieselMode = true;
    N4Click();
}

void TForm1::editmetodClick()
{
    m_popupMenuMetod->popup(QCursor::pos());
}

void TForm1::N6Click()
{
    close();
}

void TForm1::N8Click()
{
    if (m_aboutBox)
        m_aboutBox->exec();
}

void TForm1::N9Click()
{
    const QString path = locateHelpDocument(QDir::currentPath(), m_programDir);
    if (path.isEmpty() || !m_openDocument(QUrl::fromLocalFile(path)))
        showError(kHelpFailedText);
}

void TForm1::FormKeyPress(QWidget* focused, QChar key)
{
    if (focused == m_journalPage->grid() && key == u' '
        && m_journalPage->grid()->currentIndex().column() != JournalTable::kCommentColumn) {
        runGuarded(*this, [this] { m_journalPage->writeButClick(); });
    }
    if (m_serviceKeys.press(key)) {
        m_pageControl->setTabVisible(kSystemCorrectionPage, true);
        m_pageControl->setTabVisible(kTracePage, true);
    }
}

void TForm1::FormResize()
{
    layOutHiddenPages();
    m_journalPage->fitColumnsAtResize();
    m_archivePage->fitColumnsAtResize();
    m_calibrationsPage->fitColumnsAtResize();
}

void TForm1::layOutHiddenPages()
{
    const QWidget* current = m_pageControl->currentWidget();
    if (!current)
        return;
    for (int i = 0; i < m_pageControl->count(); ++i) {
        QWidget* page = m_pageControl->widget(i);
        if (page == current)
            continue;
        page->setGeometry(current->geometry());
        layOutSubtree(page);
    }
}

void TForm1::Timer1Timer()
{
    runGuarded(*this, [this] { m_link->Timer1Timer(); });
}

void TForm1::GetdataTimer()
{
    runGuarded(*this, [this] { m_link->GetdataTimer(); });
}

void TForm1::SetLinkStatus(const QString& text)
{
    m_statusBar->setPanelText(0, text);
}

void TForm1::showResistors(const QString& panel2, const QString& panel3)
{
    m_statusBar->setPanelText(2, panel2);
    m_statusBar->setPanelText(3, panel3);
}

void TForm1::appendTrace(const QString& line)
{
    m_tracePage->appendLine(line);
}

void TForm1::showMeasurement(std::uint16_t periodCount)
{
    const ReadingDisplay display =
        computeReadingDisplay(periodCount, m_dieselMode, m_systemCorrection, m_calibrations);
    m_statusBar->setPanelText(1, display.panel1);
    m_statusBar->setPanelText(3, display.panel3);
    for (int m = Research; m <= Cetane; ++m) {
        const LabelDisplay& shown = display.label(m);
        ResultLabel* label = m_resultLabels[std::size_t(m - 1)];
        label->setText(shown.text);
        if (shown.colour) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, QColor::fromRgb(QRgb(*shown.colour)));
            label->setPalette(palette);
        }
    }
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    runGuarded(*this, [this] { FormResize(); });
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The first resize event comes before the pages are laid out; by the show event
    // they have their sizes.
    runGuarded(*this, [this] { FormResize(); });
}

void TForm1::closeEvent(QCloseEvent* event)
{
    bool closes = true;
    runGuarded(*this, [&] { closes = FormClose(); });
    if (closes)
        event->accept();
    else
        event->ignore();
}

bool TForm1::FormClose()
{
    m_getdata->stop();
    m_timer1->stop();
    if (!QDir(m_programDir).exists())
        return true;

    if (m_writeArchive) {
        runGuarded(*this,
                   [this] { m_archivePage->saveFile(dataFilePath(kArchiveFileName)); });
    }
    // From here a failed write keeps the window open, so nothing is lost and the
    // operator can close again once the cause is removed.
    if (m_writeJournal
        && !runGuarded(*this,
                       [this] { m_journalPage->saveFile(dataFilePath(kJournalFileName)); })) {
        return false;
    }
    if (m_writeCalibrations
        && !runGuarded(*this, [this] {
               m_calibrations.SaveCalibrations(dataFilePath(kCalibrationFileName));
           })) {
        return false;
    }
    return true;
}

}  // namespace kv
