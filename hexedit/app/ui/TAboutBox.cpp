#include "hexedit/app/ui/TAboutBox.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace hexedit {

QIcon programIcon() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0, 0, 128));
    p.setPen(QPen(Qt::black, 1));
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 4, 4);
    p.setPen(QColor(0, 255, 255));
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(14);
    p.setFont(f);
    p.drawText(QRect(0, 1, 32, 16), Qt::AlignCenter, QStringLiteral("0F"));
    p.setPen(Qt::white);
    p.drawText(QRect(0, 15, 32, 16), Qt::AlignCenter, QStringLiteral("A9"));
    return QIcon(pm);
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Tarnwick for Windows"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(programIcon().pixmap(32, 32));
    auto* product = new QLabel(QStringLiteral("Tarnwick for Windows"), this);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    auto* version = new QLabel(QStringLiteral("Version: 2006.8.7"), this);
    version->setObjectName(QStringLiteral("Version"));
    auto* maker = new QLabel(QStringLiteral("Written by the Tarnwick developers"), this);
    maker->setObjectName(QStringLiteral("Copyright"));
    auto* comments = new QLabel(QStringLiteral("Windows Hex Editor"), this);
    comments->setObjectName(QStringLiteral("Comments"));

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(product, 0, 1);
    grid->addWidget(version, 1, 1);
    grid->addWidget(maker, 2, 1);
    grid->addWidget(comments, 3, 0, 1, 2);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace hexedit
