// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/helper_client.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>

extern char** environ;

namespace zm::hw::helper {
namespace {

// Reads of a helper that refused or is gone: as if nothing answered.
constexpr std::uint32_t kAllOnes = 0xFFFFFFFF;
// Writes a batch keeps before they go on their own.
constexpr std::size_t kMaxKept = 64;
// Reads (address/data pairs, MSRs) in one request: far inside a frame either way.
constexpr std::size_t kMaxReadsPerRequest = 512;
// BIOS pages fetched together: two requests cover the area, each reply well inside a frame.
constexpr std::uint64_t kBiosPagesPerRequest = 8;

void IgnoreBrokenPipes() {
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

std::string LaunchFailureText(int exitStatus) {
    if (exitStatus == kPkexecDismissed) {
        return "Authentication was cancelled. Zentrimo needs administrator rights to reach the "
               "memory controller: start it again and authenticate, or run: sudo zentrimo";
    }
    if (exitStatus == kPkexecNotAuthorised) {
        return "Authentication failed or no polkit authentication agent is running, so the "
               "privileged helper zentrimo-helper was not started (run: sudo zentrimo).";
    }
    return "The privileged helper zentrimo-helper ended before answering (exit status " +
           std::to_string(exitStatus) + ").";
}

HelperClient::HelperClient(int toHelper, int fromHelper)
    : toHelper_(toHelper), fromHelper_(fromHelper) {
    IgnoreBrokenPipes();
    Handshake();
}

std::shared_ptr<HelperClient> HelperClient::Launch(const std::vector<std::string>& command) {
    IgnoreBrokenPipes();
    std::shared_ptr<HelperClient> client(new HelperClient());
    int requests[2], replies[2];
    if (command.empty() || ::pipe2(requests, O_CLOEXEC) != 0) {
        client->failure_ = "The privileged helper could not be started: no pipe.";
        return client;
    }
    if (::pipe2(replies, O_CLOEXEC) != 0) {
        ::close(requests[0]);
        ::close(requests[1]);
        client->failure_ = "The privileged helper could not be started: no pipe.";
        return client;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, requests[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, replies[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(requests[0]);
    ::close(replies[1]);
    client->toHelper_ = requests[1];
    client->fromHelper_ = replies[0];
    if (error != 0) {
        client->failure_ = "The privileged helper could not be started (" + command[0] + ": " +
                           std::strerror(error) + ").";
        return client;
    }
    client->child_ = pid;
    client->Handshake();
    return client;
}

HelperClient::~HelperClient() {
    if (toHelper_ >= 0) ::close(toHelper_);
    if (fromHelper_ >= 0) ::close(fromHelper_);
    if (child_ > 0) {
        int status = 0;
        ::waitpid(child_, &status, 0);
    }
}

void HelperClient::Handshake() {
    std::lock_guard<std::mutex> guard(lock_);
    const std::vector<std::uint8_t> hello = Writer()
                                                .U8(static_cast<std::uint8_t>(Op::Hello))
                                                .U32(kMagic)
                                                .U16(kProtocolVersion)
                                                .Payload();
    std::optional<std::vector<std::uint8_t>> reply;
    if (SendFrame(toHelper_, hello)) reply = ReceiveFrame(fromHelper_);
    if (!reply) {
        // The helper (or pkexec in front of it) ended: its exit status says why.
        int status = 0;
        if (child_ > 0 && ::waitpid(child_, &status, 0) == child_) {
            child_ = -1;
            failure_ =
                LaunchFailureText(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
        } else {
            failure_ = "The privileged helper zentrimo-helper did not answer.";
        }
        return;
    }
    Reader in(*reply);
    const auto status = static_cast<Status>(in.U8());
    const std::uint32_t magic = in.U32();
    const std::uint16_t version = in.U16();
    if (status != Status::Ok || magic != kMagic || version != kProtocolVersion) {
        failure_ =
            "The privileged helper zentrimo-helper speaks another protocol version than "
            "this zentrimo: install both from the same release.";
        return;
    }
    connected_ = true;
}

bool HelperClient::Connected() const {
    std::lock_guard<std::mutex> guard(lock_);
    return connected_;
}

std::string HelperClient::Failure() const {
    std::lock_guard<std::mutex> guard(lock_);
    return failure_;
}

void HelperClient::Note(const std::string& note) const {
    if (noted_.insert(note).second) notes_.push_back(note);
}

void HelperClient::Lost(const std::string& why) const {
    connected_ = false;
    if (failure_.empty()) failure_ = why;
    Note(why);
}

bool HelperClient::Served(Op op, const std::vector<std::uint8_t>& reply) const {
    const auto status = static_cast<Status>(reply.front());
    if (status == Status::Refused) {
        Note(std::string("The helper refused a ") + OpName(op) +
             " request outside its allow-list (its log names it).");
        return false;
    }
    if (status != Status::Ok) {
        Note(std::string("The helper did not understand a ") + OpName(op) + " request.");
        return false;
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> HelperClient::Call(Op, const Writer& request) const {
    return std::move(CallMany({request.Payload()}).front());
}

std::vector<std::optional<std::vector<std::uint8_t>>> HelperClient::CallMany(
    const std::vector<std::vector<std::uint8_t>>& requests) const {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::optional<std::vector<std::uint8_t>>> replies(requests.size());
    if (!connected_) {
        kept_.clear();
        return replies;
    }
    // The kept writes go first, in the order they were made, with these requests last.
    std::vector<std::vector<std::uint8_t>> batch;
    batch.swap(kept_);
    const std::size_t own = batch.size();
    batch.insert(batch.end(), requests.begin(), requests.end());
    if (batch.empty()) return replies;
    const bool batched = batch.size() > 1;
    Writer frame;
    if (batched) {
        frame.U8(static_cast<std::uint8_t>(Op::Batch))
            .U32(static_cast<std::uint32_t>(batch.size()));
        for (const auto& one : batch)
            frame.U32(static_cast<std::uint32_t>(one.size())).Bytes(one.data(), one.size());
    }
    std::optional<std::vector<std::uint8_t>> reply;
    ++roundTrips_;
    if (SendFrame(toHelper_, batched ? frame.Payload() : batch.front()))
        reply = ReceiveFrame(fromHelper_);
    if (!reply || reply->empty()) {
        Lost(
            "The privileged helper zentrimo-helper stopped answering: the hardware reads as "
            "all ones from here on.");
        return replies;
    }
    const auto opOf = [&](std::size_t i) { return static_cast<Op>(batch[i].front()); };
    if (!batched) {
        if (Served(opOf(0), *reply) && own == 0) replies[0] = std::move(reply);
        return replies;
    }
    if (!Served(Op::Batch, *reply)) return replies;
    // Each operation's own reply, in order: a kept write's only noted when refused.
    Reader in(*reply);
    in.U8();
    const std::uint32_t count = in.U32();
    std::vector<std::vector<std::uint8_t>> ones;
    for (std::uint32_t i = 0; in.Ok() && i < count && i < batch.size(); ++i)
        ones.push_back(in.Bytes(in.U32()));
    const bool whole = in.Ok() && in.AtEnd() && count == batch.size() &&
                       std::none_of(ones.begin(), ones.end(),
                                    [](const std::vector<std::uint8_t>& o) { return o.empty(); });
    if (!whole) {
        Lost(
            "The privileged helper zentrimo-helper stopped answering: the hardware reads as "
            "all ones from here on.");
        return replies;
    }
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (Served(opOf(i), ones[i]) && i >= own) replies[i - own] = std::move(ones[i]);
    }
    return replies;
}

std::uint64_t HelperClient::RoundTrips() const {
    std::lock_guard<std::mutex> guard(lock_);
    return roundTrips_;
}

namespace {
Writer Request(Op op) {
    return std::move(Writer().U8(static_cast<std::uint8_t>(op)));
}

// The dword of a PCI read's reply; all ones when refused or lost.
std::uint32_t ReadDword(const std::optional<std::vector<std::uint8_t>>& reply) {
    if (!reply) return kAllOnes;
    Reader in(*reply);
    in.U8();
    const std::uint32_t value = in.U32();
    return in.Ok() ? value : kAllOnes;
}

// ok and the quadword of an MSR or counter reply.
std::optional<std::uint64_t> ReadQuad(const std::optional<std::vector<std::uint8_t>>& reply) {
    if (!reply) return std::nullopt;
    Reader in(*reply);
    in.U8();
    const bool ok = in.U8() != 0;
    const std::uint64_t value = in.U64();
    if (!in.Ok() || !ok) return std::nullopt;
    return value;
}

bool ReadFlag(const std::optional<std::vector<std::uint8_t>>& reply) {
    if (!reply) return false;
    Reader in(*reply);
    in.U8();
    return in.U8() != 0 && in.Ok();
}
}  // namespace

bool HelperClient::Initialize() {
    return ReadFlag(Call(Op::Initialize, Request(Op::Initialize)));
}

void HelperClient::Deinitialize() {
    Call(Op::Deinitialize, Request(Op::Deinitialize));
}

std::uint32_t HelperClient::PciRead(std::uint32_t address) {
    return ReadDword(Call(Op::PciRead, Request(Op::PciRead).U32(address)));
}

void HelperClient::PciReadMany(std::span<const std::uint32_t> addresses,
                               std::span<std::uint32_t> values) {
    const std::size_t count = std::min(addresses.size(), values.size());
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(count - done, kMaxReadsPerRequest);
        std::vector<std::vector<std::uint8_t>> requests;
        for (std::size_t i = 0; i < n; ++i)
            requests.push_back(Request(Op::PciRead).U32(addresses[done + i]).Payload());
        const auto replies = CallMany(requests);
        for (std::size_t i = 0; i < n; ++i) values[done + i] = ReadDword(replies[i]);
        done += n;
    }
}

void HelperClient::BeginWrites() {
    std::lock_guard<std::mutex> guard(lock_);
    ++writeBatches_;
}

void HelperClient::EndWrites() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (writeBatches_ > 0) --writeBatches_;
        if (writeBatches_ > 0 || kept_.empty()) return;
    }
    CallMany({});
}

void HelperClient::Write(Op op, const Writer& request) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!connected_) return;
        if (writeBatches_ > 0 && kept_.size() < kMaxKept) {
            kept_.push_back(request.Payload());
            return;
        }
    }
    Call(op, request);
}

void HelperClient::PciWrite(std::uint32_t address, std::uint32_t value) {
    Write(Op::PciWrite, Request(Op::PciWrite).U32(address).U32(value));
}

void HelperClient::PciWriteByte(std::uint32_t address, std::uint8_t value) {
    Write(Op::PciWriteByte, Request(Op::PciWriteByte).U32(address).U8(value));
}

std::optional<std::uint64_t> HelperClient::MsrRead(std::uint32_t index, unsigned processor) {
    return ReadQuad(Call(Op::MsrRead, Request(Op::MsrRead).U32(index).U32(processor)));
}

void HelperClient::MsrReadMany(std::span<const MsrAt> which,
                               std::span<std::optional<std::uint64_t>> values) {
    const std::size_t count = std::min(which.size(), values.size());
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(count - done, kMaxReadsPerRequest);
        std::vector<std::vector<std::uint8_t>> requests;
        for (std::size_t i = 0; i < n; ++i)
            requests.push_back(Request(Op::MsrRead)
                                   .U32(which[done + i].index)
                                   .U32(which[done + i].processor)
                                   .Payload());
        const auto replies = CallMany(requests);
        for (std::size_t i = 0; i < n; ++i) values[done + i] = ReadQuad(replies[i]);
        done += n;
    }
}

void HelperClient::MsrWrite(std::uint32_t index, unsigned processor, std::uint64_t value) {
    Write(Op::MsrWrite, Request(Op::MsrWrite).U32(index).U32(processor).U64(value));
}

std::optional<std::uint64_t> HelperClient::ReadTsc(unsigned processor) {
    return ReadQuad(Call(Op::ReadTsc, Request(Op::ReadTsc).U32(processor)));
}

const std::vector<std::uint8_t>* HelperClient::BiosPage(std::uint64_t page) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (const auto found = biosPages_.find(page); found != biosPages_.end())
            return &found->second;
    }
    // The scan goes on page after page, so the pages after this one come with it.
    std::vector<std::vector<std::uint8_t>> requests;
    for (std::uint64_t p = page;
         p < page + kBiosPagesPerRequest && p * kMaxMemoryBytes < kBiosAreaEnd; ++p) {
        requests.push_back(
            Request(Op::PhysRead).U64(p * kMaxMemoryBytes).U32(kMaxMemoryBytes).Payload());
    }
    const auto replies = CallMany(requests);
    std::lock_guard<std::mutex> guard(lock_);
    for (std::size_t i = 0; i < replies.size(); ++i) {
        if (!replies[i]) continue;
        Reader in(*replies[i]);
        in.U8();
        const bool whole = in.U8() != 0;
        std::vector<std::uint8_t> bytes = in.Bytes(kMaxMemoryBytes);
        // A page not read whole is read dword by dword.
        if (in.Ok() && whole) biosPages_.emplace(page + i, std::move(bytes));
    }
    const auto found = biosPages_.find(page);
    return found == biosPages_.end() ? nullptr : &found->second;
}

bool HelperClient::PhysRead(std::uint64_t address, std::span<std::uint8_t> bytes) {
    const std::size_t size = bytes.size();
    if (size == 0 || size % 4 != 0 || size > kMaxMemoryBytes) return false;
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0xFF});
    if (address >= kBiosAreaBegin && address < kBiosAreaEnd && size <= kBiosAreaEnd - address &&
        address / kMaxMemoryBytes == (address + size - 1) / kMaxMemoryBytes) {
        if (const std::vector<std::uint8_t>* page = BiosPage(address / kMaxMemoryBytes)) {
            std::memcpy(bytes.data(), page->data() + address % kMaxMemoryBytes, size);
            return true;
        }
    }
    const auto reply = Call(
        Op::PhysRead, Request(Op::PhysRead).U64(address).U32(static_cast<std::uint32_t>(size)));
    if (!reply) return false;
    Reader in(*reply);
    in.U8();
    const bool whole = in.U8() != 0;
    const std::vector<std::uint8_t> read = in.Bytes(size);
    if (!in.Ok()) return false;
    std::memcpy(bytes.data(), read.data(), size);
    return whole;
}

void HelperClient::PhysReadMany(std::span<const std::uint64_t> addresses,
                                std::span<std::uint32_t> values) {
    const std::size_t count = std::min(addresses.size(), values.size());
    // The BIOS area is read from its pages, fetched once.
    const bool bios = std::any_of(addresses.begin(), addresses.begin() + count,
                                  [](std::uint64_t a) { return a < kBiosAreaEnd; });
    if (bios || count > kMaxReadsPerRequest) {
        Operations::PhysReadMany(addresses, values);
        return;
    }
    std::vector<std::vector<std::uint8_t>> requests;
    for (std::size_t i = 0; i < count; ++i)
        requests.push_back(Request(Op::PhysRead).U64(addresses[i]).U32(4).Payload());
    const auto replies = CallMany(requests);
    for (std::size_t i = 0; i < count; ++i) {
        // As PhysRead leaves a dword it could not read: all ones.
        values[i] = kAllOnes;
        if (!replies[i]) continue;
        Reader in(*replies[i]);
        in.U8();
        in.U8();  // whole or not, the bytes stand as read
        const std::vector<std::uint8_t> read = in.Bytes(4);
        if (in.Ok())
            values[i] = std::uint32_t{read[0]} | (std::uint32_t{read[1]} << 8) |
                        (std::uint32_t{read[2]} << 16) | (std::uint32_t{read[3]} << 24);
    }
}

void HelperClient::PhysWrite(std::uint64_t address, std::uint32_t value) {
    Write(Op::PhysWrite, Request(Op::PhysWrite).U64(address).U32(value));
}

void HelperClient::IndexedRead(std::uint16_t indexPort, std::span<const std::uint8_t> indices,
                               std::span<std::uint8_t> values) {
    const std::size_t count = std::min({indices.size(), values.size(), std::size_t{0xFF}});
    std::fill(values.begin(), values.end(), std::uint8_t{0xFF});
    const auto reply = Call(Op::IndexedRead, Request(Op::IndexedRead)
                                                 .U16(indexPort)
                                                 .U8(static_cast<std::uint8_t>(count))
                                                 .Bytes(indices.data(), count));
    if (!reply) return;
    Reader in(*reply);
    in.U8();
    const std::vector<std::uint8_t> read = in.Bytes(count);
    if (in.Ok()) std::copy(read.begin(), read.end(), values.begin());
}

void HelperClient::IndexedWrite(std::uint16_t indexPort, std::uint8_t index, std::uint8_t value) {
    Write(Op::IndexedWrite, Request(Op::IndexedWrite).U16(indexPort).U8(index).U8(value));
}

namespace {
// A byte-data read's result, or a transaction error when refused or lost.
int SmbusResult(const std::optional<std::vector<std::uint8_t>>& reply) {
    if (!reply) return smbus::kTransactionError;
    Reader in(*reply);
    in.U8();
    const auto result = static_cast<std::int32_t>(in.U32());
    if (!in.Ok() || result < smbus::kTimeout || result > 0xFF) return smbus::kTransactionError;
    return result;
}
}  // namespace

int HelperClient::SmbusReadByte(std::uint16_t base, std::uint8_t slave, std::uint8_t command) {
    return SmbusResult(
        Call(Op::SmbusReadByte, Request(Op::SmbusReadByte).U16(base).U8(slave).U8(command)));
}

void HelperClient::SmbusReadList(std::uint16_t base, std::uint8_t slave,
                                 std::span<const std::uint8_t> commands, std::span<int> results) {
    const std::size_t count = std::min(commands.size(), results.size());
    std::vector<std::vector<std::uint8_t>> requests;
    for (std::size_t i = 0; i < count; ++i)
        requests.push_back(
            Request(Op::SmbusReadByte).U16(base).U8(slave).U8(commands[i]).Payload());
    const auto replies = CallMany(requests);
    for (std::size_t i = 0; i < count; ++i) results[i] = SmbusResult(replies[i]);
}

namespace {
bool RunFits(std::uint8_t first, std::size_t count) {
    return count != 0 && first + count <= kMaxSmbusBytes;
}

std::vector<std::uint8_t> RunRequest(std::uint16_t base, std::uint8_t slave, std::uint8_t first,
                                     std::size_t count) {
    return Request(Op::SmbusReadBytes)
        .U16(base)
        .U8(slave)
        .U8(first)
        .U16(static_cast<std::uint16_t>(count))
        .Payload();
}

// A run's results from its reply: how many were written, the last a failure when fewer than
// asked; a refused, lost or malformed reply reads as one failed transaction.
std::size_t RunResults(const std::optional<std::vector<std::uint8_t>>& reply,
                       std::span<int> results) {
    results[0] = smbus::kTransactionError;
    if (!reply) return 1;
    Reader in(*reply);
    in.U8();
    const std::size_t held = in.U16();
    if (!in.Ok() || held == 0 || held > results.size()) return 1;
    for (std::size_t i = 0; i < held; ++i) {
        const auto result = static_cast<std::int32_t>(in.U32());
        if (!in.Ok() || result < smbus::kTimeout || result > 0xFF) {
            results[i] = smbus::kTransactionError;
            return i + 1;
        }
        results[i] = result;
        if (result < 0) return i + 1;  // nothing after a failure is a result
    }
    return held;
}
}  // namespace

std::size_t HelperClient::SmbusReadBytes(std::uint16_t base, std::uint8_t slave, std::uint8_t first,
                                         std::span<int> results) {
    if (!RunFits(first, results.size())) return 0;
    return RunResults(CallMany({RunRequest(base, slave, first, results.size())}).front(), results);
}

void HelperClient::SmbusReadRuns(std::uint16_t base, std::span<SmbusRun> runs) {
    std::vector<std::vector<std::uint8_t>> requests;
    for (const SmbusRun& run : runs) {
        if (RunFits(run.first, run.results.size()))
            requests.push_back(RunRequest(base, run.slave, run.first, run.results.size()));
    }
    const auto replies = CallMany(requests);
    std::size_t next = 0;
    for (SmbusRun& run : runs) {
        run.read = 0;
        if (RunFits(run.first, run.results.size()))
            run.read = RunResults(replies[next++], run.results);
    }
}

std::vector<LibraryFile> HelperClient::Files() const {
    if (!Connected()) {
        LibraryFile helper{kHelperName, false, Failure()};
        return {helper};
    }
    const auto reply = Call(Op::Files, Request(Op::Files));
    if (!reply) return {LibraryFile{kHelperName, false, Failure()}};
    Reader in(*reply);
    in.U8();
    std::vector<LibraryFile> files;
    const std::uint32_t count = in.U32();
    for (std::uint32_t i = 0; i < count && in.Ok(); ++i) {
        LibraryFile f;
        f.name = in.Str();
        f.present = in.U8() != 0;
        f.required = in.U8() != 0;
        f.advice = in.Str();
        if (in.Ok()) files.push_back(std::move(f));
    }
    return files;
}

bool HelperClient::SetBootApply(bool enable, const std::string& settingsFile) {
    return ReadFlag(
        Call(Op::BootApply, Request(Op::BootApply).U8(enable ? 1 : 0).Str(settingsFile)));
}

std::vector<std::string> HelperClient::Diagnostics() const {
    std::vector<std::string> notes;
    if (const auto reply = Call(Op::Diagnostics, Request(Op::Diagnostics))) {
        Reader in(*reply);
        in.U8();
        const std::uint32_t count = in.U32();
        for (std::uint32_t i = 0; i < count && in.Ok(); ++i) {
            std::string note = in.Str();
            if (in.Ok()) notes.push_back(std::move(note));
        }
    }
    std::lock_guard<std::mutex> guard(lock_);
    notes.insert(notes.end(), notes_.begin(), notes_.end());
    return notes;
}

}  // namespace zm::hw::helper
