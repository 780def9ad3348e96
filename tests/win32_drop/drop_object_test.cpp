#include "app/win32/drop_object.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/win32_drop/file_drop_data.h"

namespace icoforge {
namespace {

using test::MakeFileDropData;
using test::MakeTextDropData;
using test::TestDataObject;

using Raised = std::vector<std::pair<DropEvent, std::string>>;

constexpr DWORD kAnyEffect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
constexpr DropSettings kFilesOnly{false, false, false, true};

// OLE on this thread and a plain window to register, as the program has at start-up.
class DropObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        window_ = CreateWindowExW(0, L"STATIC", L"drop", WS_OVERLAPPEDWINDOW, 50, 50, 426, 154, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        // Wine makes no window without an X display; the tests then skip rather than fail.
        if (!window_) GTEST_SKIP() << "no window could be made (no display?), error " << GetLastError();
    }
    void TearDown() override {
        if (window_) DestroyWindow(window_);
        OleUninitialize();
    }

    DropEventSink Recorder() {
        return [this](DropEvent event, const std::string& text) { raised_.emplace_back(event, text); };
    }

    HWND window_ = nullptr;
    Raised raised_;
};

TEST_F(DropObjectTest, DragsAndDrops) {
    const std::vector<std::string> one = {"C:\\图标\\a b.dll"};
    const std::vector<std::string> three = {"C:\\x.exe", "Z:\\tmp\\图标.ico", "D:\\deep\\er\\y.png"};
    const std::string three_text = "C:\\x.exe\r\nZ:\\tmp\\图标.ico\r\nD:\\deep\\er\\y.png\r\n";
    struct Case {
        const char* what;
        ComPtr<TestDataObject> data;
        DropSettings settings;
        DWORD keys, allowed, effect;
        Raised raised;
    };
    Case cases[] = {
        {"one path", MakeFileDropData(one), kFilesOnly, 0, kAnyEffect, DROPEFFECT_COPY,
         {{DropEvent::kFilesDropped, one[0]}}},
        {"three paths", MakeFileDropData(three), kFilesOnly, 0, kAnyEffect, DROPEFFECT_COPY,
         {{DropEvent::kFilesDropped, three_text}}},
        {"shift moves", MakeFileDropData(one), kFilesOnly, MK_SHIFT | MK_LBUTTON, kAnyEffect, DROPEFFECT_MOVE,
         {{DropEvent::kFilesDropped, one[0]}}},
        {"ctrl copies", MakeFileDropData(three), kFilesOnly, MK_CONTROL, kAnyEffect, DROPEFFECT_COPY,
         {{DropEvent::kFilesDropped, three_text}}},
        {"ctrl+shift refused", MakeFileDropData(one), kFilesOnly, MK_CONTROL | MK_SHIFT, kAnyEffect,
         DROPEFFECT_NONE, {}},
        {"shift, move not allowed", MakeFileDropData(one), kFilesOnly, MK_SHIFT, DROPEFFECT_COPY, DROPEFFECT_NONE,
         {}},
        {"no keys, move or link", MakeFileDropData(one), kFilesOnly, 0, DROPEFFECT_MOVE | DROPEFFECT_LINK,
         DROPEFFECT_MOVE, {{DropEvent::kFilesDropped, one[0]}}},
        {"no keys, link only", MakeFileDropData(one), kFilesOnly, 0, DROPEFFECT_LINK, DROPEFFECT_LINK,
         {{DropEvent::kFilesDropped, one[0]}}},
        {"nothing allowed", MakeFileDropData(one), kFilesOnly, 0, DROPEFFECT_NONE, DROPEFFECT_NONE, {}},
        {"text only, files wanted", MakeTextDropData("selected words"), kFilesOnly, 0, kAnyEffect, DROPEFFECT_NONE,
         {}},
        {"text wanted", MakeTextDropData("selected words"), {true, false, false, false}, 0, kAnyEffect,
         DROPEFFECT_COPY, {{DropEvent::kTextDropped, "selected words"}}},
        {"files, text wanted", MakeFileDropData(one), {true, false, false, false}, 0, kAnyEffect, DROPEFFECT_NONE,
         {}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        raised_.clear();
        DropObject drop(window_, c.settings, Recorder());
        ASSERT_TRUE(drop.RegisterDropWindow(window_));  // as the program does; drag images on
        IDropTarget* target = drop.target();
        ASSERT_NE(target, nullptr);
        const POINTL at{60, 70};

        DWORD effect = c.allowed;
        EXPECT_EQ(target->DragEnter(c.data.get(), c.keys, at, &effect), S_OK);
        EXPECT_EQ(effect, c.effect);
        effect = c.allowed;
        EXPECT_EQ(target->DragOver(c.keys, at, &effect), S_OK);
        EXPECT_EQ(effect, c.effect);
        effect = c.allowed;
        EXPECT_EQ(target->Drop(c.data.get(), c.keys, at, &effect), E_FAIL);  // whatever was raised
        EXPECT_EQ(effect, c.effect);

        EXPECT_EQ(raised_, c.raised);
        EXPECT_EQ(c.data->deliveries(), c.raised.empty() ? 0 : 1);
        EXPECT_EQ(c.data->references(), 1) << "a medium was not released, or the data object was kept";
    }
}

TEST_F(DropObjectTest, LeavingEndsTheDrag) {
    DropObject drop(window_, kFilesOnly, Recorder());
    const auto data = MakeFileDropData({"C:\\a.dll"});
    DWORD effect = kAnyEffect;
    drop.target()->DragEnter(data.get(), 0, {}, &effect);
    ASSERT_EQ(effect, DWORD{DROPEFFECT_COPY});
    EXPECT_EQ(drop.target()->DragLeave(), S_OK);
    effect = kAnyEffect;
    EXPECT_EQ(drop.target()->DragOver(0, {}, &effect), S_OK);
    EXPECT_EQ(effect, DWORD{DROPEFFECT_NONE});
    effect = kAnyEffect;
    EXPECT_EQ(drop.target()->Drop(data.get(), 0, {}, &effect), E_FAIL);
    EXPECT_EQ(effect, DWORD{DROPEFFECT_NONE});
    EXPECT_TRUE(raised_.empty());
    EXPECT_EQ(drop.target()->DragEnter(data.get(), 0, {}, nullptr), E_INVALIDARG);
}

TEST_F(DropObjectTest, AnswersOnlyForItsInterfaces) {
    DropObject drop(window_, kFilesOnly, Recorder());
    IDropTarget* target = drop.target();
    struct Case {
        const IID* id;
        HRESULT answer;
    };
    const Case cases[] = {{&IID_IUnknown, S_OK},         {&IID_IDropTarget, S_OK},   {&IID_IDataObject, E_NOINTERFACE},
                          {&IID_IDropSource, E_NOINTERFACE}, {&IID_IClassFactory, E_NOINTERFACE}};
    for (const auto& c : cases) {
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(target->QueryInterface(*c.id, &object), c.answer);
        if (c.answer == S_OK) {
            EXPECT_EQ(object, static_cast<void*>(target));  // one object behind both
            EXPECT_EQ(target->Release(), 1u);
        } else {
            EXPECT_EQ(object, nullptr);
        }
    }
    EXPECT_EQ(target->AddRef(), 2u);  // made with one reference, held by the drop object
    EXPECT_EQ(target->AddRef(), 3u);
    EXPECT_EQ(target->Release(), 2u);
    EXPECT_EQ(target->Release(), 1u);
}

TEST_F(DropObjectTest, RegistersOnceAndRevokesOnDestruction) {
    DropObject spare(nullptr, kFilesOnly, Recorder());  // a second target, registered by hand
    {
        DropObject drop(window_, kFilesOnly, Recorder());
        EXPECT_TRUE(drop.RegisterDropWindow(window_));
        EXPECT_FALSE(drop.RegisterDropWindow(window_));
        EXPECT_EQ(RegisterDragDrop(window_, spare.target()), DRAGDROP_E_ALREADYREGISTERED);
    }
    EXPECT_EQ(RegisterDragDrop(window_, spare.target()), S_OK) << "the registration outlived its drop object";
    EXPECT_EQ(RevokeDragDrop(window_), S_OK);
}

TEST_F(DropObjectTest, AFailedRegistrationIsNotTriedAgain) {
    DropObject drop(window_, kFilesOnly, Recorder());
    EXPECT_FALSE(drop.RegisterDropWindow(nullptr));
    EXPECT_FALSE(drop.RegisterDropWindow(window_));
    DropObject spare(nullptr, kFilesOnly, Recorder());
    EXPECT_EQ(RegisterDragDrop(window_, spare.target()), S_OK) << "the window was registered after all";
    EXPECT_EQ(RevokeDragDrop(window_), S_OK);
}

}  // namespace
}  // namespace icoforge
