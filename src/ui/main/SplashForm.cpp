#include "ui/main/SplashForm.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QThread>

#include "model/ProgramTexts.h"

namespace quenlix {

TSplashForm::TSplashForm(int minimumMilliseconds)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      minimumMilliseconds_(minimumMilliseconds)
{
    setObjectName("SplashForm");
    setFixedSize(320, 240);
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    shown_.start();
    show();
    repaint();
}

void TSplashForm::WaitForDeadline()
{
    while (shown_.elapsed() < minimumMilliseconds_) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    hide();
}

void TSplashForm::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    QLinearGradient background(0, 0, 0, height());
    background.setColorAt(0, QColor(0, 0, 128));
    background.setColorAt(1, QColor(0, 128, 192));
    painter.fillRect(rect(), background);
    painter.setPen(Qt::white);
    QFont title = font();
    title.setPointSize(28);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRect(0, 60, width(), 50), Qt::AlignCenter, kProgramTitle);
    QFont line = font();
    line.setPointSize(11);
    painter.setFont(line);
    painter.drawText(QRect(0, 112, width(), 24), Qt::AlignCenter, "Fathom (tm)");
    painter.drawText(QRect(0, 180, width(), 20), Qt::AlignCenter, "Expert analysis of LAN trace files");
    painter.drawText(QRect(0, 204, width(), 20), Qt::AlignCenter, "Kolm Group");
}

}  // namespace quenlix
