// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/protocol.h"

#include <unistd.h>

#include <cerrno>

namespace zm::hw::helper {
namespace {

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::read(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

Writer& Writer::U8(std::uint8_t v) {
    bytes_.push_back(v);
    return *this;
}
Writer& Writer::U16(std::uint16_t v) {
    return U8(static_cast<std::uint8_t>(v)).U8(v >> 8);
}
Writer& Writer::U32(std::uint32_t v) {
    return U16(static_cast<std::uint16_t>(v)).U16(static_cast<std::uint16_t>(v >> 16));
}
Writer& Writer::U64(std::uint64_t v) {
    return U32(static_cast<std::uint32_t>(v)).U32(static_cast<std::uint32_t>(v >> 32));
}
Writer& Writer::Bytes(const std::uint8_t* data, std::size_t size) {
    bytes_.insert(bytes_.end(), data, data + size);
    return *this;
}
Writer& Writer::Str(const std::string& s) {
    const std::size_t size = s.size() < 0xFFFF ? s.size() : 0xFFFF;
    U16(static_cast<std::uint16_t>(size));
    return Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), size);
}

bool Reader::Take(std::size_t n) {
    if (!ok_ || bytes_.size() - at_ < n) {
        ok_ = false;
        return false;
    }
    return true;
}
std::uint8_t Reader::U8() {
    return Take(1) ? bytes_[at_++] : 0;
}
std::uint16_t Reader::U16() {
    if (!Take(2)) return 0;
    const std::uint16_t lo = U8();
    return static_cast<std::uint16_t>(lo | (U8() << 8));
}
std::uint32_t Reader::U32() {
    if (!Take(4)) return 0;
    const std::uint32_t lo = U16();
    return lo | (std::uint32_t{U16()} << 16);
}
std::uint64_t Reader::U64() {
    if (!Take(8)) return 0;
    const std::uint64_t lo = U32();
    return lo | (std::uint64_t{U32()} << 32);
}
std::vector<std::uint8_t> Reader::Bytes(std::size_t size) {
    if (!Take(size)) return {};
    std::vector<std::uint8_t> out(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                                  bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + size));
    at_ += size;
    return out;
}
std::string Reader::Str() {
    const std::vector<std::uint8_t> raw = Bytes(U16());
    return std::string(raw.begin(), raw.end());
}

bool SendFrame(int fd, const std::vector<std::uint8_t>& payload) {
    if (payload.size() > kMaxPayload) return false;
    const auto size = static_cast<std::uint32_t>(payload.size());
    // Length and payload in one write: the peer wakes once per frame, not once for each part.
    std::vector<std::uint8_t> frame = {
        static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
        static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    return WriteAll(fd, frame.data(), frame.size());
}

std::optional<std::vector<std::uint8_t>> ReceiveFrame(int fd) {
    std::uint8_t length[4];
    if (!ReadAll(fd, length, 4)) return std::nullopt;
    const std::uint32_t size =
        length[0] | (length[1] << 8) | (length[2] << 16) | (std::uint32_t{length[3]} << 24);
    if (size > kMaxPayload) return std::nullopt;
    std::vector<std::uint8_t> payload(size);
    if (!ReadAll(fd, payload.data(), size)) return std::nullopt;
    return payload;
}

const char* OpName(Op op) {
    switch (op) {
        case Op::Hello:
            return "Hello";
        case Op::Initialize:
            return "Initialize";
        case Op::Deinitialize:
            return "Deinitialize";
        case Op::PciRead:
            return "PciRead";
        case Op::PciWrite:
            return "PciWrite";
        case Op::PciWriteByte:
            return "PciWriteByte";
        case Op::MsrRead:
            return "MsrRead";
        case Op::MsrWrite:
            return "MsrWrite";
        case Op::ReadTsc:
            return "ReadTsc";
        case Op::PhysRead:
            return "PhysRead";
        case Op::PhysWrite:
            return "PhysWrite";
        case Op::IndexedRead:
            return "IndexedRead";
        case Op::IndexedWrite:
            return "IndexedWrite";
        case Op::SmbusReadByte:
            return "SmbusReadByte";
        case Op::SmbusReadBytes:
            return "SmbusReadBytes";
        case Op::Files:
            return "Files";
        case Op::Diagnostics:
            return "Diagnostics";
        case Op::BootApply:
            return "BootApply";
        case Op::Batch:
            return "Batch";
    }
    return "unknown";
}

std::size_t BatchedReplyBound(const std::vector<std::uint8_t>& request) {
    if (request.empty()) return 0;
    constexpr std::size_t kSmall = 16;  // status, flag and a quadword at most
    switch (static_cast<Op>(request[0])) {
        case Op::Initialize:
        case Op::Deinitialize:
        case Op::PciRead:
        case Op::PciWrite:
        case Op::PciWriteByte:
        case Op::MsrRead:
        case Op::MsrWrite:
        case Op::ReadTsc:
        case Op::PhysWrite:
        case Op::IndexedWrite:
        case Op::SmbusReadByte:
            return kSmall;
        case Op::IndexedRead: {
            Reader in(request);
            in.U8();
            in.U16();
            const std::size_t count = in.U8();
            return in.Ok() ? kSmall + count : 0;
        }
        case Op::SmbusReadBytes: {
            Reader in(request);
            in.U8();
            in.U16();
            in.U8();
            const std::size_t first = in.U8();
            const std::size_t count = in.U16();
            return in.Ok() && count >= 1 && first + count <= kMaxSmbusBytes ? kSmall + 4 * count
                                                                            : 0;
        }
        case Op::PhysRead: {
            Reader in(request);
            in.U8();
            in.U64();
            const std::uint32_t size = in.U32();
            return in.Ok() && size <= kMaxMemoryBytes ? kSmall + size : 0;
        }
        default:
            return 0;
    }
}

}  // namespace zm::hw::helper
