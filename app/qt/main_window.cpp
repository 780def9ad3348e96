#include "app/qt/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "app/commands/texts.h"
#include "app/qt/app_icon.h"
#include "app/qt/drop_data.h"
#include "app/qt/file_filter.h"
#include "app/qt/message_box.h"
#include "app/qt/themed_drawing.h"

namespace icoforge {
namespace {

// The window's controls stand at fixed pixel rectangles, so their text has a fixed pixel
// size too, in a face that holds Chinese. It is the program's font, so that message boxes
// and balloons match the window, and so that a themed look switched on before a window
// exists cannot leave its controls in the platform's font.
constexpr int kControlFontPixels = 12;
constexpr int kWindowIconEdge = 256;
// A label too wide for its fixed rectangle (a wide face, or hinting that rounds every
// letter up) is made smaller rather than cut off, down to this size, which stays readable.
constexpr int kSmallestFontPixels = 9;
// What a group box's frame takes beside its title: the title's inset and padding.
constexpr int kGroupTitleRoom = 14;

QFont ControlFont(QFont font) {
    // Only a face that is there: fontconfig answers a missing name with its default face,
    // whose Latin letters are wider than the controls allow.
    const QStringList installed = QFontDatabase::families();
    for (const char* face : {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Source Han Sans SC", "Microsoft YaHei UI"}) {
        if (installed.contains(QLatin1String(face))) {
            font.setFamilies({QLatin1String(face)});
            break;
        }
    }
    font.setPixelSize(kControlFontPixels);
    return font;
}

QPushButton* Button(QWidget* parent, const char* name, std::string_view text, QRect rect) {
    auto* button = new QPushButton(QtText(text), parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(rect);
    button->setAutoDefault(false);
    return button;
}

QRadioButton* Radio(QWidget* parent, const char* name, const char* text, QRect rect) {
    auto* radio = new QRadioButton(QLatin1String(text), parent);
    radio->setObjectName(QLatin1String(name));
    radio->setGeometry(rect);
    return radio;
}

}  // namespace

MainWindow::MainWindow(AppFolders folders)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowTitleHint),
      presenter_(*this, std::move(folders)),
      drop_target_(DropSettings{.accept_files = true}) {
    setObjectName(QStringLiteral("mainWindow"));
    // So that the themed look can colour the window's own background.
    setAttribute(Qt::WA_StyledBackground);
    setWindowTitle(QtText(texts::kInitialCaption));
    setWindowIcon(QIcon(QPixmap::fromImage(DrawAppIcon(kWindowIconEdge))));
    QApplication::setFont(ControlFont(QApplication::font()));
    setFixedSize(kClientWidth, kClientHeight);
    move(kLeft, kTop);
    CreateControls();
}

MainWindow::~MainWindow() { ShutDown(); }

void MainWindow::CreateControls() {
    // Created in the order the user tabs through them. The radio buttons' rectangles are
    // inside the group box.
    auto* group = new QGroupBox(QtText("规定大小仅对图像转ICO有效"), this);
    group->setObjectName(QStringLiteral("sizeGroup"));
    group->setGeometry(16, 51, 168, 57);
    controls_.size_group = group;
    auto& sizes = controls_.sizes;
    sizes[3] = Radio(group, "size128", "128*128", QRect(85, 37, 62, 15));
    sizes[2] = Radio(group, "size64", "64*64", QRect(8, 38, 62, 16));
    sizes[0] = Radio(group, "size16", "16*16", QRect(8, 17, 62, 15));
    sizes[1] = Radio(group, "size32", "32*32", QRect(85, 17, 62, 15));
    sizes[1]->setChecked(true);
    for (QRadioButton* radio : sizes)
        connect(radio, &QRadioButton::clicked, this, [this] { Run([this] { presenter_.UpdateIconSize(); }); });

    controls_.about = Button(this, "aboutButton", "软件说明", QRect(312, 83, 80, 24));
    controls_.select_file = Button(this, "selectFileButton", "选择文件", QRect(208, 56, 80, 24));
    controls_.delete_icons = Button(this, "deleteButton", "删除图标", QRect(208, 83, 80, 24));
    controls_.extract = Button(this, "extractButton", "提取图标", QRect(312, 56, 80, 24));
    connect(controls_.about, &QPushButton::clicked, this, [this] { Run([this] { presenter_.ShowAbout(); }); });
    connect(controls_.select_file, &QPushButton::clicked, this, [this] { Run([this] { presenter_.SelectFile(); }); });
    connect(controls_.delete_icons, &QPushButton::clicked, this, [this] { Run([this] { presenter_.DeleteIcons(); }); });
    connect(controls_.extract, &QPushButton::clicked, this, [this] { Run([this] { presenter_.Extract(); }); });

    auto* path = new QLineEdit(this);
    path->setObjectName(QStringLiteral("pathEdit"));
    path->setGeometry(16, 24, 392, 20);
    // The hint is set before the handler is connected, so it is no change of content.
    path->setText(QtText(texts::kInitialEditText));
    path->setCursorPosition(0);
    // Drops anywhere on the window, the edit box included, are the window's.
    path->setAcceptDrops(false);
    // textEdited is the user's change alone; SetEditText runs the handler itself.
    connect(path, &QLineEdit::textEdited, this, [this] { Run([this] { presenter_.OnContentChanged(EditChange::kUser); }); });
    controls_.path = path;
    FitLabels();
}

void MainWindow::OnCreated() {
    SetScheme(kStartScheme);
    setAcceptDrops(true);
    presenter_.OnCreated();
}

void MainWindow::SetScheme(int scheme) {
    scheme_ = ApplyScheme(scheme);
    // The look changes the room a label needs (a radio button's mark, a button's padding).
    FitLabels();
}

void MainWindow::FitLabels() {
    const auto fit = [](QWidget* control, const auto& needed_width) {
        QFont font = QApplication::font();
        for (int pixels = kControlFontPixels;; --pixels) {
            font.setPixelSize(pixels);
            control->setFont(font);
            if (pixels <= kSmallestFontPixels || needed_width() <= control->width()) break;
        }
    };
    const auto& c = controls_;
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
             c.about, c.select_file, c.delete_icons, c.extract, c.sizes[0], c.sizes[1], c.sizes[2], c.sizes[3]})
        fit(button, [button] { return button->sizeHint().width(); });
    // The radio buttons keep their own fonts; the title sits a few pixels in from each side.
    QGroupBox* group = c.size_group;
    fit(group, [group] { return group->fontMetrics().horizontalAdvance(group->title()) + kGroupTitleRoom; });
}

void MainWindow::ShutDown() {
    if (shut_down_) return;
    shut_down_ = true;
    balloon_.hide();
    presenter_.OnDestroying();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    ShutDown();
    event->accept();
}

void MainWindow::SetCaption(std::string_view caption) { setWindowTitle(QtText(caption)); }

std::string MainWindow::EditText() const { return controls_.path->text().toStdString(); }

void MainWindow::SetEditText(std::string_view text) {
    controls_.path->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    presenter_.OnContentChanged();
}

void MainWindow::SelectEditText(std::int32_t length) {
    // The length counts UTF-8 bytes of the text; the box counts UTF-16 units.
    const std::string text = EditText();
    const std::size_t bytes = length < 0 ? 0 : std::min(static_cast<std::size_t>(length), text.size());
    const auto units = QString::fromUtf8(text.data(), static_cast<qsizetype>(bytes)).size();
    controls_.path->setSelection(0, static_cast<int>(units));
}

bool MainWindow::IsSizeChecked(IconSizeChoice choice) const {
    return controls_.sizes[static_cast<std::size_t>(choice)]->isChecked();
}

MessageBoxButton MainWindow::ShowMessageBox(std::string_view text, std::int32_t style, std::string_view caption) {
    const auto box = BuildMessageBox(text, style, caption);
    if (message_box_answer_) return ButtonPressed(message_box_answer_(*box));
    box->exec();
    QAbstractButton* clicked = box->clickedButton();
    return ButtonPressed(clicked != nullptr ? box->standardButton(clicked) : QMessageBox::NoButton);
}

void MainWindow::ShowBalloon(std::int32_t x, std::int32_t y, std::string_view text, std::int32_t,
                             bool hides_by_itself) {
    // Balloons carry no icon in this program, so the icon number is not drawn.
    balloon_.ShowAt(QPoint(x, y), QtText(text), hides_by_itself);
}

std::int32_t MainWindow::MouseX() const { return QCursor::pos().x(); }
std::int32_t MainWindow::MouseY() const { return QCursor::pos().y(); }

std::optional<std::string> MainWindow::ShowOpenFileDialog(const OpenFileDialogSettings& settings) {
    QFileDialog dialog(nullptr, QString(), QString::fromStdString(settings.initial_folder));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The descriptions already name their patterns.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList filters;
    for (const std::string& filter : NameFiltersOf(settings.filter)) filters << QString::fromStdString(filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters[static_cast<qsizetype>(
            SelectedNameFilter(settings.filter_index, static_cast<std::size_t>(filters.size())))]);
    }
    if (!settings.file_name.empty()) dialog.selectFile(QString::fromStdString(settings.file_name));

    std::optional<QString> chosen;
    if (file_dialog_answer_) {
        chosen = file_dialog_answer_(dialog);
    } else if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        chosen = dialog.selectedFiles().front();
    }
    if (!chosen || chosen->isEmpty()) return std::nullopt;
    return chosen->toStdString();
}

std::int32_t MainWindow::ScreenBitsPerPixel() const {
    const QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    // Without a screen to ask, a true-colour one, as nearly every screen is.
    return screen != nullptr ? screen->depth() : 32;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const MimeDropData dragged(event->mimeData());
    const DropChoice choice =
        drop_target_.DragEnter(dragged, KeyStateOf(event->modifiers()), DropEffectsOf(event->possibleActions()));
    event->setDropAction(DropActionOf(choice.effect));
    event->setAccepted(choice.accepted);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    const DropChoice choice =
        drop_target_.DragOver(KeyStateOf(event->modifiers()), DropEffectsOf(event->possibleActions()));
    event->setDropAction(DropActionOf(choice.effect));
    event->setAccepted(choice.accepted);
}

void MainWindow::dragLeaveEvent(QDragLeaveEvent* event) {
    drop_target_.DragLeave();
    event->accept();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const MimeDropData dragged(event->mimeData());
    const DropChoice choice = drop_target_.Drop(
        dragged, KeyStateOf(event->modifiers()), DropEffectsOf(event->possibleActions()),
        [this](DropEvent raised, const std::string& text) {
            if (raised == DropEvent::kFilesDropped) Run([&] { presenter_.OnFilesDropped(text); });
        });
    event->setDropAction(DropActionOf(choice.effect));
    // The window only reads the dropped paths; telling the source the drop was taken could
    // make a file manager delete the files after a move.
    event->ignore();
}

}  // namespace icoforge
