#include "FirstPaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace qx {

namespace {

class FirstPaintWatch : public QObject {
public:
    FirstPaintWatch(QWidget* window, std::function<void()> work)
        : QObject(window)
        , m_work(std::move(work))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Queued, so that the frame is finished and shown first.
            QTimer::singleShot(0, parent(), std::move(m_work));
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> m_work;
};

} // namespace

void AfterFirstPaint(QWidget* window, std::function<void()> work)
{
    new FirstPaintWatch(window, std::move(work));
}

} // namespace qx
