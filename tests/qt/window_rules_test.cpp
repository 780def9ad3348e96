// The rules of the window that need no window: the file dialog's name filters and the
// message boxes built from a kind of message.

#include <gtest/gtest.h>

#include <QPushButton>

#include "app/commands/texts.h"
#include "app/qt/dialogs.h"
#include "tests/qt/qt_printers.h"

namespace icoforge {
namespace {

TEST(QtFileFilter, EachChoiceBecomesANameFilterWithSpacedPatterns) {
    constexpr std::string_view kText[] = {"*.txt"};
    constexpr std::string_view kPictures[] = {"*.bmp", "*.jpg"};
    const FileFilter filters[] = {{"Text", kText}, {"Pictures (*.bmp;*.jpg)", kPictures}, {"Nothing", {}}};
    // A choice without patterns is left out: Qt would read its label as one.
    EXPECT_EQ(NameFiltersOf(filters), (QStringList{"Text (*.txt)", "Pictures (*.bmp;*.jpg) (*.bmp *.jpg)"}));
    EXPECT_TRUE(NameFiltersOf({}).isEmpty());
    // The program's own: five choices, the pictures with their five patterns.
    const QStringList own = NameFiltersOf(texts::kOpenFileFilters);
    ASSERT_EQ(own.size(), 5);
    EXPECT_TRUE(own[3].endsWith(" (*.bmp *.jpg *.jpeg *.gif *.ico)")) << own[3].toStdString();
    EXPECT_EQ(own[4], QStringLiteral("所有文件(*.*) (*.*)"));
}

TEST(QtMessageBox, TheKindChoosesButtonsAndIconAndTheButtonTheAnswer) {
    using B = QMessageBox::StandardButton;
    const struct {
        MessageKind kind;
        std::vector<B> buttons;  // the default first
        QMessageBox::Icon icon;
    } cases[] = {
        {MessageKind::kInformation, {B::Ok}, QMessageBox::NoIcon},
        {MessageKind::kError, {B::Ok}, QMessageBox::Critical},
        {MessageKind::kConfirmation, {B::Yes, B::No}, QMessageBox::NoIcon},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        const auto box = BuildMessageBox({c.kind, "line one\r\nline two", "信息："});
        std::vector<B> shown;
        for (QAbstractButton* button : box->buttons()) shown.push_back(box->standardButton(button));
        std::sort(shown.begin(), shown.end());
        std::vector<B> expected = c.buttons;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(box->defaultButton(), box->button(c.buttons.front()));
        EXPECT_EQ(box->icon(), c.icon);
        EXPECT_EQ(box->text(), QStringLiteral("line one\nline two"));
        EXPECT_EQ(box->windowTitle(), QStringLiteral("信息："));
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    }
    const std::pair<B, MessageAnswer> answers[] = {
        {B::Ok, MessageAnswer::kOk},      {B::Yes, MessageAnswer::kYes},  {B::No, MessageAnswer::kNo},
        {B::NoButton, MessageAnswer::kOk}, {B::Cancel, MessageAnswer::kOk},
    };
    for (const auto& [button, answer] : answers) EXPECT_EQ(AnswerOf(button), answer) << button;
}

}  // namespace
}  // namespace icoforge
