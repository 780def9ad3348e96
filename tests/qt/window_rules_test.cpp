// The rules of the window that need no window: the file dialog's filters and the message
// boxes built from a style.

#include <gtest/gtest.h>

#include <QPushButton>

#include "app/commands/texts.h"
#include "app/qt/file_filter.h"
#include "app/qt/message_box.h"
#include "tests/qt/qt_printers.h"

namespace icoforge {
namespace {

TEST(QtFileFilter, PairsBecomeQtNameFiltersWithSpacedPatterns) {
    struct Case {
        std::string filter;
        std::vector<std::string> expected;
    } cases[] = {
        {"Text|*.txt||", {"Text (*.txt)"}},
        {"Pictures (*.bmp;*.jpg)|*.bmp;*.jpg|All|*.*||", {"Pictures (*.bmp;*.jpg) (*.bmp *.jpg)", "All (*.*)"}},
        {"A|*.a", {"A (*.a)"}},                       // no end mark
        {"A|*.a;;*.b;|B||C|*.c", {"A (*.a *.b)"}},    // empty patterns skipped; "||" ends the list
        {"A|;|B|*.b||", {"B (*.b)"}},                // separators alone are no patterns
        {"Nothing||", {}},                            // a description without patterns
        {"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(NameFiltersOf(c.filter), c.expected);
    }
    // The program's own filter: five choices, the pictures with their five patterns.
    const auto filters = NameFiltersOf(std::string(texts::kOpenFileFilter) + "||");
    ASSERT_EQ(filters.size(), 5u);
    EXPECT_TRUE(filters[3].ends_with(" (*.bmp *.jpg *.jpeg *.gif *.ico)")) << filters[3];
    EXPECT_EQ(filters[4], "所有文件(*.*) (*.*)");

    for (const auto& [index, count, selected] : {std::tuple{1, 5u, 0u}, {5, 5u, 4u}, {6, 5u, 0u}, {0, 5u, 0u}, {-3, 2u, 0u}})
        EXPECT_EQ(SelectedNameFilter(index, count), selected) << index;
}

TEST(QtMessageBox, StyleChoosesButtonsIconAndTheNumberReported) {
    using B = QMessageBox::StandardButton;
    struct Case {
        std::int32_t style;
        std::vector<B> buttons;
        QMessageBox::Icon icon;
    } cases[] = {
        {0x2000, {B::Ok}, QMessageBox::NoIcon},
        {0x2001 | 0x20, {B::Ok, B::Cancel}, QMessageBox::Question},
        {0x2002 | 0x30, {B::Abort, B::Retry, B::Ignore}, QMessageBox::Warning},
        {0x2003 | 0x40, {B::Yes, B::No, B::Cancel}, QMessageBox::Information},
        {0x2004, {B::Yes, B::No}, QMessageBox::NoIcon},
        {0x1005 | 0x10, {B::Retry, B::Cancel}, QMessageBox::Critical},
        {0x2009, {B::Ok}, QMessageBox::NoIcon},  // a button set Windows does not know
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        const auto box = BuildMessageBox("line one\r\nline two", c.style, "信息：");
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
        EXPECT_EQ(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint), (c.style & 0x1000) != 0);
    }

    const std::pair<B, MessageBoxButton> numbers[] = {
        {B::Ok, MessageBoxButton::Ok},       {B::Cancel, MessageBoxButton::Cancel}, {B::Abort, MessageBoxButton::Abort},
        {B::Retry, MessageBoxButton::Retry}, {B::Ignore, MessageBoxButton::Ignore}, {B::Yes, MessageBoxButton::Yes},
        {B::No, MessageBoxButton::No},       {B::NoButton, MessageBoxButton::Ok},   {B::Help, MessageBoxButton::Ok},
    };
    for (const auto& [button, number] : numbers) EXPECT_EQ(ButtonPressed(button), number) << button;
}

}  // namespace
}  // namespace icoforge
