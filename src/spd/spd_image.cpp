// SPDX-License-Identifier: GPL-3.0-or-later
#include "spd/spd_image.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>

#include "hw/hardware_access.h"
#include "os/bounded_file.h"
#include "spd/spd_ddr45.h"
#include "spd/spd_reader.h"

namespace zm::spd {
namespace {

constexpr std::size_t kDumpRowBytes = 16;

bool IsText(std::string_view content) {
    return std::all_of(content.begin(), content.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u == '\t' || u == '\n' || u == '\r' || (u >= 0x20 && u < 0x7F);
    });
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<unsigned> HexNumber(std::string_view text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

std::string HexOffset(std::size_t offset) {
    std::ostringstream text;
    text << "0x" << std::hex << offset;
    return text.str();
}

// The rows of an i2cdump: "<offset>: " and up to sixteen two-digit bytes or "XX"; what follows
// them on the line (the bytes as characters) is not read. Lines without "<hex>:" at their start
// (the header row of column numbers, blank lines, a shell prompt) are skipped. Nullopt when no
// line is a dump row.
std::optional<SpdImageLoad> ParseI2cDump(std::string_view content) {
    SpdImage image;
    image.format = "i2cdump";
    bool anyRow = false;
    bool ended = false;  // a missing or unreadable byte was met: nothing after it counts
    std::istringstream lines{std::string(content)};
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string label = line.substr(0, colon);
        label.erase(0, label.find_first_not_of(" \t"));
        const auto offset = HexNumber(label);
        if (!offset) continue;
        anyRow = true;
        if (ended) continue;
        if (*offset != image.bytes.size()) {
            if (*offset < image.bytes.size())
                return SpdImageLoad{std::nullopt, "hex dump row " + HexOffset(*offset) +
                                                      " repeats bytes already read"};
            ended = true;  // a row is missing: the image ends where the rows stop
            continue;
        }
        std::istringstream fields(line.substr(colon + 1));
        std::string field;
        for (std::size_t i = 0; i < kDumpRowBytes && fields >> field; ++i) {
            const auto value = field.size() == 2 ? HexNumber(field) : std::nullopt;
            if (!value) {
                ended = true;  // "XX": that byte was not read
                break;
            }
            image.bytes.push_back(static_cast<std::uint8_t>(*value));
        }
        if (image.bytes.size() % kDumpRowBytes != 0) ended = true;
        if (image.bytes.size() > kLargestDdr5Image)
            return SpdImageLoad{std::nullopt, "hex dump holds more than 1024 bytes"};
    }
    if (!anyRow) return std::nullopt;
    if (image.bytes.empty()) return SpdImageLoad{std::nullopt, "hex dump holds no readable byte"};
    return SpdImageLoad{std::move(image), ""};
}

bool IsDdr5(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() > kSpdMemoryType && bytes[kSpdMemoryType] == kSpdTypeDdr5;
}

// An image that ends before byte 2 does not even say what kind of memory it describes; one
// longer than 512 bytes must be a DDR5 module's, no longer than its 1,024.
SpdImageLoad HoldsMemoryType(SpdImageLoad load) {
    if (!load.image) return load;
    const std::vector<std::uint8_t>& bytes = load.image->bytes;
    const std::string size = std::to_string(bytes.size()) + " bytes";
    if (bytes.size() <= kSpdMemoryType)
        return {std::nullopt, size + ": ends before the memory type (byte 2)"};
    if (bytes.size() > kLargestSpdImage && !IsDdr5(bytes))
        return {std::nullopt, size + ": longer than any SPD EEPROM but a DDR5 one (512 bytes)"};
    return load;
}

}  // namespace

SpdImageLoad ParseSpdImage(std::string_view content) {
    if (content.empty()) return {std::nullopt, "the file is empty"};
    if (IsText(content))
        if (auto dump = ParseI2cDump(content)) return HoldsMemoryType(std::move(*dump));
    const bool ddr5 = content.size() > kSpdMemoryType &&
                      static_cast<std::uint8_t>(content[kSpdMemoryType]) == kSpdTypeDdr5;
    if (content.size() > (ddr5 ? kLargestDdr5Image : kLargestSpdImage))
        return {std::nullopt, std::to_string(content.size()) +
                                  " bytes: longer than any SPD EEPROM (" + (ddr5 ? "1024" : "512") +
                                  " bytes)"};
    SpdImage image;
    image.format = "binary";
    image.bytes.assign(content.begin(), content.end());
    return HoldsMemoryType({std::move(image), ""});
}

SpdImageLoad ReadSpdImageFile(const std::string& path) {
    // A dump's text is longer than its bytes, so a file is read whole up to a sane limit; only a
    // regular file is read, so a FIFO or a device named on the command line cannot block or
    // flood the program.
    constexpr std::uint64_t kLargestDumpText = 64 * 1024;
    os::BoundedRead file = os::ReadRegularFile(path, kLargestDumpText);
    if (!file.error.empty()) return {std::nullopt, "cannot be read: " + file.error};
    return ParseSpdImage(file.bytes);
}

std::string ImageExtentText(const SpdImage& image) {
    const std::size_t size = image.bytes.size();
    std::size_t reachable = kSpdReachableBytes;
    if (size > kSpdMemoryType && image.bytes[kSpdMemoryType] == kSpdTypeDdr4) reachable = 512;
    if (IsDdr5(image.bytes)) reachable = kLargestDdr5Image;
    std::string text = std::to_string(size) + " bytes";
    if (size < reachable)
        text +=
            ": ends after byte " + std::to_string(size - 1) + ", fields past it are not decoded";
    return text;
}

SpdModuleType DecodeImage(const SpdImage& image, SpdView& view, char decimalSeparator) {
    ClearForNextModule(view);
    SpdDecodeOptions options;
    options.decimalSeparator = decimalSeparator;
    options.bytesHeld =
        static_cast<unsigned>(std::min<std::size_t>(image.bytes.size(), kSpdReachableBytes));
    // A byte past the end is never asked for by a field that is decoded; should one be, it
    // reads as a transaction no device answered.
    const SpdByteSource read = [&image](std::uint8_t offset) {
        return offset < image.bytes.size() ? int{image.bytes[offset]}
                                           : hw::smbus::kTransactionError;
    };
    return DecodeModule(read, view, options);
}

SpdSlotReport DecodeImageReport(const SpdImage& image, char decimalSeparator) {
    if (image.bytes.size() > kSpdMemoryType) {
        if (image.bytes[kSpdMemoryType] == kSpdTypeDdr4)
            return DecodeDdr4(image.bytes, decimalSeparator);
        if (image.bytes[kSpdMemoryType] == kSpdTypeDdr5)
            return DecodeDdr5(image.bytes, decimalSeparator);
    }
    SpdView view;
    const SpdModuleType type = DecodeImage(image, view, decimalSeparator);
    return ReportOf(0, view, type);
}

}  // namespace zm::spd
