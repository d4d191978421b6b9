// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the privileged helper's request handling: the helper runs as root and
// reads its requests from the user's process, so any byte stream on its input (frames of any
// length, any operation, any arguments, batches of them) must be served or refused without
// crashing, reading out of bounds or hanging, over a simulated machine.
//
// Input: the raw request stream, cut into frames as the helper's pipe reader cuts it (a frame
// longer than the protocol allows, or one the stream ends inside, ends the input as it ends a
// session). One machine and one helper session serve every input: started once, greeted, with
// the library started and the allow-list learnt, so each input runs only its own requests.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

#include "helper/helper_server.h"
#include "helper/protocol.h"
#include "hw/backends/port_io/port_operations.h"
#include "os/clock.h"
#include "sim/simulated_machine.h"

namespace {

using namespace zm::hw::helper;

struct Helper {
    std::shared_ptr<zm::sim::SimulatedMachine> machine = zm::sim::SimulatedMachine::Load(
        "x58-bloomfield", std::make_shared<zm::os::VirtualClock>(false));
    std::ostream discard{nullptr};  // the refusal log goes nowhere
    zm::hw::PortOperations operations{*machine};
    Session session{ServedBackend{operations, machine.get(), nullptr}, discard};

    Helper() {
        session.Handle(Writer()
                           .U8(static_cast<std::uint8_t>(Op::Hello))
                           .U32(kMagic)
                           .U16(kProtocolVersion)
                           .Payload());
        session.Handle(Writer().U8(static_cast<std::uint8_t>(Op::Initialize)).Payload());
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Helper* helper = new Helper;  // lives as long as the process
    while (size >= 4) {
        const std::uint32_t length =
            data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
        if (length > kMaxPayload || length > size - 4) break;
        helper->session.Handle(std::vector<std::uint8_t>(data + 4, data + 4 + length));
        data += 4 + length;
        size -= 4 + length;
    }
    return 0;
}
