#pragma once
// A device-independent bitmap loaded from the bytes of a BMP file, read pixel by pixel.
// Failures never leave an operation as an exception: each one reports by its result and
// keeps the reason in LastErrorText.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "common/bytes.h"
#include "platform/device_bitmap.h"

namespace icoforge {

// Red in bits 0-7, green in bits 8-15, blue in bits 16-23; bits 24-31 are zero.
using ColourValue = std::uint32_t;

inline constexpr ColourValue kWhite = 0x00FFFFFF;

constexpr ColourValue MakeColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<ColourValue>(red) | (static_cast<ColourValue>(green) << 8) |
           (static_cast<ColourValue>(blue) << 16);
}
constexpr std::uint8_t RedOf(ColourValue c) { return static_cast<std::uint8_t>(c); }
constexpr std::uint8_t GreenOf(ColourValue c) { return static_cast<std::uint8_t>(c >> 8); }
constexpr std::uint8_t BlueOf(ColourValue c) { return static_cast<std::uint8_t>(c >> 16); }

// The reason a bitmap operation failed. The text lives inside the object, so throwing
// and copying never allocate.
class CDIBException : public std::exception {
public:
    static constexpr std::size_t kMaxMessageBytes = 255;

    explicit CDIBException(std::string_view message) noexcept;
    const char* what() const noexcept override { return message_; }

private:
    char message_[kMaxMessageBytes + 1];
};

struct BoundsRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// Failure texts, as LastErrorText holds them.
inline constexpr std::string_view kUnsupportedBitmapText = "不被支持的位图数据或无法识别的文件格式";
inline constexpr std::string_view kNoBitmapText = "位图尚未创建，没有可用数据";
inline constexpr std::string_view kPixelOutOfRangeText = "像素点坐标越界";

class Bitmap {
public:
    // Room for the longest error text is taken up front, so that recording a failure
    // cannot itself fail.
    Bitmap() { last_error_.reserve(CDIBException::kMaxMessageBytes); }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // True when the bytes of a BMP file were loaded. A failed load leaves no image, even
    // when an earlier load had succeeded.
    bool LoadData(ByteView file);

    // As the info header stores them (a negative height marks a top-down bitmap); -1
    // without an image.
    std::int32_t GetWidth();
    std::int32_t GetHeight();

    // The colour of column x, row y counted from the top; 0 when there is no image or the
    // pixel lies outside the picture. Reads through ReadPixel's virtual slot.
    ColourValue GetPixelColour(std::int32_t x, std::int32_t y);

    // Empty after an operation that succeeded.
    const std::string& LastErrorText() const { return last_error_; }

    // The three virtual operations keep this slot order: ReadPixel, the bounds, the
    // device-dependent copy. The destructor follows them.
protected:
    // Throws CDIBException; GetPixelColour is the boundary that catches it.
    virtual ColourValue ReadPixel(std::int32_t x, std::int32_t y) const;

public:
    // Left 0, top 0, right the width, bottom the height; all zero without an image.
    virtual BoundsRect Bounds() const;
    // A device bitmap made from the image for `context`; invalid without an image or
    // when the device refuses it.
    virtual DeviceBitmap CreateDeviceCopy(DeviceContext context);

    virtual ~Bitmap() = default;

private:
    struct Image {
        // 40-byte info header, colour table (4 bytes an entry), pixel rows bottom up.
        ByteBuffer block;
        std::int32_t width = 0;
        std::int32_t height = 0;
        std::uint16_t bit_count = 0;
        std::uint64_t colour_count = 0;
        std::uint64_t stride = 0;
    };
    static Image Parse(ByteView file);  // throws CDIBException
    // The image, or the failure of having none.
    const Image& Loaded() const;
    // The boundary of every public operation: a fresh error text, and a failure recorded
    // and answered with `failed`.
    template <typename T, typename Operation>
    T Guarded(T failed, Operation operation) {
        last_error_.clear();
        try {
            return operation();
        } catch (const CDIBException& failure) {
            Fail(failure);
            return failed;
        }
    }

    ByteView ColourTable() const;
    ByteView Pixels() const;
    void Fail(const CDIBException& failure);

    std::optional<Image> image_;
    std::string last_error_;
};

}  // namespace icoforge
