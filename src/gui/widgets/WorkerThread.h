#pragma once

#include <QObject>
#include <QThread>

namespace cravent::gui {

// The one way a window runs work off its own thread: a QObject worker lives on a QThread of its
// own, the window calls it with queued calls and hears back through its signals, which Qt
// delivers in the window's event loop. There is no polling and no nested event loop, so a dialog
// the user opens meanwhile holds nothing back. (The core, which has no Qt, uses std::jthread.)
//
// The worker is deleted on its thread once the thread ends; a window that goes away waits for the
// call under way, whose own deadline bounds that wait.
template <class Worker>
class WorkerThread {
public:
    explicit WorkerThread(Worker* worker) : worker_(worker)
    {
        worker_->moveToThread(&thread_);
        QObject::connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
        thread_.start();
    }
    ~WorkerThread()
    {
        thread_.quit();
        thread_.wait();
    }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // For connections and queued calls only: the worker's members run on its thread.
    Worker* worker() const { return worker_; }

private:
    QThread thread_;
    Worker* worker_;
};

} // namespace cravent::gui
