#include "app/result_panel.h"

#include "app/reading_trend_view.h"
#include "app/result_box.h"
#include "app/result_label.h"
#include "core/colour_contrast.h"
#include "core/error_guard.h"
#include "core/methods.h"
#include "measure/measurement_state.h"
#include "measure/trend_feed.h"
#include "ui/fonts.h"
#include "ui/frame_repaint.h"
#include "ui/result_drag.h"
#include "ui/tool_button.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace kv {

namespace {

constexpr int kPanelWidth = 329;
constexpr int kResBoxHeight = 384;
constexpr int kNameLabelHeight = 29;
constexpr int kResultLabelHeight = 44;
constexpr int kTrendFrameMs = 100;

constexpr std::array<const char*, 4> kNameLabels = {"txtIs", "txtMot", "txtAKI", "txtCet"};

}  // namespace

ResultPanel::ResultPanel(MeasurementState& state, ErrorReporter& errors, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_repaint(new FrameRepaint(this))
    , m_trendFeed(new TrendFeed(state, this))
{
    setObjectName(QStringLiteral("Panel1"));
    setFixedWidth(kPanelWidth);

    auto* resBox = new ResultBox(QStringLiteral("Результат измерения"), this);
    m_resultBox = resBox;
    resBox->setRepaint(m_repaint);
    resBox->setObjectName(QStringLiteral("ResBox"));
    resBox->setFixedHeight(kResBoxHeight);

    QStringList names;
    for (int m = Research; m <= Cetane; ++m)
        names << methodName(m);
    QFont nameFont = familyFont(windowFamilies(), 24);
    nameFont.setPixelSize(largestPixelSizeWithin(nameFont, 8, 24, [&](const QFont& f) {
        return textsOverflow(f, names, kPanelWidth - 24);
    }));
    const QFont resultFont = familyFont(windowFamilies(), 37, true);

    auto* box = new QVBoxLayout(resBox);
    box->setSpacing(0);
    for (int m = Research; m <= Cetane; ++m) {
        const std::size_t i = std::size_t(m - 1);
        auto* name = new QLabel(methodName(m), resBox);
        name->setObjectName(QString::fromLatin1(kNameLabels[i]));
        name->setAlignment(Qt::AlignCenter);
        name->setFixedHeight(kNameLabelHeight);
        name->setFont(nameFont);
        name->setCursor(Qt::PointingHandCursor);
        name->setToolTip(QStringLiteral("Щёлкните, чтобы показать этот метод на графике"));
        name->installEventFilter(this);
        m_nameLabels[i] = name;
        box->addWidget(name);

        auto* result = new ResultLabel(resBox);
        result->setObjectName(resultLabelObjectName(m));
        result->setRepaint(m_repaint);
        result->setFixedHeight(kResultLabelHeight);
        result->setFont(resultFont);
        result->setText(m_state.resultText(m));
        result->setToolTip(QStringLiteral("Перетащите значение в журнал для добавления..."));
        m_resultLabels[i] = result;
        box->addWidget(result);
    }
    box->addStretch(1);

    m_bbut = new QToolButton(resBox);
    m_bbut->setObjectName(QStringLiteral("Bbut"));
    m_bbut->setText(QStringLiteral("Бензин"));
    m_bbut->setFixedSize(145, 25);
    m_bbut->setAutoRaise(true);  // drawn flat
    m_dbut = new QToolButton(resBox);
    m_dbut->setObjectName(QStringLiteral("Dbut"));
    m_dbut->setText(QStringLiteral("Дизельное т."));
    m_dbut->setFixedSize(153, 25);
    auto* fuelGroup = new QButtonGroup(this);
    fuelGroup->setExclusive(true);
    for (QToolButton* button : {m_bbut, m_dbut}) {
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        fuelGroup->addButton(button);
    }
    m_bbut->setChecked(!m_state.dieselMode());
    m_dbut->setChecked(m_state.dieselMode());
    // The fuel mode from anywhere in the window: Tab reaches the buttons too.
    for (const auto& [button, key] : {std::pair{m_bbut, Qt::Key_B}, std::pair{m_dbut, Qt::Key_D}}) {
        const QKeySequence keys(Qt::CTRL | key);
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, button, &QToolButton::click);
        showKeyInTip(button, keys);
    }
    connect(m_bbut, &QToolButton::clicked, this, guardedSlot(errors, this, &ResultPanel::BbutClick));
    connect(m_dbut, &QToolButton::clicked, this, guardedSlot(errors, this, &ResultPanel::DbutClick));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_bbut);
    buttons->addStretch(1);
    buttons->addWidget(m_dbut);
    box->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(resBox);
    // The strip moves once a second at the instrument's pace and then paints each reading
    // at once; a faster stream is drawn ten times a second, which is more than the eye
    // follows, where every frame would cost the link a good share of its time.
    m_trendView = new ReadingTrendView(*m_trendFeed, new FrameRepaint(this, kTrendFrameMs), this);
    auto* strip = new QVBoxLayout;
    strip->setContentsMargins(4, 6, 4, 6);
    strip->addWidget(m_trendView, 1);
    layout->addLayout(strip, 1);
    connect(m_trendFeed, &TrendFeed::settledChanged, m_resultBox, &ResultBox::setSettled);

    connect(&m_state, &MeasurementState::readingChanged, this, &ResultPanel::showReading);
    // The last values stay on the labels when the instrument goes, greyed as not current.
    const auto showCurrency = [this](bool current) {
        for (ResultLabel* label : m_resultLabels)
            label->setDimmed(!current);
    };
    connect(&m_state, &MeasurementState::readingCurrentChanged, this, showCurrency);
    showCurrency(m_state.readingCurrent());
    connect(&m_state, &MeasurementState::fuelModeChanged, this, [this](bool diesel) {
        (diesel ? m_dbut : m_bbut)->setChecked(true);
    });
}

ResultLabel* ResultPanel::resultLabel(int method) const
{
    return isMethod(method) ? m_resultLabels[std::size_t(method - 1)] : nullptr;
}

QLabel* ResultPanel::nameLabel(int method) const
{
    return isMethod(method) ? m_nameLabels[std::size_t(method - 1)] : nullptr;
}

bool ResultPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int m = Research; m <= Cetane; ++m)
            if (watched == m_nameLabels[std::size_t(m - 1)])
                m_trendFeed->follow(m);
    }
    return QWidget::eventFilter(watched, event);
}

void ResultPanel::showReading(const ReadingDisplay& display)
{
    for (int m = Research; m <= Cetane; ++m) {
        const LabelDisplay& shown = display.label(m);
        const std::size_t i = std::size_t(m - 1);
        m_resultLabels[i]->setText(shown.text);
        // Made readable once per colour, not per report: at a thousand reports a second.
        if (!shown.colour || *shown.colour == m_labelColours[i])
            continue;
        m_labelColours[i] = *shown.colour;
        showLabelColour(m);
    }
}

QColor ResultPanel::shownColour(int method) const
{
    const QPalette& pal = palette();
    const Rgb colour = m_labelColours[std::size_t(method - 1)];
    // Black is the desktop's text colour, so a dark palette keeps the results legible;
    // a method's colour stays, lightened only where the background would swallow it.
    if (colour == kBlack)
        return pal.color(QPalette::WindowText);
    const Rgb background = pal.color(QPalette::Window).rgb() & 0xFFFFFF;
    return QColor::fromRgb(QRgb(readableColour(colour, background)));
}

void ResultPanel::showLabelColour(int method)
{
    ResultLabel* label = m_resultLabels[std::size_t(method - 1)];
    const QColor colour = shownColour(method);
    QPalette palette = label->palette();
    if (palette.color(QPalette::Active, QPalette::WindowText) == colour)
        return;
    // The disabled group keeps the palette's own colour: a label not current shows it.
    palette.setColor(QPalette::Active, QPalette::WindowText, colour);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, colour);
    FrameRepaint::setPaletteQuietly(label, palette);
    m_repaint->requestRepaint(label);
}

void ResultPanel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        for (int m = Research; m <= Cetane; ++m)
            showLabelColour(m);
    }
}

void ResultPanel::BbutClick()
{
    m_state.selectPetrol();
}

void ResultPanel::DbutClick()
{
    m_state.selectDiesel();
}

}  // namespace kv
