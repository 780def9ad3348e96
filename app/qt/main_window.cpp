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
#include "app/qt/dialogs.h"
#include "app/qt/drop_data.h"
#include "app/qt/themed_drawing.h"

namespace icoforge {
namespace {

using window::Control;
using window::ControlKind;

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

// The control a description names, without its events; null for the drawing board.
QWidget* MakeControl(const window::ControlDescription& description, QWidget* parent) {
    const QString text = QtText(description.text);
    QWidget* made = nullptr;
    switch (description.kind) {
        case ControlKind::kRadioButton: {
            auto* radio = new QRadioButton(text, parent);
            radio->setChecked(description.checked);
            made = radio;
            break;
        }
        case ControlKind::kPushButton: {
            auto* button = new QPushButton(text, parent);
            button->setAutoDefault(false);
            made = button;
            break;
        }
        case ControlKind::kGroupBox: made = new QGroupBox(text, parent); break;
        case ControlKind::kEditBox: {
            auto* edit = new QLineEdit(text, parent);
            edit->setCursorPosition(0);
            // Drops anywhere on the window, the edit box included, are the window's.
            edit->setAcceptDrops(false);
            made = edit;
            break;
        }
        case ControlKind::kDrawingBoard: return nullptr;
    }
    const window::Rect& place = description.place;
    made->setObjectName(QLatin1String(description.key.data(), static_cast<qsizetype>(description.key.size())));
    made->setGeometry(place.left, place.top, place.width, place.height);
    made->setVisible(description.visible);
    return made;
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
    move(window::kWindowPlace.left, window::kWindowPlace.top);
    CreateControls();
}

MainWindow::~MainWindow() { ShutDown(); }

QLineEdit* MainWindow::path_edit() const { return static_cast<QLineEdit*>(control(Control::kPath)); }

void MainWindow::CreateControls() {
    // In the description's order, which the user tabs through; the radio buttons are the
    // group box's children, so it is made when the first of them is.
    for (const auto& description : window::kControls) {
        if (description.in_size_group) continue;
        QWidget* made = MakeControl(description, this);
        controls_[static_cast<std::size_t>(description.control)] = made;
        if (description.control != Control::kSizeGroup) continue;
        for (const auto& radio : window::kControls)
            if (radio.in_size_group) controls_[static_cast<std::size_t>(radio.control)] = MakeControl(radio, made);
    }
    for (const auto& description : window::kControls) {
        const Control id = description.control;
        if (auto* button = qobject_cast<QAbstractButton*>(control(id)))
            connect(button, &QAbstractButton::clicked, this, [this, id] { Run([this, id] { presenter_.OnClicked(id); }); });
    }
    // textEdited is the user's change alone; the presenter runs its handler after its own.
    connect(path_edit(), &QLineEdit::textEdited, this, [this] { Run([this] { presenter_.OnUserEdit(); }); });
    FitLabels();
}

void MainWindow::OnCreated() {
    SetScheme(window::kStartScheme);
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
    for (QWidget* widget : controls_) {
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            fit(button, [button] { return button->sizeHint().width(); });
    }
    // The radio buttons keep their own fonts; the title sits a few pixels in from each side.
    auto* group = static_cast<QGroupBox*>(control(Control::kSizeGroup));
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

std::string MainWindow::EditText() const { return path_edit()->text().toStdString(); }

void MainWindow::SetEditText(std::string_view text) {
    path_edit()->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void MainWindow::SelectEditText(std::int32_t length) {
    // The length counts UTF-8 bytes of the text; the box counts UTF-16 units.
    const std::string text = EditText();
    const std::size_t bytes = length < 0 ? 0 : std::min(static_cast<std::size_t>(length), text.size());
    const auto units = QString::fromUtf8(text.data(), static_cast<qsizetype>(bytes)).size();
    path_edit()->setSelection(0, static_cast<int>(units));
}

bool MainWindow::IsSizeChecked(IconSizeChoice choice) const {
    const auto* radio = static_cast<const QRadioButton*>(control(window::kSizeRadios[static_cast<std::size_t>(choice)]));
    return radio->isChecked();
}

MessageAnswer MainWindow::ShowMessage(const Message& message) {
    const auto box = BuildMessageBox(message);
    if (message_box_answer_) return AnswerOf(message_box_answer_(*box));
    box->exec();
    QAbstractButton* clicked = box->clickedButton();
    return AnswerOf(clicked != nullptr ? box->standardButton(clicked) : QMessageBox::NoButton);
}

void MainWindow::ShowBalloon(ScreenPoint at, std::string_view text, BalloonLife life) {
    balloon_.ShowAt(QPoint(at.x, at.y), QtText(text), life == BalloonLife::kHidesByItself);
}

void MainWindow::HideBalloon() { balloon_.hide(); }

ScreenPoint MainWindow::MousePosition() const {
    const QPoint mouse = QCursor::pos();
    return {mouse.x(), mouse.y()};
}

std::optional<std::string> MainWindow::ShowOpenFileDialog(const OpenFileDialogSettings& settings) {
    QFileDialog dialog(nullptr, QString(), QString::fromStdString(settings.initial_folder));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The labels already name their patterns.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = NameFiltersOf(settings.filters);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.front());
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
