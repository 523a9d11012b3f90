#include "gui/ping/TFPing.h"

#include "gui/ping/PingPictures.h"
#include "gui/widgets/PushButton.h"
#include "gui/widgets/Theme.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace cravent::gui {

namespace {

constexpr int PictureSize = 41;

} // namespace

TFPing::TFPing(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("FPing"));
    setWindowTitle(QStringLiteral("Ping!"));
    theme::apply(this);
    setFixedSize(218, 98);

    errorPicture_ = picture("I_P_E", errorSign(PictureSize));
    foundPicture_ = picture("I_P_F", informationSign(PictureSize));
    notFoundPicture_ = picture("I_P_NF", warningSign(PictureSize));

    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->move(64, 24);

    ok_ = new PushButton(QStringLiteral("OK"), this, theme::HoverYellow);
    ok_->setObjectName(QStringLiteral("LbButton1"));
    ok_->setGeometry(48, 64, 121, 23);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

QLabel* TFPing::picture(const char* name, const QPixmap& pixmap)
{
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setPixmap(pixmap);
    label->setGeometry(16, 16, PictureSize, PictureSize);
    label->hide();
    return label;
}

void TFPing::SetPingResult(int code, const QString& caption, const QString& label)
{
    errorPicture_->hide();
    foundPicture_->hide();
    notFoundPicture_->hide();
    if (code == 0)
        foundPicture_->show();
    else if (code == 1)
        notFoundPicture_->show();
    else if (code == 2)
        errorPicture_->show();
    label1_->setText(label);
    label1_->adjustSize();
    setWindowTitle(caption);
}

void TFPing::SetPingResult(net::PingOutcome outcome)
{
    SetPingResult(static_cast<int>(outcome), QString::fromLatin1(net::pingCaption(outcome)),
                  QString::fromLatin1(net::pingLabel(outcome)));
}

void TFPing::showEvent(QShowEvent* event)
{
    // Centred on the screen rather than on the main window.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    ok_->setFocus();
    QDialog::showEvent(event);
}

} // namespace cravent::gui
