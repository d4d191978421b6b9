// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/helper_server.h"

#include <ostream>
#include <vector>

#include "helper/allow_list.h"
#include "helper/protocol.h"
#include "hw/hardware_access.h"
#include "hw/pci_address.h"

namespace zm::hw::helper {

class Session::State {
public:
    State(ServedBackend backend, std::ostream& log) : backend_(backend), log_(log) {}

    // The reply to one request.
    Writer Handle(Reader& in) {
        const auto op = static_cast<Op>(in.U8());
        if (!in.Ok()) return Bad();
        if (!greeted_ && op != Op::Hello) return Bad();
        Writer out;
        HardwareLibrary& lib = backend_.library;
        switch (op) {
            case Op::Hello: {
                const std::uint32_t magic = in.U32();
                const std::uint16_t version = in.U16();
                if (!Done(in) || magic != kMagic || version != kProtocolVersion) return Bad();
                greeted_ = true;
                return Ok().U32(kMagic).U16(kProtocolVersion);
            }
            case Op::InitializeDll: {
                if (!Done(in)) return Bad();
                const bool ok = lib.InitializeDll();
                // The windows and ports are learnt from the hardware as the program finds it.
                if (!allow_.Learnt()) allow_.Learn(lib);
                return Ok().U8(ok);
            }
            case Op::DeinitializeDll:
                if (!Done(in)) return Bad();
                lib.DeinitializeDll();
                return Ok();
            case Op::ReadIoPortByte:
                return ReadPort(in, 1);
            case Op::ReadIoPortDword:
                return ReadPort(in, 4);
            case Op::WriteIoPortByte:
                return WritePort(in, 1);
            case Op::WriteIoPortDword:
                return WritePort(in, 4);
            case Op::Rdmsr:
            case Op::RdmsrEx: {
                const std::uint32_t index = in.U32();
                const AffinityMask mask = op == Op::RdmsrEx ? in.U64() : 0;
                if (!Done(in)) return Bad();
                if (Refuse(op, allow_.CheckMsrRead(index))) return Refused();
                std::uint32_t eax = 0, edx = 0;
                const bool ok = op == Op::RdmsrEx ? lib.RdmsrEx(index, eax, edx, mask)
                                                  : lib.Rdmsr(index, eax, edx);
                return Ok().U8(ok).U32(eax).U32(edx);
            }
            case Op::Wrmsr:
            case Op::WrmsrEx: {
                const std::uint32_t index = in.U32();
                const std::uint32_t eax = in.U32();
                const std::uint32_t edx = in.U32();
                const AffinityMask mask = op == Op::WrmsrEx ? in.U64() : 0;
                if (!Done(in)) return Bad();
                const std::string why =
                    op == Op::WrmsrEx && mask == 0
                        ? "no processor named"
                        : allow_.CheckMsrWrite(lib, index, (std::uint64_t{edx} << 32) | eax, mask);
                if (Refuse(op, why)) return Refused();
                const bool ok = op == Op::WrmsrEx ? lib.WrmsrEx(index, eax, edx, mask)
                                                  : lib.Wrmsr(index, eax, edx);
                return Ok().U8(ok);
            }
            case Op::RdtscEx: {
                const AffinityMask mask = in.U64();
                if (!Done(in)) return Bad();
                std::uint32_t eax = 0, edx = 0;
                const bool ok = lib.RdtscEx(eax, edx, mask);
                return Ok().U8(ok).U32(eax).U32(edx);
            }
            case Op::ReadPhysicalMemory:
            case Op::WritePhysicalMemory:
                return Memory(op, in);
            case Op::Files: {
                if (!Done(in)) return Bad();
                const std::vector<LibraryFile> files =
                    backend_.files ? backend_.files->Files() : std::vector<LibraryFile>{};
                out = Ok();
                out.U32(static_cast<std::uint32_t>(files.size()));
                for (const LibraryFile& f : files)
                    out.Str(f.name).U8(f.present).U8(f.required).Str(f.advice);
                return out;
            }
            case Op::BootApply: {
                const bool enable = in.U8() != 0;
                const std::string path = in.Str();
                if (!Done(in)) return Bad();
                if (Refuse(op, CheckBootApply(enable, path))) return Refused();
                const bool ok =
                    enable ? backend_.bootApply->Enable(path) : backend_.bootApply->Disable(path);
                log_ << "zentrimo-helper: " << (enable ? "enabled " : "disabled ")
                     << os::BootApplyUnit(path) << (ok ? "" : " (failed)") << "\n"
                     << std::flush;
                return Ok().U8(ok);
            }
            case Op::Batch:
                return ServeBatch(in);
            case Op::SmbusReadByte: {
                const std::uint16_t base = in.U16();
                const std::uint8_t slave = in.U8();
                const std::uint8_t command = in.U8();
                if (!Done(in)) return Bad();
                if (Refuse(op, allow_.CheckSmbusRead(base))) return Refused();
                // The byte-data read, with its read direction, exactly as the window would make
                // it port by port.
                HardwareAccess hw(lib);
                hw.SetSmbusBase(base);
                const int result = hw.SmbusReadByte(slave, command);
                lib.WriteIoPortDword(kPciAddressPort, latch_);
                return Ok().U32(static_cast<std::uint32_t>(result));
            }
            case Op::SmbusReadBytes: {
                const std::uint16_t base = in.U16();
                const std::uint8_t slave = in.U8();
                const std::uint8_t first = in.U8();
                const std::uint16_t count = in.U16();
                if (!Done(in) || count == 0 || first + count > kMaxSmbusBytes) return Bad();
                if (Refuse(op, allow_.CheckSmbusRead(base))) return Refused();
                // Each byte the byte-data read above makes, one after the other; a failed byte
                // ends the run, so an empty socket or a hung host costs one transaction, not a
                // module's worth.
                HardwareAccess hw(lib);
                hw.SetSmbusBase(base);
                std::vector<std::uint32_t> results;
                for (unsigned i = 0; i < count; ++i) {
                    const int result =
                        hw.SmbusReadByte(slave, static_cast<std::uint8_t>(first + i));
                    results.push_back(static_cast<std::uint32_t>(result));
                    if (result < 0) break;
                }
                lib.WriteIoPortDword(kPciAddressPort, latch_);
                out = Ok();
                out.U16(static_cast<std::uint16_t>(results.size()));
                for (std::uint32_t r : results) out.U32(r);
                return out;
            }
            case Op::Diagnostics: {
                if (!Done(in)) return Bad();
                const std::vector<std::string> notes =
                    backend_.notes ? backend_.notes->Diagnostics() : std::vector<std::string>{};
                out = Ok();
                out.U32(static_cast<std::uint32_t>(notes.size()));
                for (const std::string& n : notes) out.Str(n);
                return out;
            }
        }
        return Bad();
    }

    unsigned Refusals() const { return refusals_; }

private:
    // Every operation is read and bounded before the first is served, so a malformed batch runs
    // none of it. Then each is checked and served as if it came alone: one refused does not
    // undo or stop the others (the program batches reads only).
    Writer ServeBatch(Reader& in) {
        const std::uint32_t count = in.U32();
        if (!in.Ok() || count > kMaxPayload / 5) return Bad();
        std::vector<std::vector<std::uint8_t>> requests;
        std::size_t replySize = 5;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t size = in.U32();
            if (!in.Ok() || size > kMaxPayload) return Bad();
            requests.push_back(in.Bytes(size));
            const std::size_t bound = BatchedReplyBound(requests.back());
            if (!in.Ok() || bound == 0) return Bad();
            replySize += 4 + bound;
            if (replySize > kMaxPayload) return Bad();
        }
        if (!Done(in)) return Bad();
        Writer out = Ok();
        out.U32(count);
        for (const std::vector<std::uint8_t>& request : requests) {
            Reader one(request);
            const std::vector<std::uint8_t> reply = Handle(one).Payload();
            out.U32(static_cast<std::uint32_t>(reply.size())).Bytes(reply.data(), reply.size());
        }
        return out;
    }

    static Writer Ok() { return std::move(Writer().U8(static_cast<std::uint8_t>(Status::Ok))); }
    static Writer Refused() {
        return std::move(Writer().U8(static_cast<std::uint8_t>(Status::Refused)));
    }
    static Writer Bad() {
        return std::move(Writer().U8(static_cast<std::uint8_t>(Status::BadRequest)));
    }
    static bool Done(const Reader& in) { return in.Ok() && in.AtEnd(); }

    bool Refuse(Op op, const std::string& why) {
        if (why.empty()) return false;
        ++refusals_;
        log_ << "zentrimo-helper: refused " << OpName(op) << ": " << why << "\n" << std::flush;
        return true;
    }

    // The service runs the program as root at boot on the file it names: it is switched, on or
    // off, only for a file that passes the check (the caller's own settings file).
    std::string CheckBootApply(bool enable, const std::string& path) const {
        if (!backend_.bootApply) return "no boot service here";
        if (!backend_.checkSettingsFile) return "no settings file is accepted";
        return backend_.checkSettingsFile(path, enable);
    }

    bool IsPciData(std::uint16_t port, unsigned width) const {
        return width == 4 ? port == kPciDataPort
                          : (port >= kPciDataPort && port <= kPciDataPort + 3);
    }

    Writer ReadPort(Reader& in, unsigned width) {
        const std::uint16_t port = in.U16();
        if (!Done(in)) return Bad();
        const Op op = width == 1 ? Op::ReadIoPortByte : Op::ReadIoPortDword;
        HardwareLibrary& lib = backend_.library;
        if (IsPciData(port, width)) {
            if (Refuse(op, allow_.CheckPciRead(lib, latch_))) return Refused();
            lib.WriteIoPortDword(kPciAddressPort, latch_);  // the checks may have moved it
        } else if (port == kPciAddressPort && width == 4) {
            return Ok().U32(latch_);
        } else if (Refuse(op, allow_.CheckPortRead(lib, port, width))) {
            return Refused();
        } else if (width == 1) {
            const std::uint8_t value = lib.ReadIoPortByte(port);
            allow_.AfterPortRead(lib, port, value);
            return Ok().U8(value);
        }
        return width == 1 ? Ok().U8(lib.ReadIoPortByte(port)) : Ok().U32(lib.ReadIoPortDword(port));
    }

    Writer WritePort(Reader& in, unsigned width) {
        const std::uint16_t port = in.U16();
        const std::uint32_t value = width == 1 ? in.U8() : in.U32();
        if (!Done(in)) return Bad();
        const Op op = width == 1 ? Op::WriteIoPortByte : Op::WriteIoPortDword;
        HardwareLibrary& lib = backend_.library;
        if (port == kPciAddressPort && width == 4) {
            latch_ = value;
            lib.WriteIoPortDword(port, value);
            return Ok();
        }
        if (IsPciData(port, width)) {
            const std::string why =
                allow_.CheckPciWrite(lib, latch_, port - kPciDataPort, width, value);
            if (Refuse(op, why)) return Refused();
            lib.WriteIoPortDword(kPciAddressPort, latch_);
            if (width == 1)
                lib.WriteIoPortByte(port, static_cast<std::uint8_t>(value));
            else
                lib.WriteIoPortDword(port, value);
            allow_.AfterPciWrite(lib, latch_);
            lib.WriteIoPortDword(kPciAddressPort, latch_);
            return Ok();
        }
        if (Refuse(op, allow_.CheckPortWrite(lib, port, width, value))) return Refused();
        if (width == 1)
            lib.WriteIoPortByte(port, static_cast<std::uint8_t>(value));
        else
            lib.WriteIoPortDword(port, value);
        return Ok();
    }

    Writer Memory(Op op, Reader& in) {
        const bool write = op == Op::WritePhysicalMemory;
        const std::uint64_t address = in.U64();
        const std::uint32_t count = in.U32();
        const std::uint32_t unit = in.U32();
        const std::uint64_t size = std::uint64_t{count} * unit;
        if (!in.Ok() || size > kMaxMemoryBytes) return Bad();
        std::vector<std::uint8_t> bytes = write ? in.Bytes(size) : std::vector<std::uint8_t>(size);
        if (!Done(in)) return Bad();
        HardwareLibrary& lib = backend_.library;
        const std::string why = write ? allow_.CheckMemoryWrite(lib, address, bytes)
                                      : allow_.CheckMemoryRead(address, size);
        if (Refuse(op, why)) return Refused();
        if (write) {
            const std::uint32_t moved = lib.WritePhysicalMemory(address, bytes.data(), count, unit);
            allow_.AfterMemoryWrite(lib, address);
            return Ok().U32(moved);
        }
        const std::uint32_t moved = lib.ReadPhysicalMemory(address, bytes.data(), count, unit);
        Writer out = Ok();
        out.U32(moved).Bytes(bytes.data(), bytes.size());
        return out;
    }

    ServedBackend backend_;
    std::ostream& log_;
    AllowList allow_;
    bool greeted_ = false;
    std::uint32_t latch_ = 0;
    unsigned refusals_ = 0;
};

Session::Session(ServedBackend backend, std::ostream& log)
    : state_(std::make_unique<State>(backend, log)) {}
Session::~Session() = default;

std::vector<std::uint8_t> Session::Handle(const std::vector<std::uint8_t>& request) {
    Reader in(request);
    return state_->Handle(in).Payload();
}

unsigned Session::Refusals() const {
    return state_->Refusals();
}

unsigned Serve(int requests, int replies, ServedBackend backend, std::ostream& log) {
    Session session(backend, log);
    while (const auto payload = ReceiveFrame(requests)) {
        if (!SendFrame(replies, session.Handle(*payload))) break;
    }
    return session.Refusals();
}

}  // namespace zm::hw::helper
