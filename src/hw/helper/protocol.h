#pragma once
// The wire format between the window (HelperClient) and the privileged helper: every message is
// a 32-bit little-endian payload length followed by the payload. A request's payload is one
// operation byte and its arguments; a reply's is one status byte and the results. Integers are
// little-endian, strings a 16-bit length and their bytes. The first exchange is the handshake:
// both sides name the protocol's magic and version, and nothing else is served until they agree.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zm::hw::helper {

constexpr std::uint32_t kMagic = 0x4C484D5A;  // "ZMHL"
constexpr std::uint16_t kProtocolVersion = 2;
// Larger than any request or reply the program makes; a longer frame is a broken peer.
constexpr std::uint32_t kMaxPayload = 64 * 1024;
// Physical memory moved by one request.
constexpr std::uint32_t kMaxMemoryBytes = 4096;

enum class Op : std::uint8_t {
    Hello = 1,
    InitializeDll,
    DeinitializeDll,
    ReadIoPortByte,
    ReadIoPortDword,
    WriteIoPortByte,
    WriteIoPortDword,
    Rdmsr,
    RdmsrEx,
    Wrmsr,
    WrmsrEx,
    RdtscEx,
    ReadPhysicalMemory,
    WritePhysicalMemory,
    Files,        // what the helper's backend needs, present or not
    Diagnostics,  // what the helper's backend could not reach so far
    BootApply,    // enable or disable the boot service for one settings file
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

}  // namespace zm::hw::helper
