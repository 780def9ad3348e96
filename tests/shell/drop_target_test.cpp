#include "shell/drop_target.h"

#include <gtest/gtest.h>

#include <map>

namespace icoforge {
namespace {

constexpr std::uint32_t kAll = kDropEffectCopy | kDropEffectMove | kDropEffectLink;

TEST(ChooseDropEffect, KeysAndAllowedEffects) {
    struct Case {
        std::uint32_t keys, allowed, effect;
    };
    const Case cases[] = {
        {0, kAll, kDropEffectCopy},
        {0, kDropEffectMove | kDropEffectLink, kDropEffectMove},
        {0, kDropEffectLink, kDropEffectLink},  // without keys a link is accepted
        {0, 0, kDropEffectNone},
        {kKeyControl, kAll, kDropEffectCopy},
        {kKeyControl, kDropEffectMove, kDropEffectNone},
        {kKeyShift, kAll, kDropEffectMove},
        {kKeyShift, kDropEffectCopy, kDropEffectNone},
        {kKeyControl | kKeyShift, kAll, kDropEffectNone},  // a link asked for is refused
        {kKeyControl | kKeyShift, kDropEffectLink, kDropEffectNone},
        {0x0001 /* left button */, kAll, kDropEffectCopy},
    };
    for (const auto& c : cases) {
        const DropChoice choice = ChooseDropEffect(true, c.keys, c.allowed);
        EXPECT_EQ(choice.effect, c.effect) << c.keys << "/" << c.allowed;
        EXPECT_EQ(choice.accepted, c.effect != kDropEffectNone);
    }
    const DropChoice refused = ChooseDropEffect(false, 0, kAll);
    EXPECT_EQ(refused.effect, kDropEffectNone);
    EXPECT_FALSE(refused.accepted);
}

TEST(FilesDroppedText, OneAloneSeveralEachWithLineEnd) {
    EXPECT_EQ(FilesDroppedText({"C:\\a.png"}), "C:\\a.png");
    EXPECT_EQ(FilesDroppedText({"C:\\a", "C:\\b", "C:\\c"}), "C:\\a\r\nC:\\b\r\nC:\\c\r\n");
    EXPECT_EQ(FilesDroppedText({}), "");
    EXPECT_EQ(HtmlDroppedText("a\xC2\xA0" "b\xC2\xA0\xC2\xA0\xC3\xA9"), "a b  \xC3\xA9");
}

TEST(DropSettings, BlockOfFiveValues) {
    const DropSettings files_only{false, false, false, true};
    const ByteBuffer block = WriteDropSettings(files_only);
    EXPECT_EQ(block, (ByteBuffer{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(ReadDropSettings(block), files_only);
    ByteBuffer version0 = {0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(ReadDropSettings(version0), (DropSettings{true, false, true, false}));
    ByteBuffer version2 = block;
    version2[0] = 2;
    EXPECT_FALSE(ReadDropSettings(version2));
    EXPECT_FALSE(ReadDropSettings(ByteView(block).first(19)));
    EXPECT_EQ(ReadDropSettings({}), DropSettings{});  // no block: every switch off
}

// A data object with chosen formats and contents; records what was asked.
class FakeData : public DropData {
public:
    std::map<DropKind, std::string> texts;
    std::optional<std::vector<std::string>> files;
    mutable std::vector<DropKind> asked;

    bool Offers(DropKind kind) const override {
        asked.push_back(kind);
        return kind == DropKind::kFiles ? files.has_value() : texts.count(kind) != 0;
    }
    std::optional<std::string> Text(DropKind kind) const override {
        const auto it = texts.find(kind);
        return it == texts.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    std::optional<std::vector<std::string>> Files() const override { return files; }
};

using Raised = std::vector<std::pair<DropEvent, std::string>>;

DropEventSink Recorder(Raised& raised) {
    return [&raised](DropEvent event, const std::string& text) { raised.emplace_back(event, text); };
}

TEST(DropTarget, FilesDropRaisesOneEvent) {
    DropTargetState target(DropSettings{false, false, false, true});
    FakeData data;
    data.files = std::vector<std::string>{"C:\\one.png", "C:\\two.exe", "C:\\three.ico"};
    EXPECT_EQ(target.DragEnter(data, kKeyShift, kAll).effect, kDropEffectMove);
    EXPECT_EQ(target.DragOver(kKeyControl | kKeyShift, kAll).effect, kDropEffectNone);
    Raised raised;
    const DropChoice choice = target.Drop(data, kKeyShift, kAll, Recorder(raised));
    EXPECT_EQ(choice.effect, kDropEffectMove);
    ASSERT_EQ(raised.size(), 1u);
    EXPECT_EQ(raised[0].first, DropEvent::kFilesDropped);
    EXPECT_EQ(raised[0].second, "C:\\one.png\r\nC:\\two.exe\r\nC:\\three.ico\r\n");
    // Ctrl+Shift held at the drop: refused, nothing raised.
    raised.clear();
    EXPECT_FALSE(target.Drop(data, kKeyControl | kKeyShift, kAll, Recorder(raised)).accepted);
    EXPECT_TRUE(raised.empty());
}

TEST(DropTarget, TextOverAFilesOnlyWindowIsRefused) {
    DropTargetState target(DropSettings{false, false, false, true});
    FakeData data;
    data.texts[DropKind::kText] = "selected text";
    EXPECT_FALSE(target.DragEnter(data, 0, kAll).accepted);
    EXPECT_EQ(data.asked, std::vector<DropKind>{DropKind::kFiles});
    Raised raised;
    EXPECT_FALSE(target.Drop(data, 0, kAll, Recorder(raised)).accepted);
    EXPECT_TRUE(raised.empty());
}

TEST(DropTarget, KindsAreAskedInOrderUntilOneAnswersAndLeaveEndsTheDrag) {
    DropTargetState target(DropSettings{true, true, true, true});
    FakeData data;
    data.files = std::vector<std::string>{"C:\\x"};
    EXPECT_TRUE(target.DragEnter(data, 0, kAll).accepted);
    EXPECT_EQ(data.asked, (std::vector<DropKind>{DropKind::kText, DropKind::kFiles}));
    target.DragLeave();
    EXPECT_FALSE(target.accepting());
    EXPECT_FALSE(target.DragOver(0, kAll).accepted);
    // Every switch off: nothing is asked and nothing accepted.
    DropTargetState off;
    FakeData any;
    any.files = std::vector<std::string>{"C:\\x"};
    EXPECT_FALSE(off.DragEnter(any, 0, kAll).accepted);
    EXPECT_TRUE(any.asked.empty());
}

TEST(DropTarget, EventOrderAndTheHtmlRule) {
    FakeData data;
    data.texts[DropKind::kText] = "plain";
    data.texts[DropKind::kHtml] = "<b>rich\xC2\xA0text</b>";
    data.texts[DropKind::kUrl] = "https://example.org/";
    data.files = std::vector<std::string>{"C:\\one"};
    Raised raised;
    DropTargetState all(DropSettings{true, true, true, true});
    all.DragEnter(data, 0, kAll);
    all.Drop(data, 0, kAll, Recorder(raised));
    // HTML delivered and wanted: the text event would repeat it and is left out.
    EXPECT_EQ(raised, (Raised{{DropEvent::kHtmlDropped, "<b>rich text</b>"},
                              {DropEvent::kUrlDropped, "https://example.org/"},
                              {DropEvent::kFilesDropped, "C:\\one"}}));
    // HTML delivered but not wanted: the plain text is still raised.
    raised.clear();
    DropTargetState text_only(DropSettings{true, false, false, false});
    text_only.DragEnter(data, 0, kAll);
    text_only.Drop(data, 0, kAll, Recorder(raised));
    EXPECT_EQ(raised, (Raised{{DropEvent::kTextDropped, "plain"}}));
    // An empty file list raises an empty text.
    raised.clear();
    FakeData empty_list;
    empty_list.files = std::vector<std::string>{};
    DropTargetState files(DropSettings{false, false, false, true});
    files.DragEnter(empty_list, 0, kAll);
    files.Drop(empty_list, 0, kAll, Recorder(raised));
    EXPECT_EQ(raised, (Raised{{DropEvent::kFilesDropped, ""}}));
}

TEST(DropRegistration, OnlyTheFirstCallRegisters) {
    DropRegistration registration;
    int calls = 0;
    const auto fails = [&calls](std::uintptr_t) { ++calls; return false; };
    EXPECT_FALSE(registration.Register(0x1234, fails));
    EXPECT_EQ(registration.window(), 0x1234u);
    // A failed registration is not tried again.
    EXPECT_FALSE(registration.Register(0x1234, [&calls](std::uintptr_t) { ++calls; return true; }));
    EXPECT_EQ(calls, 1);
    DropRegistration fresh;
    EXPECT_TRUE(fresh.Register(0x99, [](std::uintptr_t) { return true; }));
    EXPECT_FALSE(fresh.Register(0x99, [](std::uintptr_t) { return true; }));
}

}  // namespace
}  // namespace icoforge
