#include "ScreenCaptureCommand.h"

#include "CScreenCapture.h"
#include "InstructionPanel.h"
#include "PhotoSourceHost.h"
#include "ScreenSettle.h"

#include <QEvent>
#include <QFrame>
#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace hf {
namespace {

// The instruction panel over the preview pane's client area. It lies on top
// of the pane rather than in it, so that whatever the pane shows meanwhile
// stays hidden until the command ends.
class InstructionPanelWidget final : public QWidget {
public:
    explicit InstructionPanelWidget(QFrame& pane) : QWidget(&pane), pane_(pane)
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
    QFrame& pane_;
};

// Removes the panel when the command ends, on every path.
class PanelOnPane {
public:
    explicit PanelOnPane(QFrame* pane)
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

ScreenCaptureCommand::ScreenCaptureCommand(PhotoSourceHost& host) : QObject(host.owner()), host_(host)
{
    host.addSourceCommand({32774, "&Capture Photo from the Screen ...", [this] { captureFromScreen(); }});
}

void ScreenCaptureCommand::captureFromScreen()
{
    if (host_.refuseWhenFull())
        return;
    const PanelOnPane panel(host_.previewPane());
    letTheScreenSettle(host_.owner());
    CScreenCapture capture = portalBus ? CScreenCapture(*portalBus) : CScreenCapture();
    switch (capture.captureArea()) {
    case CaptureResult::Captured:
        editNewPhoto(host_, capture.takeBitmap(), "New Picture");
        break;
    case CaptureResult::Failed:
        host_.boxes().show(kCannotCapture, kCaption, MsgStyle::Exclamation);
        break;
    case CaptureResult::Abandoned:
        break;
    }
}

}  // namespace hf
