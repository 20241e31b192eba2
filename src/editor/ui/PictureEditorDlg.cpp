#include "PictureEditorDlg.h"

#include "Bmp.h"
#include "CropFrameWidget.h"
#include "DialogUnits.h"
#include "HandheldModels.h"
#include "ImageIO.h"
#include "PictureFileWriter.h"
#include "PictureNameDlg.h"
#include "PixelExactLabel.h"
#include "PreviewImage.h"
#include "QtText.h"
#include "Text.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <algorithm>

namespace fs = std::filesystem;

namespace hf {
namespace {

// The program folder, made again (one level) when it went missing while the
// editor was open; what to tell the user when it cannot be: the drive that
// held it is gone, or the user may not make it.
std::optional<std::string> ensureFolder(const std::filesystem::path& folder)
{
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec))
        return std::nullopt;
    if (!folder.has_parent_path() || !std::filesystem::is_directory(folder.parent_path(), ec))
        return "The picture cannot be saved: the folder " + folder.string() +
               " is not there.  Check that the drive that holds it is connected.";
    if (std::filesystem::create_directory(folder, ec) || std::filesystem::is_directory(folder))
        return std::nullopt;
    return "The picture cannot be saved: the folder " + folder.string() + " cannot be made (" + ec.message() +
           ").  Check that you may write in " + folder.parent_path().string() + ".";
}

// The template's places in pixels. Where the dialog font is too small for
// the template's view areas to hold the views, those areas grow and the
// controls beyond them move along: each view keeps its exact size, and since
// every edge keeps its order nothing comes to overlap.
class EditorGeometry {
    static constexpr int kSourceLeft = 16;
    static constexpr int kResultLeft = 227;
    static constexpr int kViewTop = 7;
    static constexpr int kViewWidth = 160;
    static constexpr int kViewHeight = 148;

public:
    static constexpr QRect kSourceView{kSourceLeft, kViewTop, kViewWidth, kViewHeight};
    static constexpr QRect kResultView{kResultLeft, kViewTop, kViewWidth, kViewHeight};

    EditorGeometry(const DialogUnits& du, int viewFrameSide)
        : du_(du), extraX_(std::max(0, viewFrameSide - std::min(span(du, kSourceLeft), span(du, kResultLeft)))),
          extraY_(std::max(0, viewFrameSide - (du.y(kViewTop + kViewHeight) - du.y(kViewTop))))
    {
    }
    int x(int units) const
    {
        return du_.x(units) + grown(units, kSourceLeft, kViewWidth, extraX_) +
               grown(units, kResultLeft, kViewWidth, extraX_);
    }
    int y(int units) const { return du_.y(units) + grown(units, kViewTop, kViewHeight, extraY_); }
    QRect rect(QRect units) const
    {
        const int left = x(units.x());
        const int top = y(units.y());
        return QRect(left, top, x(units.x() + units.width()) - left, y(units.y() + units.height()) - top);
    }

private:
    static int span(const DialogUnits& du, int left) { return du.x(left + kViewWidth) - du.x(left); }

    // The part of extra pixels that an edge at units lies beyond, spread
    // evenly over a view area that starts at start.
    static int grown(int units, int start, int length, int extra)
    {
        return extra * std::clamp(units - start, 0, length) / length;
    }

    const DialogUnits& du_;
    int extraX_;
    int extraY_;
};

QLabel* makeText(QWidget* parent, const EditorGeometry& g, const char* text, QRect units)
{
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setGeometry(g.rect(units));
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

// A sunken frame whose inside is exactly one view of kViewSize pixels,
// centred in its view area: the render's arithmetic depends on that size.
QFrame* makeViewFrame(QWidget* parent, const EditorGeometry& g, QRect units)
{
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(1);
    const QRect area = g.rect(units);
    const int side = CPictureEditorDlg::kViewSize + 2 * frame->frameWidth();
    frame->setGeometry(area.x() + (area.width() - side) / 2, area.y() + (area.height() - side) / 2, side, side);
    return frame;
}

// The source view's frame shows where the keyboard is: a plain line in the
// highlight colour while the crop frame has it, the sunken panel otherwise.
// Both are one pixel wide, so the view does not move.
void showKeyboardFocus(QFrame& frame, bool focused)
{
    QPalette palette = frame.parentWidget()->palette();
    if (focused)
        palette.setColor(QPalette::WindowText, palette.color(QPalette::Highlight));
    frame.setPalette(palette);
    frame.setFrameStyle(focused ? QFrame::Box | QFrame::Plain : QFrame::Panel | QFrame::Sunken);
}

}  // namespace

CPictureEditorDlg::CPictureEditorDlg(Profile& profile, MessageBoxes& boxes, fs::path programFolder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      profile_(profile), boxes_(boxes), programFolder_(std::move(programFolder))
{
    setObjectName(QStringLiteral("129"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setFont(DialogUnits::dialogFont());
    buildControls();
}

CPictureEditorDlg::~CPictureEditorDlg() = default;

void CPictureEditorDlg::buildControls()
{
    const DialogUnits du(font());
    // A sunken panel of line width 1 is one pixel wide on each side.
    const EditorGeometry g(du, kViewSize + 2);
    resize(g.x(404), g.y(284));
    setMinimumSize(size());

    auto* save = new QPushButton(QStringLiteral("&Save"), this);
    save->setObjectName(QStringLiteral("1"));
    save->setGeometry(g.rect({350, 265, 50, 14}));
    save->setDefault(true);
    connect(save, &QPushButton::clicked, this, &CPictureEditorDlg::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setGeometry(g.rect({292, 265, 50, 14}));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &CPictureEditorDlg::reject);

    QFrame* sourceFrame = makeViewFrame(this, g, EditorGeometry::kSourceView);
    crop_ = new CropFrameWidget(sourceFrame);
    crop_->setObjectName(QStringLiteral("1011"));
    crop_->setGeometry(sourceFrame->contentsRect().x(), sourceFrame->contentsRect().y(), kViewSize, kViewSize);
    connect(crop_, &CropFrameWidget::dragFinished, this, [this] { render(); });
    connect(crop_, &CropFrameWidget::focusChanged, sourceFrame,
            [sourceFrame](bool focused) { showKeyboardFocus(*sourceFrame, focused); });

    QFrame* resultFrame = makeViewFrame(this, g, EditorGeometry::kResultView);
    result_ = new PixelExactLabel(resultFrame);
    result_->setObjectName(QStringLiteral("1014"));
    result_->setAlignment(Qt::AlignCenter);
    result_->setGeometry(resultFrame->contentsRect().x(), resultFrame->contentsRect().y(), kViewSize, kViewSize);
    result_->setStyleSheet(QStringLiteral("background: black;"));

    auto* instructions = new QGroupBox(QStringLiteral("Instructions"), this);
    instructions->setGeometry(g.rect({3, 186, 187, 69}));
    makeText(this, g, "Move the frame around to create the Handfolio picture you want.", {13, 199, 163, 20});
    makeText(this, g, "Choose the best color-level for your handheld.", {12, 222, 163, 8});
    makeText(this, g, "Adjust the contrast to make the clearest picture.", {12, 238, 163, 8});

    auto* colours = new QGroupBox(QStringLiteral("Colors"), this);
    colours->setGeometry(g.rect({213, 164, 187, 53}));
    const auto radio = [&](const char* id, const char* text, QRect units) {
        auto* b = new QRadioButton(QString::fromUtf8(text), this);
        b->setObjectName(QString::fromLatin1(id));
        b->setGeometry(g.rect(units));
        return b;
    };
    gray4_ = radio("1017", "4-Level Gray (PalmPilot, Palm III, Palm VII)", {224, 175, 162, 10});
    gray16_ = radio("1016", "16-Level Gray (Palm IIIe, Palm IIIx, Palm V only)", {224, 188, 165, 10});
    colour_ = radio("1018", "Color (Color handhelds only)", {224, 202, 162, 10});
    auto* group = new QButtonGroup(this);
    group->addButton(gray4_, 1);
    group->addButton(gray16_, 2);
    group->addButton(colour_, 3);
    connect(group, &QButtonGroup::idClicked, this, [this](int mode) { colourButtonClicked(mode); });
    // Tab enters the colours at the checked button, as it enters any radio
    // group; the arrows move within it.
    connect(group, &QButtonGroup::buttonToggled, this, [group] {
        for (QAbstractButton* b : group->buttons())
            b->setFocusPolicy(b->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    });

    auto* contrast = new QGroupBox(QStringLiteral("Contrast"), this);
    contrast->setGeometry(g.rect({213, 221, 187, 34}));
    makeText(this, g, "Low", {229, 236, 14, 8});
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("1015"));
    slider_->setGeometry(g.rect({249, 233, 120, 15}));
    slider_->setTickPosition(QSlider::NoTicks);
    slider_->setPageStep(100);
    slider_->setSingleStep(10);
    connect(slider_, &QSlider::valueChanged, this, [this](int position) { contrastChanged(position); });
    makeText(this, g, "High", {373, 236, 16, 8});

    makeText(this, g, "Handheld", {5, 167, 32, 8});
    models_ = new QComboBox(this);
    models_->setObjectName(QStringLiteral("1023"));
    const QRect modelRect = g.rect({48, 164, 142, 90});
    models_->setGeometry(modelRect.x(), modelRect.y(), modelRect.width(), models_->sizeHint().height());
    models_->setMaxVisibleItems(12);
    connect(models_, &QComboBox::activated, this, [this] { modelChosen(true); });

    QWidget* order[] = {crop_, models_, gray4_, gray16_, colour_, slider_, save, cancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void CPictureEditorDlg::initialise()
{
    if (initialised_)
        return;
    contrast_ = profile_.getInt(kParametersSection, kContrastValue, 0);
    {
        // Setting up the slider is not a change of contrast.
        const QSignalBlocker block(slider_);
        slider_->setRange(-1000, 1000);
        slider_->setTickInterval(100);
        slider_->setValue(contrast_);
    }

    colourMode_ = profile_.getInt(kParametersSection, kGrayLevelValue, 3);
    (colourMode_ == 3 ? colour_ : colourMode_ == 2 ? gray16_ : gray4_)->setChecked(true);

    models_->clear();
    for (const HandheldModel& m : kHandheldModels)
        models_->addItem(QString::fromLatin1(m.name.data(), static_cast<qsizetype>(m.name.size())));
    const std::string_view wanted = model_ ? fieldText(*model_) : std::string_view();
    models_->setCurrentIndex(findHandheldModel(wanted).value_or(*findHandheldModel(kUnknownModel)));
    modelChosen(false);

    layout_ = layoutSourceView(source_, kViewSize, kViewSize);
    crop_->setBackground(toQImage(layout_.sourceView));
    crop_->setBounds(layout_.bounds);
    crop_->setFrame(layout_.firstFrame);
    initialised_ = true;
    render();
}

int CPictureEditorDlg::exec()
{
    initialise();
    return QDialog::exec();
}

void CPictureEditorDlg::render()
{
    if (!initialised_)
        return;
    renderer_.render(source_, layout_, crop_->frame(), colourMode_, contrast_, kViewSize, kViewSize);
    // The result view shows the handheld's pixels one by one, each a whole
    // number of screen pixels, on the result canvas's black.
    const LBitmap& canvas = renderer_.resultImage();
    const Rgb black = canvas.IsAllocated() ? canvas.colourAt(0, 0) : kBlack;
    result_->showExact(
        [picture = toQImage(renderer_.handheldPicture()), surround = qRgb(black.r, black.g, black.b)](qreal ratio) {
            return handheldView(picture, {kViewSize, kViewSize}, surround, ratio);
        });
    ++renders_;
}

void CPictureEditorDlg::modelChosen(bool renderIfChanged)
{
    const auto row = findHandheldModel(toCp1252(models_->currentText()));
    const std::uint8_t kind = row ? kHandheldModels[static_cast<std::size_t>(*row)].kind : 2;
    const ModelRule rule = applyModelRule(kind, colourMode_);
    gray4_->setEnabled(true);
    gray16_->setEnabled(rule.gray16Enabled);
    colour_->setEnabled(rule.colourEnabled);
    if (!rule.changed)
        return;
    colourMode_ = rule.colourMode;
    (colourMode_ == 3 ? colour_ : colourMode_ == 2 ? gray16_ : gray4_)->setChecked(true);
    if (renderIfChanged)
        render();
}

void CPictureEditorDlg::colourButtonClicked(int mode)
{
    colourMode_ = mode;
    render();
}

void CPictureEditorDlg::contrastChanged(int position)
{
    // The slider reports every thumb position while dragging and once more
    // when the action ends; only a new position renders.
    if (position == contrast_)
        return;
    contrast_ = position;
    render();
}

void CPictureEditorDlg::writeSettings()
{
    profile_.setInt(kParametersSection, kGrayLevelValue, colourMode_);
    profile_.setInt(kParametersSection, kContrastValue, contrast_);
}

void CPictureEditorDlg::accept()
{
    // A photo too thin for the frame to cover a single pixel row gives no
    // picture; asking for a name and then failing to write would blame the disk.
    if (!renderer_.handheldPicture().IsAllocated()) {
        boxes_.show("The frame holds no picture to save: this photo is too narrow to make a handheld picture "
                    "from.",
                    kCaption, MsgStyle::Exclamation);
        return;
    }
    CPictureNameDlg names(this);
    names.setTitle(QStringLiteral("Picture Name"));
    names.setPrompt(QStringLiteral("Enter a name for the new picture.  Maximum 15 characters."));
    names.setName(fromCp1252(pictureName_));
    if (names.exec() != QDialog::Accepted)
        return;
    const std::string name = toCp1252(names.name()).substr(0, kMaxPictureName);
    if (mayWrite && !mayWrite())
        return;
    if (const std::optional<std::string> problem = ensureFolder(programFolder_)) {
        boxes_.show(*problem, kCaption, MsgStyle::Exclamation);
        return;
    }

    const std::vector<std::uint8_t> bytes = encodeBmp(renderer_.handheldPicture());
    const WrittenPicture written =
        bytes.empty() ? WrittenPicture{}
                      : writePictureFile(programFolder_, bytes, sizeof(PhotoRecord::picturePath) - 1, numberTaken);
    switch (written.result) {
    case PictureWriteResult::Written:
        break;
    case PictureWriteResult::FolderMissing:
        boxes_.show(
            ensureFolder(programFolder_)
                .value_or("The picture cannot be saved: the folder " + programFolder_.string() + " has just gone."),
            kCaption, MsgStyle::Exclamation);
        return;
    case PictureWriteResult::NoFreeName:
        boxes_.show("There is no free picture file name left in " + programFolder_.string() +
                        ".  Remove some photos and synchronise the handheld, then try again.",
                    kCaption, MsgStyle::Exclamation);
        return;
    case PictureWriteResult::PathTooLong:
        boxes_.show("The picture cannot be saved: the path of the program folder " + programFolder_.string() +
                        " is too long for the album.",
                    kCaption, MsgStyle::Exclamation);
        return;
    case PictureWriteResult::WriteFailed:
        boxes_.show("The picture file could not be written into " + programFolder_.string() +
                        ".  Check that the disk is not full and that the folder can be written to.",
                    kCaption, MsgStyle::Exclamation);
        return;
    }
    pictureName_ = name;
    pictureFile_ = written.file;
    writeSettings();
    if (model_)
        copyField(*model_, toCp1252(models_->currentText()).substr(0, kMaxModelName));
    QDialog::accept();
}

void CPictureEditorDlg::reject()
{
    if (boxes_.show("Should I discard the new picture?", "Cancel", MsgStyle::YesNo) != MsgAnswer::Yes)
        return;
    writeSettings();
    QDialog::reject();
}

}  // namespace hf
