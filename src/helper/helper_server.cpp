// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/helper_server.h"

#include <ostream>
#include <vector>

#include "helper/allow_list.h"
#include "helper/protocol.h"

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
        Operations& ops = backend_.operations;
        switch (op) {
            case Op::Hello: {
                const std::uint32_t magic = in.U32();
                const std::uint16_t version = in.U16();
                if (!Done(in) || magic != kMagic || version != kProtocolVersion) return Bad();
                greeted_ = true;
                return Ok().U32(kMagic).U16(kProtocolVersion);
            }
            case Op::Initialize: {
                if (!Done(in)) return Bad();
                const bool ok = ops.Initialize();
                // The windows and hosts are learnt from the hardware as the program finds it.
                if (!allow_.Learnt()) allow_.Learn(ops);
                return Ok().U8(ok);
            }
            case Op::Deinitialize:
                if (!Done(in)) return Bad();
                ops.Deinitialize();
                return Ok();
            case Op::PciRead: {
                const std::uint32_t address = in.U32();
                if (!Done(in)) return Bad();
                if (Refuse(op, allow_.CheckPciRead(ops, address))) return Refused();
                return Ok().U32(ops.PciRead(address));
            }
            case Op::PciWrite:
            case Op::PciWriteByte: {
                const std::uint32_t address = in.U32();
                const std::uint32_t value = op == Op::PciWrite ? in.U32() : in.U8();
                if (!Done(in)) return Bad();
                const unsigned width = op == Op::PciWrite ? 4 : 1;
                if (Refuse(op, allow_.CheckPciWrite(ops, address, width, value))) return Refused();
                if (width == 4)
                    ops.PciWrite(address, value);
                else
                    ops.PciWriteByte(address, static_cast<std::uint8_t>(value));
                allow_.AfterPciWrite(ops, address);
                return Ok();
            }
            case Op::MsrRead: {
                const std::uint32_t index = in.U32();
                const std::uint32_t processor = in.U32();
                if (!Done(in)) return Bad();
                if (Refuse(op, allow_.CheckMsrRead(index))) return Refused();
                const auto value = ops.MsrRead(index, processor);
                return Ok().U8(value.has_value()).U64(value.value_or(0));
            }
            case Op::MsrWrite: {
                const std::uint32_t index = in.U32();
                const std::uint32_t processor = in.U32();
                const std::uint64_t value = in.U64();
                if (!Done(in)) return Bad();
                if (Refuse(op, allow_.CheckMsrWrite(ops, index, value, processor)))
                    return Refused();
                ops.MsrWrite(index, processor, value);
                return Ok();
            }
            case Op::ReadTsc: {
                const std::uint32_t processor = in.U32();
                if (!Done(in)) return Bad();
                const auto value = ops.ReadTsc(processor);
                return Ok().U8(value.has_value()).U64(value.value_or(0));
            }
            case Op::PhysRead: {
                const std::uint64_t address = in.U64();
                const std::uint32_t size = in.U32();
                if (!Done(in) || size == 0 || size % 4 != 0 || size > kMaxMemoryBytes) return Bad();
                if (Refuse(op, allow_.CheckMemoryRead(address, size))) return Refused();
                std::vector<std::uint8_t> bytes(size, 0xFF);
                const bool ok = ops.PhysRead(address, bytes);
                out = Ok();
                out.U8(ok).Bytes(bytes.data(), bytes.size());
                return out;
            }
            case Op::PhysWrite: {
                const std::uint64_t address = in.U64();
                const std::uint32_t value = in.U32();
                if (!Done(in)) return Bad();
                if (Refuse(op, allow_.CheckMemoryWrite(ops, address, value))) return Refused();
                ops.PhysWrite(address, value);
                allow_.AfterMemoryWrite(ops, address);
                return Ok();
            }
            case Op::IndexedRead: {
                const std::uint16_t port = in.U16();
                const std::uint8_t count = in.U8();
                const std::vector<std::uint8_t> indices = in.Bytes(count);
                if (!Done(in)) return Bad();
                if (Refuse(op, allow_.CheckIndexedRead(port, indices))) return Refused();
                std::vector<std::uint8_t> values(count, 0xFF);
                ops.IndexedRead(port, indices, values);
                allow_.AfterIndexedRead(ops, indices, values);
                out = Ok();
                out.Bytes(values.data(), values.size());
                return out;
            }
            case Op::IndexedWrite: {
                const std::uint16_t port = in.U16();
                const std::uint8_t index = in.U8();
                const std::uint8_t value = in.U8();
                if (!Done(in)) return Bad();
                if (Refuse(op, allow_.CheckIndexedWrite(ops, port, index, value))) return Refused();
                ops.IndexedWrite(port, index, value);
                return Ok();
            }
            case Op::SmbusReadByte: {
                const std::uint16_t base = in.U16();
                const std::uint8_t slave = in.U8();
                const std::uint8_t command = in.U8();
                if (!Done(in)) return Bad();
                if (Refuse(op, allow_.CheckSmbusRead(base))) return Refused();
                return Ok().U32(
                    static_cast<std::uint32_t>(ops.SmbusReadByte(base, slave, command)));
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
                std::vector<std::uint32_t> results;
                for (unsigned i = 0; i < count; ++i) {
                    const int result =
                        ops.SmbusReadByte(base, slave, static_cast<std::uint8_t>(first + i));
                    results.push_back(static_cast<std::uint32_t>(result));
                    if (result < 0) break;
                }
                out = Ok();
                out.U16(static_cast<std::uint16_t>(results.size()));
                for (std::uint32_t r : results) out.U32(r);
                return out;
            }
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
    // undo or stop the others.
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

    ServedBackend backend_;
    std::ostream& log_;
    AllowList allow_;
    bool greeted_ = false;
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
