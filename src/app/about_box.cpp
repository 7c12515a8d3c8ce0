#include "app/about_box.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace kv {

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(216, 180);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(8, 8, 201, 129);

    auto* icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setGeometry(8, 8, 17, 17);
    icon->setScaledContents(true);
    icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(17, 17));

    auto* productName = new QLabel(QStringLiteral("Октанометр КВ-4410 USB"), panel);
    productName->setObjectName(QStringLiteral("ProductName"));
    productName->setGeometry(32, 8, 165, 20);

    auto* version = new QLabel(QStringLiteral("Version 1.2a"), panel);
    version->setObjectName(QStringLiteral("Version"));
    version->setGeometry(32, 32, 165, 20);

    auto* contacts = new QLabel(QStringLiteral("Разработка: kv4410pc\n"
                                               "Сайт: не указан\n"
                                               "E-mail: не указан\n"
                                               "Телефон: не указан"),
                                panel);
    contacts->setObjectName(QStringLiteral("Comments"));
    contacts->setGeometry(32, 56, 165, 68);
    contacts->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont small = contacts->font();
    small.setPixelSize(11);
    contacts->setFont(small);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setGeometry(79, 148, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

}  // namespace kv
