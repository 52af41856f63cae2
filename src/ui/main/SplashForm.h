#pragma once
// TSplashForm: the borderless picture shown while the program starts.

#include <QElapsedTimer>
#include <QWidget>

namespace quenlix {

class TSplashForm : public QWidget {
    Q_OBJECT
public:
    // Shows itself at once, centred, and notes a deadline the given time from now.
    explicit TSplashForm(int minimumMilliseconds);

    // Keeps the interface alive until the deadline, then hides.
    void WaitForDeadline();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QElapsedTimer shown_;
    int minimumMilliseconds_;
};

}  // namespace quenlix
