// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The wire format between the window (HelperClient) and the privileged helper: every message is
// a 32-bit little-endian payload length followed by the payload. A request's payload is one
// operation byte and its arguments; a reply's is one status byte and the results. Integers are
// little-endian, strings a 16-bit length and their bytes. The first exchange is the handshake:
// both sides name the protocol's magic and version, and nothing else is served until they agree.
//
// The operations are those of hw/operations.h, by meaning: a PCI register by its configuration
// address, an MSR by processor and index, an SMBus byte by host, slave and command, a dword of
// physical memory, a register behind the power-management index port. No port access crosses
// the pipe: the helper makes the port sequences itself, on hosts it found.
//
// A Batch request carries many operations: a 32-bit count, then each operation's payload with
// its 32-bit length; its reply carries each operation's reply payload the same way, in order.
// The operations are served one after the other, each checked on its own as if sent alone.
// Hello, Batch, BootApply, Files and Diagnostics are not batched, and a batch whose replies
// could outgrow a frame is refused whole before any of it is served.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zm::hw::helper {

constexpr std::uint32_t kMagic = 0x4C484D5A;  // "ZMHL"
constexpr std::uint16_t kProtocolVersion = 4;
// Larger than any request or reply the program makes; a longer frame is a broken peer.
constexpr std::uint32_t kMaxPayload = 64 * 1024;
// SPD bytes one SMBus slave answers for (commands 0..255).
constexpr std::size_t kMaxSmbusBytes = 256;
// Physical memory moved by one request.
constexpr std::uint32_t kMaxMemoryBytes = 4096;
// The legacy BIOS area, where the SMBIOS entry point is looked for dword by dword: firmware
// that does not change while the program runs and that the helper never writes, so the window
// fetches it a page per request and reads the dwords from its copy.
constexpr std::uint64_t kBiosAreaBegin = 0xF0000;
constexpr std::uint64_t kBiosAreaEnd = 0x100000;

enum class Op : std::uint8_t {
    Hello = 1,
    Initialize,
    Deinitialize,
    PciRead,         // configuration address -> dword
    PciWrite,        // configuration address, dword
    PciWriteByte,    // configuration address, byte (the dword's lowest)
    MsrRead,         // index, processor -> ok, value
    MsrWrite,        // index, processor, value
    ReadTsc,         // processor -> ok, value
    PhysRead,        // address, size (whole dwords) -> ok, bytes
    PhysWrite,       // address, dword
    IndexedRead,     // index port, count, indices -> values
    IndexedWrite,    // index port, index, value
    SmbusReadByte,   // the SMBus host's byte-data read, the whole transaction
    SmbusReadBytes,  // the same for consecutive commands (a module's SPD bytes)
    Files,           // what the helper's backend needs, present or not
    Diagnostics,     // what the helper's backend could not reach so far
    BootApply,       // enable or disable the boot service for one settings file
    Batch,           // many hardware operations in one round trip
};

enum class Status : std::uint8_t {
    Ok = 0,
    Refused = 1,     // outside the allow-list: the backend never saw it
    BadRequest = 2,  // malformed, unknown operation, or no handshake yet
};

// Builds a payload.
class Writer {
public:
    Writer& U8(std::uint8_t v);
    Writer& U16(std::uint16_t v);
    Writer& U32(std::uint32_t v);
    Writer& U64(std::uint64_t v);
    Writer& Bytes(const std::uint8_t* data, std::size_t size);
    Writer& Str(const std::string& s);
    const std::vector<std::uint8_t>& Payload() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// Reads a payload; any read past the end marks it failed and yields zeros.
class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& payload) : bytes_(payload) {}
    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    std::uint64_t U64();
    std::vector<std::uint8_t> Bytes(std::size_t size);
    std::string Str();
    bool Ok() const { return ok_; }
    bool AtEnd() const { return at_ == bytes_.size(); }

private:
    bool Take(std::size_t n);
    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

// One frame over a file descriptor; false / nullopt when the pipe closed or broke, or the
// length is out of bounds.
bool SendFrame(int fd, const std::vector<std::uint8_t>& payload);
std::optional<std::vector<std::uint8_t>> ReceiveFrame(int fd);

const char* OpName(Op op);

// The longest reply a request of this payload can get inside a batch, or 0 when the operation
// cannot be batched (or the payload names none).
std::size_t BatchedReplyBound(const std::vector<std::uint8_t>& request);

}  // namespace zm::hw::helper
