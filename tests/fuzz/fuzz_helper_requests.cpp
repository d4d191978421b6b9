// libFuzzer target for the privileged helper's request loop: the helper runs as root and reads
// its requests from the user's process, so any byte stream on its input (frames of any length,
// any operation, any arguments, before or after the handshake) must be served or refused without
// crashing, reading out of bounds or hanging, over a simulated machine.
//
// Input: the raw request stream, after a valid handshake; when its first byte is odd, also after
// the library's start (which learns the SMBus ports and memory windows from the machine, and is
// slow enough that the runs without it cover the parsing far faster).
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <vector>

#include "hw/helper/helper_server.h"
#include "hw/helper/protocol.h"
#include "os/clock.h"
#include "sim/simulated_machine.h"

namespace {

std::vector<std::uint8_t> Frame(const zm::hw::helper::Writer& request) {
    const std::vector<std::uint8_t>& payload = request.Payload();
    std::vector<std::uint8_t> frame(4);
    const auto size = static_cast<std::uint32_t>(payload.size());
    for (int i = 0; i < 4; ++i) frame[i] = static_cast<std::uint8_t>(size >> (8 * i));
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zm::hw::helper;
    // One pipe holds the whole stream: the fuzzer's inputs stay far below its buffer.
    if (size > 16 * 1024) return 0;
    static const std::shared_ptr<zm::sim::SimulatedMachine> machine =
        zm::sim::SimulatedMachine::Load("x58-bloomfield",
                                        std::make_shared<zm::os::VirtualClock>(false));

    std::vector<std::uint8_t> stream =
        Frame(Writer().U8(static_cast<std::uint8_t>(Op::Hello)).U32(kMagic).U16(kProtocolVersion));
    const std::vector<std::uint8_t> init =
        Frame(Writer().U8(static_cast<std::uint8_t>(Op::InitializeDll)));
    if (size > 0 && (data[0] & 1) != 0) stream.insert(stream.end(), init.begin(), init.end());
    stream.insert(stream.end(), data, data + size);

    int requests[2];
    if (::pipe(requests) != 0) std::abort();
    if (::write(requests[1], stream.data(), stream.size()) != static_cast<ssize_t>(stream.size()))
        std::abort();
    ::close(requests[1]);
    const int replies = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    std::ostringstream log;
    Serve(requests[0], replies, ServedBackend{*machine, machine.get(), nullptr}, log);
    ::close(requests[0]);
    ::close(replies);
    return 0;
}
