// The window on Qt's offscreen platform, driven as the user drives it: clicks, typing,
// drops and answered message boxes, with the files the commands write checked on disk.

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

#include "app/board/drawing_board.h"
#include "app/commands/texts.h"
#include "app/qt/main_window.h"
#include "common/path.h"
#include "platform/file_io.h"
#include "tests/app/window_fixtures.h"
#include "tests/support/ico_builder.h"
#include "tests/support/module_builder.h"
#include "tests/qt/qt_printers.h"
#include "tests/support/temp_folder.h"

namespace icoforge {
namespace {

using testing::ModuleWithGroups;
using testing::RedSquareBmp;
using testing::TempFolder;

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
void ExpectEveryTextFits(const MainWindow::Controls& c) {
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
             c.about, c.extract, c.select_file, c.delete_icons, c.sizes[0], c.sizes[1], c.sizes[2], c.sizes[3]})
        EXPECT_LE(button->sizeHint().width(), button->width()) << button->text().toStdString();
    // The title sits 8 px in with 3 px either side of it.
    EXPECT_LE(c.size_group->fontMetrics().horizontalAdvance(c.size_group->title()) + 14, c.size_group->width());
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
struct Started {
    TempFolder root;
    std::string program = root.File("program");
    std::string temporary = root.File("temp") + "/";
    std::string desktop = root.File("desktop") + "/";
    std::unique_ptr<CountingWindow> window;

    Started() {
        for (const auto& folder : {program, temporary, desktop}) std::filesystem::create_directory(PathFromUtf8(folder));
        window = std::make_unique<CountingWindow>(AppFolders{program, temporary, desktop});
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->OnCreated();
    }
    const MainWindow::Controls& controls() const { return window->controls(); }
    std::string Source(const std::string& name, const ByteBuffer& bytes) {
        const std::string path = root.File(name);
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        return path;
    }
    std::string Icon(int n) const { return Utf8FromPath(PathFromUtf8(program) / (std::to_string(n) + ".ico")); }
    void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
};

TEST(QtWindow, StartsWithEveryControlAtItsPlace) {
    Started s;
    MainWindow& w = *s.window;
    EXPECT_EQ(w.windowTitle(), Q(texts::kInitialCaption));
    EXPECT_EQ(w.size(), QSize(420, 125));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_EQ(w.pos(), QPoint(50, 50));
    EXPECT_FALSE(w.windowIcon().isNull());

    const auto& c = s.controls();
    const struct {
        QWidget* control;
        QWidget* parent;
        QRect rect;
        QString text;
    } expected[] = {
        {c.sizes[3], c.size_group, {85, 37, 62, 15}, "128*128"},
        {c.sizes[2], c.size_group, {8, 38, 62, 16}, "64*64"},
        {c.sizes[0], c.size_group, {8, 17, 62, 15}, "16*16"},
        {c.sizes[1], c.size_group, {85, 17, 62, 15}, "32*32"},
        {c.size_group, &w, {16, 51, 168, 57}, "规定大小仅对图像转ICO有效"},
        {c.about, &w, {312, 83, 80, 24}, "软件说明"},
        {c.select_file, &w, {208, 56, 80, 24}, "选择文件"},
        {c.delete_icons, &w, {208, 83, 80, 24}, "删除图标"},
        {c.extract, &w, {312, 56, 80, 24}, "提取图标"},
        {c.path, &w, {16, 24, 392, 20}, Q(texts::kInitialEditText)},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.text.toStdString());
        EXPECT_EQ(e.control->geometry(), e.rect);
        EXPECT_EQ(e.control->parentWidget(), e.parent);
        EXPECT_TRUE(e.control->isVisible());
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(e.control)) text = button->text();
        if (auto* group = qobject_cast<QGroupBox*>(e.control)) text = group->title();
        if (auto* edit = qobject_cast<QLineEdit*>(e.control)) text = edit->text();
        EXPECT_EQ(text, e.text);
    }
    ExpectEveryTextFits(c);
    for (std::size_t i = 0; i < c.sizes.size(); ++i) EXPECT_EQ(c.sizes[i]->isChecked(), i == 1) << i;
    // The hint in the edit box is no change of its content.
    EXPECT_EQ(s.window->handler_runs, 0);
    EXPECT_EQ(w.presenter().icon_size().width, 32);
    EXPECT_EQ(w.presenter().icon_size().height, 32);
    EXPECT_TRUE(w.presenter().current_source_path().empty());
    EXPECT_EQ(w.scheme(), 3);
    EXPECT_TRUE(w.acceptDrops());
    EXPECT_FALSE(c.path->acceptDrops());
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
        ExpectEveryTextFits(s.controls());
        EXPECT_LT(s.controls().sizes[3]->font().pixelSize(), 12);
        EXPECT_EQ(s.controls().sizes[0]->font().pixelSize(), 12);  // "16*16" had room to spare
    }
    QApplication::setFont(before);
}

TEST(QtWindow, EachSizeClickChoosesTheIconSizeAndUnchecksTheOthers) {
    Started s;
    for (const auto& [index, edge] : {std::pair{0, 16}, {2, 64}, {2, 64}, {3, 128}, {1, 32}}) {
        s.Click(s.controls().sizes[static_cast<std::size_t>(index)]);
        EXPECT_EQ(s.window->presenter().icon_size().width, edge);
        EXPECT_EQ(s.window->presenter().icon_size().height, edge);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(s.controls().sizes[static_cast<std::size_t>(i)]->isChecked(), i == index) << edge << " " << i;
    }
}

TEST(QtWindow, EveryChangeOfTheEditBoxRunsTheHandlerOnce) {
    Started s;
    QLineEdit* edit = s.controls().path;
    const std::string three = s.Source("three.dll", ModuleWithGroups(3));
    const std::string one = s.Source("one.dll", ModuleWithGroups(1));

    s.window->SetEditText(three);
    EXPECT_EQ(s.window->handler_runs, 1);
    EXPECT_EQ(s.window->windowTitle(), CountCaption(3));
    EXPECT_EQ(edit->selectedText(), Q(three));
    EXPECT_EQ(s.window->presenter().current_source_path(), three);

    // A paste replaces the selected path: one change.
    QGuiApplication::clipboard()->setText(Q(one));
    edit->setFocus();
    QTest::keySequence(edit, QKeySequence::Paste);
    EXPECT_EQ(s.window->handler_runs, 2);
    EXPECT_EQ(edit->text(), Q(one));
    EXPECT_EQ(s.window->windowTitle(), CountCaption(1));

    // Each key is a change; the user's keys keep the caret where it is, so typed text adds
    // up instead of replacing itself.
    QTest::keyClicks(edit, QStringLiteral("ab"));
    EXPECT_EQ(s.window->handler_runs, 4);
    EXPECT_EQ(edit->text(), Q(one) + QStringLiteral("ab"));
    EXPECT_EQ(s.window->windowTitle(), CountCaption(0));
    EXPECT_TRUE(s.window->balloon().isVisible());
    EXPECT_EQ(s.window->balloon().text(), Q(texts::kNoIconsFound).replace("\r\n", "\n"));
    EXPECT_GT(s.window->balloon().RemainingMs(), 0);
}

TEST(QtWindow, ExtractWritesTheIconsAndDeleteRemovesThemOnlyAfterYes) {
    Started s;
    QCursor::setPos(300, 200);
    s.window->SetEditText(s.Source("three.dll", ModuleWithGroups(3)));
    s.Click(s.controls().extract);
    for (int n = 1; n <= 3; ++n) EXPECT_TRUE(Exists(s.Icon(n))) << n;
    EXPECT_FALSE(Exists(s.Icon(4)));
    const BalloonTip& balloon = s.window->balloon();
    EXPECT_TRUE(balloon.isVisible());
    EXPECT_EQ(balloon.text(), Q(texts::kExtractSucceeded));
    EXPECT_EQ(balloon.tip(), QCursor::pos());
    EXPECT_EQ(balloon.RemainingMs(), -1);
    ExpectEveryTextFits(s.controls());
    SaveScreenshot(*s.window, "qt-window-after-extract.png");

    QStringList asked;
    for (const auto& [answer, kept] : {std::pair{QMessageBox::No, true}, {QMessageBox::Yes, false}}) {
        s.window->AnswerMessageBoxesWith([&, answer = answer](QMessageBox& box) {
            asked << box.windowTitle() + "|" + box.text();
            EXPECT_NE(box.button(QMessageBox::Yes), nullptr);
            EXPECT_NE(box.button(QMessageBox::No), nullptr);
            return answer;
        });
        s.Click(s.controls().delete_icons);
        for (int n = 1; n <= 3; ++n) EXPECT_EQ(Exists(s.Icon(n)), kept) << n;
    }
    EXPECT_EQ(asked, QStringList(2, Q(texts::kDefaultMessageCaption) + "|" + Q(texts::kDeleteConfirmation)));
    EXPECT_TRUE(s.window->presenter().last_extracted_path().empty());
}

TEST(QtWindow, APictureBecomesAnIconAndItsTemporaryFilesGoWithTheWindow) {
    Started s;
    s.Click(s.controls().sizes[0]);
    s.window->SetEditText(s.Source("red.bmp", RedSquareBmp(40)));
    s.Click(s.controls().extract);
    EXPECT_TRUE(Exists(s.Icon(1)));
    EXPECT_EQ(ReadWholeFile(s.Icon(1)).value_or(ByteBuffer{}).at(6), 16);  // the icon's width
    EXPECT_EQ(s.window->balloon().text(), Q(texts::kExtractSucceeded));
    const std::string letter = s.temporary + "p";
    EXPECT_TRUE(Exists(letter));
    EXPECT_TRUE(Exists(letter + ".bmp"));

    s.window->close();
    EXPECT_FALSE(Exists(letter));
    EXPECT_FALSE(Exists(letter + ".bmp"));
    EXPECT_TRUE(Exists(s.Icon(1)));
    EXPECT_FALSE(s.window->balloon().isVisible());
}

TEST(QtWindow, ABadPathAndTheAboutCommandShowTheirMessageBoxes) {
    Started s;
    s.window->SetEditText("no-dot-here");
    QStringList shown;
    s.window->AnswerMessageBoxesWith([&](QMessageBox& box) {
        shown << box.windowTitle() << box.text();
        EXPECT_EQ(box.icon(), QMessageBox::Critical);
        return QMessageBox::Ok;
    });
    s.Click(s.controls().extract);
    EXPECT_EQ(shown, (QStringList{Q(texts::kDefaultMessageCaption), Q(texts::kBadPath)}));

    // The about box for real: found among the top-level windows while it waits, and closed.
    s.window->AnswerMessageBoxesWith(nullptr);
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
    s.Click(s.controls().about);
    finder.stop();
    EXPECT_EQ(title, Q(texts::kAboutCaption));
    EXPECT_TRUE(text.endsWith(Q(texts::kAboutEnding).replace("\r\n", "\n"))) << text.toStdString();
    EXPECT_GT(text.size(), Q(texts::kAboutEnding).size() + 20);
}

TEST(QtWindow, TheFileDialogStartsOnTheDesktopWithTheLastChosenFile) {
    Started s;
    const std::string module = s.Source("three.dll", ModuleWithGroups(3));
    std::vector<std::optional<QString>> answers{Q(module), std::nullopt};
    QStringList seen_files, seen_folders;
    s.window->AnswerFileDialogsWith([&](QFileDialog& dialog) {
        seen_folders << dialog.directory().canonicalPath();
        EXPECT_EQ(dialog.nameFilters().size(), 5);
        // The dialog names the selected filter without its patterns.
        EXPECT_TRUE(dialog.nameFilters().front().startsWith(dialog.selectedNameFilter()));
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
        seen_files << dialog.selectedFiles().join(",");
        auto answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    });
    s.Click(s.controls().select_file);
    EXPECT_EQ(s.controls().path->text(), Q(module));
    EXPECT_EQ(s.window->windowTitle(), CountCaption(3));
    const int runs = s.window->handler_runs;
    s.Click(s.controls().select_file);  // cancelled: nothing changes
    EXPECT_EQ(s.window->handler_runs, runs);
    EXPECT_EQ(s.controls().path->text(), Q(module));
    // The desktop first; then the folder of the file chosen last, which stands selected.
    EXPECT_EQ(seen_folders, (QStringList{QDir(Q(s.desktop)).canonicalPath(), QDir(Q(s.root.File(""))).canonicalPath()}));
    ASSERT_EQ(seen_files.size(), 2);
    EXPECT_TRUE(seen_files[1].endsWith("three.dll")) << seen_files[1].toStdString();
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
    const QPointF over_edit = s.controls().path->geometry().center();
    for (const auto& drag : cases) {
        SCOPED_TRACE(drag.what);
        std::unique_ptr<QMimeData> owned(drag.mime);
        s.window->SetEditText("before");
        QDragEnterEvent enter(over_edit.toPoint(), drag.allowed, drag.mime, Qt::LeftButton, drag.keys);
        QApplication::sendEvent(window, &enter);
        EXPECT_EQ(enter.isAccepted(), drag.shown != Qt::IgnoreAction);
        if (!enter.isAccepted()) {
            QDragLeaveEvent leave;
            QApplication::sendEvent(window, &leave);
            EXPECT_EQ(s.controls().path->text(), QStringLiteral("before"));
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

TEST(QtWindow, ABalloonReplacesTheLastAndHidesByItselfOnlyWhenAsked) {
    Started s;
    BalloonTip& balloon = s.window->balloon();
    s.window->ShowBalloon(100, 120, "first", -1, true);
    EXPECT_GT(balloon.RemainingMs(), 4000);
    EXPECT_LE(balloon.RemainingMs(), BalloonTip::kLifetimeMs);
    s.window->ShowBalloon(400, 300, "second\r\nline", -1, false);
    EXPECT_TRUE(balloon.isVisible());
    EXPECT_EQ(balloon.text(), QStringLiteral("second\nline"));
    EXPECT_EQ(balloon.tip(), QPoint(400, 300));
    EXPECT_EQ(balloon.RemainingMs(), -1);
    // The pointer touches the point: the bubble starts at it, a little to its left.
    EXPECT_EQ(balloon.geometry().top(), 300);
    EXPECT_LT(balloon.geometry().left(), 400);
    EXPECT_GT(balloon.geometry().right(), 400);
    QTest::mouseClick(&balloon, Qt::LeftButton);
    EXPECT_FALSE(balloon.isVisible());
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
}

}  // namespace
}  // namespace icoforge
