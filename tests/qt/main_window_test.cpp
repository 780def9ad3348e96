// The window on Qt's offscreen platform, driven as the user drives it: each control must
// reach the presenter and each Ui call the screen. What the commands then do is the
// presenter tests' business.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <memory>

#include "app/commands/texts.h"
#include "app/qt/dialogs.h"
#include "app/qt/main_window.h"
#include "common/path.h"
#include "platform/file_io.h"
#include "tests/app/window_fixtures.h"
#include "tests/qt/qt_printers.h"

namespace icoforge {
namespace {

using testing::ModuleWithGroups;
using testing::RedSquareBmp;
using testing::WindowFolders;
using window::Control;

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString CountCaption(int count) {
    return Q(texts::kCountCaptionStart) + QString::number(count) + Q(texts::kCountCaptionEnd);
}

bool Exists(const std::string& path) { return std::filesystem::exists(PathFromUtf8(path)); }

// For people to look at: a picture of the window under a plain caption bar (the offscreen
// platform draws no frame), with its balloon if one shows, when the test run asks for them.
void SaveScreenshot(MainWindow& window, const char* name) {
    const QString folder = qEnvironmentVariable("ICOFORGE_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    constexpr int kCaptionBar = 26;
    BalloonTip& balloon = window.balloon();
    const QRect caption(window.x(), window.y() - kCaptionBar, window.width(), kCaptionBar);
    QRect area = window.geometry() | caption;
    if (balloon.isVisible()) area |= balloon.geometry();
    QImage picture(area.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.fillRect(caption.translated(-area.topLeft()), QColor(0xE2, 0xE8, 0xF0));
    painter.setFont(window.font());
    painter.drawText(caption.translated(-area.topLeft()).adjusted(8, 0, 0, 0), Qt::AlignVCenter, window.windowTitle());
    painter.drawPixmap(window.geometry().topLeft() - area.topLeft(), window.grab());
    if (balloon.isVisible()) painter.drawPixmap(balloon.geometry().topLeft() - area.topLeft(), balloon.grab());
    painter.end();
    EXPECT_TRUE(picture.save(QDir(folder).filePath(QLatin1String(name)), "PNG")) << name;
}

// Nothing is cut off: each label fits its control, in whatever font the window ended with.
void ExpectEveryTextFits(const MainWindow& window) {
    for (const auto& description : window::kControls) {
        if (auto* button = qobject_cast<QAbstractButton*>(window.control(description.control))) {
            EXPECT_LE(button->sizeHint().width(), button->width()) << button->text().toStdString();
        }
    }
    // The title sits 8 px in with 3 px either side of it.
    auto* group = static_cast<QGroupBox*>(window.control(Control::kSizeGroup));
    EXPECT_LE(group->fontMetrics().horizontalAdvance(group->title()) + 14, group->width());
}

// Counts the content-changed handler's runs: each sets the caption exactly once.
class CountingWindow : public MainWindow {
public:
    using MainWindow::MainWindow;
    int handler_runs = 0;
    void SetCaption(std::string_view caption) override {
        ++handler_runs;
        MainWindow::SetCaption(caption);
    }
};

// A started window over a program folder and a temporary folder of the test's own.
struct Started : WindowFolders {
    std::unique_ptr<CountingWindow> window;

    Started() {
        window = std::make_unique<CountingWindow>(AppFolders{program, temporary, desktop});
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->OnCreated();
    }
    QAbstractButton* Button(Control control) const { return qobject_cast<QAbstractButton*>(window->control(control)); }
    QLineEdit* edit() const { return window->path_edit(); }
    void Click(Control control) { QTest::mouseClick(Button(control), Qt::LeftButton); }
    // The centre of a control on the screen.
    QPoint Centre(Control control) const {
        QWidget* widget = window->control(control);
        return widget->mapToGlobal(widget->rect().center());
    }
};

TEST(QtWindow, EveryControlStandsAsTheDescriptionSays) {
    Started s;
    MainWindow& w = *s.window;
    EXPECT_EQ(w.windowTitle(), Q(texts::kInitialCaption));
    EXPECT_EQ(w.size(), QSize(420, 125));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_EQ(w.pos(), QPoint(50, 50));
    EXPECT_FALSE(w.windowIcon().isNull());

    QWidget* group = w.control(Control::kSizeGroup);
    for (const auto& description : window::kControls) {
        SCOPED_TRACE(std::string(description.text));
        QWidget* control = w.control(description.control);
        if (description.kind == window::ControlKind::kDrawingBoard) {
            EXPECT_EQ(control, nullptr) << "the board draws off the screen";
            continue;
        }
        ASSERT_NE(control, nullptr);
        const window::Rect& place = description.place;
        EXPECT_EQ(control->geometry(), QRect(place.left, place.top, place.width, place.height));
        EXPECT_EQ(control->parentWidget(), description.in_size_group ? group : &w);
        EXPECT_EQ(control->isVisible(), description.visible);
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            text = button->text();
            EXPECT_EQ(button->isChecked(), description.checked);
        }
        if (auto* box = qobject_cast<QGroupBox*>(control)) text = box->title();
        if (auto* edit = qobject_cast<QLineEdit*>(control)) text = edit->text();
        EXPECT_EQ(text, Q(description.text));
    }
    // Made in the description's order, which is the order Tab goes.
    QList<QWidget*> made;
    for (QObject* child : w.children())
        if (auto* widget = qobject_cast<QWidget*>(child); widget != nullptr && widget->parentWidget() == &w)
            made << widget;
    EXPECT_EQ(made, (QList<QWidget*>{group, w.control(Control::kAbout), w.control(Control::kSelectFile),
                                     w.control(Control::kDeleteIcons), w.control(Control::kExtract),
                                     w.control(Control::kPath)}));
    ExpectEveryTextFits(w);
    // The hint in the edit box is no change of its content.
    EXPECT_EQ(s.window->handler_runs, 0);
    EXPECT_EQ(w.presenter().icon_size().width, 32);
    EXPECT_EQ(w.scheme(), window::kStartScheme);
    EXPECT_TRUE(w.acceptDrops());
    EXPECT_FALSE(s.edit()->acceptDrops());
    EXPECT_GT(w.ScreenBitsPerPixel(), 0);
    SaveScreenshot(w, "qt-window-start.png");
}

TEST(QtWindow, LabelsTooWideForTheirPlaceAreMadeSmallerNotCut) {
    // Spaced-out letters stand in for a wide face or heavy hinting.
    const QFont before = QApplication::font();
    QFont wide = before;
    wide.setLetterSpacing(QFont::PercentageSpacing, 120);
    QApplication::setFont(wide);
    {
        Started s;
        ExpectEveryTextFits(*s.window);
        EXPECT_LT(s.window->control(Control::kSize128)->font().pixelSize(), 12);
        EXPECT_EQ(s.window->control(Control::kSize16)->font().pixelSize(), 12);  // "16*16" had room to spare
    }
    QApplication::setFont(before);
}

// Each radio button chooses its size alone; each push button runs its command, seen by
// the box or dialog it asks for.
TEST(QtWindow, EveryControlReachesThePresenter) {
    Started s;
    for (const auto& [radio, edge] : {std::pair{Control::kSize16, 16}, {Control::kSize64, 64}, {Control::kSize64, 64},
                                      {Control::kSize128, 128}, {Control::kSize32, 32}}) {
        s.Click(radio);
        EXPECT_EQ(s.window->presenter().icon_size().width, edge);
        for (const Control other : window::kSizeRadios) EXPECT_EQ(s.Button(other)->isChecked(), other == radio);
    }
    QStringList asked;
    s.window->AnswerMessageBoxesWith([&](QMessageBox& box) {
        asked << box.text().left(2);
        return QMessageBox::No;
    });
    int dialogs = 0;
    s.window->AnswerFileDialogsWith([&](QFileDialog&) {
        ++dialogs;
        return std::nullopt;
    });
    for (const Control button : {Control::kExtract, Control::kDeleteIcons, Control::kAbout, Control::kSelectFile})
        s.Click(button);
    EXPECT_EQ(asked, (QStringList{Q(texts::kBadPath).left(2), Q(texts::kDeleteConfirmation).left(2), "1、"}));
    EXPECT_EQ(dialogs, 1);
}

// Typing and pasting are the user's edits and each reaches the presenter once; a text the
// program sets is not reported back, so its handler runs once, not twice.
TEST(QtWindow, EachOfTheUsersEditsRunsTheHandlerOnce) {
    Started s;
    const std::string three = s.Source("three.dll", ModuleWithGroups(3));
    const std::string one = s.Source("one.dll", ModuleWithGroups(1));

    s.window->presenter().OpenFile(three);
    EXPECT_EQ(s.window->handler_runs, 1);
    EXPECT_EQ(s.edit()->selectedText(), Q(three));
    EXPECT_EQ(s.window->windowTitle(), CountCaption(3));

    // A paste replaces the selected path: one change.
    QGuiApplication::clipboard()->setText(Q(one));
    s.edit()->setFocus();
    QTest::keySequence(s.edit(), QKeySequence::Paste);
    EXPECT_EQ(s.window->handler_runs, 2);
    EXPECT_EQ(s.window->windowTitle(), CountCaption(1));

    // Each key is a change; the caret stays where the user put it, so typed text adds up.
    // The path names nothing until the last key: the no-icons balloon shows, then the key
    // that finds icons takes it down.
    QTest::keyClicks(s.edit(), QStringLiteral("ab"));
    EXPECT_EQ(s.window->handler_runs, 4);
    EXPECT_EQ(s.edit()->text(), Q(one) + QStringLiteral("ab"));
    EXPECT_EQ(s.window->presenter().current_source_path(), one + "ab");
    EXPECT_TRUE(s.window->balloon().isVisible());
    EXPECT_EQ(s.window->balloon().text(), Q(texts::kNoIconsFound).replace("\r\n", "\n"));
    EXPECT_GT(s.window->balloon().RemainingMs(), 0);
    QTest::keyClicks(s.edit(), QStringLiteral("\b\b"));
    EXPECT_EQ(s.window->windowTitle(), CountCaption(1));
    EXPECT_FALSE(s.window->balloon().isVisible());
}

TEST(QtWindow, AnExtractShowsItsBalloonAtTheMouseAndTheWindowCleansUpWhenClosed) {
    Started s;
    QCursor::setPos(300, 200);
    s.window->presenter().OpenFile(s.Source("three.dll", ModuleWithGroups(3)));
    s.Click(Control::kExtract);
    EXPECT_TRUE(Exists(s.Icon(3)));
    const BalloonTip& balloon = s.window->balloon();
    EXPECT_TRUE(balloon.isVisible());
    EXPECT_EQ(balloon.text(), Q(texts::kExtractSucceeded));
    EXPECT_EQ(balloon.tip(), QCursor::pos());
    EXPECT_EQ(balloon.RemainingMs(), -1);
    ExpectEveryTextFits(*s.window);
    SaveScreenshot(*s.window, "qt-window-after-extract.png");

    // Closing runs the presenter's clean-up: a picture run's temporary files go.
    s.window->presenter().OpenFile(s.Source("red.bmp", RedSquareBmp(8)));
    s.Click(Control::kExtract);
    ASSERT_TRUE(Exists(s.temporary + "p.bmp"));
    s.window->close();
    EXPECT_FALSE(Exists(s.temporary + "p"));
    EXPECT_FALSE(Exists(s.temporary + "p.bmp"));
    EXPECT_FALSE(balloon.isVisible());
}

// The balloon sits where the user just clicked. A click on it, or beside it, takes it
// down and goes on to the control it lands on, as if the balloon were not there.
TEST(QtWindow, ABalloonNeverSwallowsAClick) {
    Started s;
    BalloonTip& balloon = s.window->balloon();
    const QPoint over_64 = s.Centre(Control::kSize64);
    s.window->ShowBalloon({over_64.x() - 4, over_64.y() - 4}, "stays", BalloonLife::kStays);
    ASSERT_TRUE(balloon.isVisible());
    ASSERT_TRUE(balloon.geometry().contains(over_64));
    QTest::mouseClick(&balloon, Qt::LeftButton, {}, balloon.mapFromGlobal(over_64));
    EXPECT_FALSE(balloon.isVisible());
    EXPECT_TRUE(s.Button(Control::kSize64)->isChecked());
    EXPECT_EQ(s.window->presenter().icon_size().width, 64);

    // Beside it: the balloon goes, and the click counts too.
    s.window->ShowBalloon({over_64.x() - 4, over_64.y() - 4}, "stays", BalloonLife::kStays);
    s.Click(Control::kSize16);
    EXPECT_FALSE(balloon.isVisible());
    EXPECT_EQ(s.window->presenter().icon_size().width, 16);
}

TEST(QtWindow, ABalloonReplacesTheLastAndHidesByItselfOnlyWhenAsked) {
    Started s;
    BalloonTip& balloon = s.window->balloon();
    s.window->ShowBalloon({100, 120}, "first", BalloonLife::kHidesByItself);
    EXPECT_GT(balloon.RemainingMs(), 4000);
    EXPECT_LE(balloon.RemainingMs(), static_cast<int>(window::kBalloonLifetimeMs));
    s.window->ShowBalloon({400, 300}, "second\r\nline", BalloonLife::kStays);
    EXPECT_TRUE(balloon.isVisible());
    EXPECT_EQ(balloon.text(), QStringLiteral("second\nline"));
    EXPECT_EQ(balloon.tip(), QPoint(400, 300));
    EXPECT_EQ(balloon.RemainingMs(), -1);
    // The pointer touches the point: the bubble starts at it, a little to its left.
    EXPECT_EQ(balloon.geometry().top(), 300);
    EXPECT_LT(balloon.geometry().left(), 400);
    EXPECT_GT(balloon.geometry().right(), 400);
    s.window->HideBalloon();
    EXPECT_FALSE(balloon.isVisible());
}

// The about box for real: found among the top-level windows while it waits, and closed.
TEST(QtWindow, TheAboutBoxWaitsForItsAnswer) {
    Started s;
    QString title, text;
    QTimer finder;
    QObject::connect(&finder, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(top);
            if (box == nullptr || !box->isVisible()) continue;
            title = box->windowTitle();
            text = box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    finder.start(10);
    s.Click(Control::kAbout);
    finder.stop();
    EXPECT_EQ(title, Q(texts::kAboutCaption));
    EXPECT_TRUE(text.endsWith(Q(texts::kAboutEnding).replace("\r\n", "\n"))) << text.toStdString();
}

TEST(QtWindow, TheFileDialogOpensWithTheChoicesFolderAndFileToShow) {
    Started s;
    const std::string module = s.Source("three.dll", ModuleWithGroups(3));
    for (const bool choose : {true, false}) {
        s.window->AnswerFileDialogsWith([&](QFileDialog& dialog) -> std::optional<QString> {
            EXPECT_EQ(dialog.directory().canonicalPath(), QDir(Q(s.root.File(""))).canonicalPath());
            EXPECT_EQ(dialog.nameFilters(), NameFiltersOf(texts::kOpenFileFilters));
            // The dialog names the selected filter without its patterns.
            EXPECT_TRUE(dialog.nameFilters().front().startsWith(dialog.selectedNameFilter()));
            EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
            EXPECT_TRUE(dialog.selectedFiles().join(",").endsWith("three.dll"));
            if (!choose) return std::nullopt;
            return Q(module);
        });
        const auto chosen = s.window->ShowOpenFileDialog({s.desktop, texts::kOpenFileFilters, module});
        EXPECT_EQ(chosen, choose ? std::optional<std::string>(module) : std::nullopt);
    }
}

TEST(QtWindow, DroppedFilesFollowTheKeysAndLandInTheEditBox) {
    Started s;
    const std::string a = s.Source("a.dll", ModuleWithGroups(2));
    const std::string b = s.Source("b.ico", ByteBuffer{});
    const std::string c = s.Source("c d.bmp", RedSquareBmp(8));
    const auto files = [](std::initializer_list<std::string> paths) {
        auto* mime = new QMimeData;
        QList<QUrl> urls;
        for (const auto& path : paths) urls << QUrl::fromLocalFile(Q(path));
        mime->setUrls(urls);
        return mime;
    };
    const auto text_only = [] {
        auto* mime = new QMimeData;
        mime->setText(QStringLiteral("some text"));
        return mime;
    };
    const auto web_link = [] {
        auto* mime = new QMimeData;
        mime->setUrls({QUrl(QStringLiteral("https://example.org/a.ico"))});
        return mime;
    };
    const auto kAll = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    const struct {
        const char* what;
        QMimeData* mime;
        Qt::KeyboardModifiers keys;
        Qt::DropActions allowed;
        Qt::DropAction shown;  // IgnoreAction: refused
        std::string dropped;
        QString caption;
    } cases[] = {
        {"one file", files({a}), Qt::NoModifier, kAll, Qt::CopyAction, a, CountCaption(2)},
        {"shift moves", files({a}), Qt::ShiftModifier, kAll, Qt::MoveAction, a, CountCaption(2)},
        {"ctrl copies", files({a}), Qt::ControlModifier, kAll, Qt::CopyAction, a, CountCaption(2)},
        {"link only", files({a}), Qt::NoModifier, Qt::LinkAction, Qt::LinkAction, a, CountCaption(2)},
        {"ctrl+shift refused", files({a}), Qt::ControlModifier | Qt::ShiftModifier, kAll, Qt::IgnoreAction, "", ""},
        {"shift without move", files({a}), Qt::ShiftModifier, Qt::CopyAction, Qt::IgnoreAction, "", ""},
        {"three files", files({a, b, c}), Qt::NoModifier, kAll, Qt::CopyAction, a + "\r\n" + b + "\r\n" + c + "\r\n",
         CountCaption(0)},
        {"text refused", text_only(), Qt::NoModifier, kAll, Qt::IgnoreAction, "", ""},
        {"web link refused", web_link(), Qt::NoModifier, kAll, Qt::IgnoreAction, "", ""},
    };
    QWindow* window = s.window->windowHandle();
    ASSERT_NE(window, nullptr);
    // Over the edit box: the drop is the window's wherever it lands.
    const QPointF over_edit = s.edit()->geometry().center();
    for (const auto& drag : cases) {
        SCOPED_TRACE(drag.what);
        std::unique_ptr<QMimeData> owned(drag.mime);
        s.window->presenter().OpenFile("before");
        QDragEnterEvent enter(over_edit.toPoint(), drag.allowed, drag.mime, Qt::LeftButton, drag.keys);
        QApplication::sendEvent(window, &enter);
        EXPECT_EQ(enter.isAccepted(), drag.shown != Qt::IgnoreAction);
        if (!enter.isAccepted()) {
            QDragLeaveEvent leave;
            QApplication::sendEvent(window, &leave);
            EXPECT_EQ(s.edit()->text(), QStringLiteral("before"));
            continue;
        }
        EXPECT_EQ(enter.dropAction(), drag.shown);
        QDragMoveEvent move(over_edit.toPoint() + QPoint(1, 0), drag.allowed, drag.mime, Qt::LeftButton, drag.keys);
        QApplication::sendEvent(window, &move);
        EXPECT_TRUE(move.isAccepted());
        EXPECT_EQ(move.dropAction(), drag.shown);
        QDropEvent drop(over_edit, drag.allowed, drag.mime, Qt::LeftButton, drag.keys);
        QApplication::sendEvent(window, &drop);
        EXPECT_EQ(s.window->EditText(), drag.dropped);
        EXPECT_EQ(s.window->windowTitle(), drag.caption);
        // The source is told nothing was taken, so a move never removes its files.
        EXPECT_FALSE(drop.isAccepted());
        EXPECT_TRUE(Exists(a));
    }
}

TEST(QtWindow, SchemesOneToThreeStyleTheControlsAndAnyOtherNumberTurnsItOff) {
    Started s;
    QStringList sheets;
    for (const auto& [scheme, on] : {std::pair{1, true}, {2, true}, {0, false}, {4, false}, {-1, false}, {3, true}}) {
        s.window->SetScheme(scheme);
        EXPECT_EQ(s.window->scheme(), on ? scheme : 0) << scheme;
        EXPECT_EQ(qApp->styleSheet().isEmpty(), !on) << scheme;
        if (on) sheets << qApp->styleSheet();
    }
    sheets.removeDuplicates();
    EXPECT_EQ(sheets.size(), 3);
    // The sheet takes the scheme's colours: scheme 3's accent and window.
    EXPECT_TRUE(sheets.last().contains(QStringLiteral("#2563eb"))) << sheets.last().toStdString();
    EXPECT_TRUE(sheets.last().contains(QStringLiteral("#f4f6fa")));
}

}  // namespace
}  // namespace icoforge
