// SPDX-License-Identifier: GPL-3.0-or-later
// HardwareAccess over a library of the thirteen operations: the port-level sequences are made
// here, beside the port numbers they use, so the access layer above never names a port.
#include "hw/backends/port_io/port_operations.h"
#include "hw/hardware_access.h"

namespace zm::hw {

HardwareAccess::HardwareAccess(HardwareLibrary& library)
    : owned_(std::make_unique<PortOperations>(library)), ops_(*owned_) {}

}  // namespace zm::hw
