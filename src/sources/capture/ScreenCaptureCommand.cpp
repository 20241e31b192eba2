#include "ScreenCaptureCommand.h"

#include "AlbumWindow.h"
#include "CScreenCapture.h"
#include "InstructionPanel.h"
#include "PhotoIntake.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>

namespace hf {
namespace {

// The instruction panel over the preview pane's client area. It lies on top
// of the pane rather than in it, so that whatever the pane shows meanwhile
// stays hidden until the command ends.
class InstructionPanelWidget final : public QWidget {
public:
    explicit InstructionPanelWidget(QLabel& pane) : QWidget(&pane), pane_(pane)
    {
        setObjectName(QStringLiteral("instructionPanel"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setGeometry(pane.contentsRect());
        pane.installEventFilter(this);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        paintInstructionPanel(painter, rect());
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &pane_ && event->type() == QEvent::Resize)
            setGeometry(pane_.contentsRect());
        return false;
    }

private:
    QLabel& pane_;
};

// Removes the panel when the command ends, on every path.
class PanelOnPane {
public:
    explicit PanelOnPane(QLabel* pane)
    {
        if (!pane)
            return;
        panel_ = new InstructionPanelWidget(*pane);  // owned by the pane
        panel_->show();
        panel_->raise();
        // Painted and on screen before the desktop is frozen.
        panel_->repaint();
    }
    ~PanelOnPane() { delete panel_.data(); }
    PanelOnPane(const PanelOnPane&) = delete;
    PanelOnPane& operator=(const PanelOnPane&) = delete;

private:
    QPointer<InstructionPanelWidget> panel_;
};

}  // namespace

ScreenCaptureCommand::ScreenCaptureCommand(AlbumWindow& window) : QObject(&window), window_(window)
{
    connect(&window, &AlbumWindow::captureRequested, this, &ScreenCaptureCommand::captureFromScreen);
}

void ScreenCaptureCommand::captureFromScreen()
{
    // The road's refusal when the album is full belongs to the window's
    // intake, which main() makes before the sources.
    PhotoIntake* intake = window_.findChild<PhotoIntake*>(QString(), Qt::FindDirectChildrenOnly);
    if (!intake || intake->refuseWhenFull())
        return;
    const PanelOnPane panel(window_.findChild<QLabel*>(QStringLiteral("1006")));
    CScreenCapture capture = portalBus ? CScreenCapture(*portalBus) : CScreenCapture();
    switch (capture.captureArea()) {
    case CaptureResult::Captured:
        intake->runEditor(capture.takeBitmap(), "New Picture");
        break;
    case CaptureResult::Failed:
        window_.boxes().show(kCannotCapture, kCaption, MsgStyle::Exclamation);
        break;
    case CaptureResult::Abandoned:
        break;
    }
}

}  // namespace hf
