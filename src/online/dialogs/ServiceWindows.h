#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <string>

class QLabel;
class QProgressBar;
class QWidget;

namespace hf {

// A window that stays on screen while a worker talks to the photo store.
// Cancel (its button, Esc or the close box) raises the cancel flag and
// destroys the window at once; this object, and the flag the worker reads,
// live on until the workflow deletes them. Create and delete it on the
// user-interface thread; the worker may call the setters and read the flag.
class CServiceWindow : public QObject {
    Q_OBJECT
public:
    ~CServiceWindow() override;
    Q_DISABLE_COPY_MOVE(CServiceWindow)

    std::atomic<int>& cancelFlag() { return cancel_; }
    bool cancelled() const { return cancel_.load() != 0; }
    // The window, until it is cancelled or closed.
    QWidget* window() const { return window_; }
    // Destroys the window without cancelling.
    void closeWindow();

signals:
    void cancelPressed();

protected:
    // owner keeps the window out of the Album window's modal loop; the window
    // is a top-level one of its own, centred on the screen.
    CServiceWindow(QWidget* owner, const char* id, const QString& caption, int widthUnits, int heightUnits);
    void show();

private:
    void cancel();

    std::atomic<int> cancel_{0};
    QPointer<QWidget> window_;
};

// "Connecting ..." with a status text the worker changes.
class CConnectingWnd final : public CServiceWindow {
    Q_OBJECT
public:
    CConnectingWnd(QWidget* owner, const QString& caption, const QString& status);
    // From any thread.
    void setStatusText(const std::string& text);
    QString statusText() const;

private:
    QPointer<QLabel> status_;
};

// A transfer's progress from 0 to 100.
class CProgressWnd final : public CServiceWindow {
    Q_OBJECT
public:
    CProgressWnd(QWidget* owner, const QString& caption);
    // From any thread.
    void setPosition(int percent);
    int position() const;

private:
    QPointer<QProgressBar> bar_;
};

}  // namespace hf
